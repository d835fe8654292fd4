#ifndef PL_COMMANDS_H
#define PL_COMMANDS_H

#include <SupportDefs.h>

// The viewer's own message codes. Menus, keys and windows all speak them, and
// a replicant's archive stores some of them inside its menu items, so the
// values never change.
enum : uint32 {
	kMsgZoomIn = 'Mzin',
	kMsgZoomInKeepWindow = 'Mziw',
	kMsgZoomOut = 'Mzou',
	kMsgZoomOutKeepWindow = 'Mzow',
	kMsgNormalSize = 'Mnrm',
	kMsgFitToScreen = 'Mfts',
	kMsgCloseWindow = 'Mcwn',
	kMsgQuitApplication = 'Mqap',
	kMsgNextWindow = 'Mnwr',
	kMsgPreviousWindow = 'Mpwr',
	kMsgActivateWindow = 'Mawr',  // int32 "index"
	kMsgWindowClosed = 'Mwcr',    // entry_ref "refs"
	kMsgIgnoreNextResize = 'Minr',
	kMsgToggleLock = 'Mtlr',
	kMsgSetWorkspace = 'Mswr',    // int32 "workspace"
	kMsgRetryOpen = 'Pbnt',
};

#endif
