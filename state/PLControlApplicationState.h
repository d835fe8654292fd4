#ifndef PL_CONTROL_APPLICATION_STATE_H
#define PL_CONTROL_APPLICATION_STATE_H

#include "state/PLControlState.h"

// The state of a view in one of the application's own windows: keys, the
// context menu, zooming that refits the window, fitting to the screen,
// rescaling when the user resizes the window, and the window commands, which
// it posts to the application rather than carrying out.
class PLControlApplicationState : public PLControlState {
public:
	static PLControlApplicationState* Instance();

	virtual void AllAttached(PLControlView* view);
	virtual void FrameResized(PLControlView* view, float width, float height);
	virtual void KeyDown(PLControlView* view, const char* bytes, int32 numBytes);
	virtual void MouseDown(PLControlView* view, BPoint where);
	virtual void MessageReceived(PLControlView* view, BMessage* message);

	// B_SIMPLE_DATA with "refs": hands the files to the application, as a
	// launch would. False for a message without files.
	bool OpenDroppedFiles(BMessage* message);
	void FitToScreen(PLControlView* view);
	void QuitApplication(PLControlView* view);
	void CloseWindow(PLControlView* view);
	void NextWindow(PLControlView* view);
	void PreviousWindow(PLControlView* view);
	void ActivateWindow(PLControlView* view, int index);
	void Normalize(PLControlView* view);
	// With kZoomKeepWindow in |flags| the window keeps its size and place.
	void ZoomOut(PLControlView* view, long flags);
	void ZoomIn(PLControlView* view, long flags);

	// The same bit as B_CONTROL_KEY, so that a key's modifiers can be passed
	// as they are.
	static const long kZoomKeepWindow = 4;

private:
	PLControlApplicationState() {}

	// The scale that fits a picture of the given spans into the given spans,
	// keeping its aspect ratio. An axis on which the picture spans nothing
	// does not count; with neither, the current magnification stays.
	static float _FitRatio(PLControlView* view, double width, double height);
	static void _Zoom(PLControlView* view, float magnification, long flags);
};

#endif
