#ifndef PL_WORKSPACE_MENU_H
#define PL_WORKSPACE_MENU_H

#include <Menu.h>

class BHandler;

// The "Workspaces" submenu of a replicant's dragger menu. Its marked item is
// the replicant's workspace setting: -1 for all workspaces, otherwise one
// workspace counted from 0. It travels inside the dragger's archived pop-up,
// so the choice survives archiving with it.
class PLWorkspaceMenu : public BMenu {
public:
	PLWorkspaceMenu(const char* name, int32 workspace);
	// Items, their messages, the mark and the radio mode come from the archive;
	// the target stays unset until SetTarget().
	PLWorkspaceMenu(BMessage* archive);
	virtual ~PLWorkspaceMenu();

	static BArchivable* Instantiate(BMessage* archive);
	virtual status_t Archive(BMessage* data, bool deep = true) const;

	// Rebuilds "All Workspaces" and one item per workspace, none marked.
	void InitItems();
	// Rebuilds the items and marks the same index again.
	void UpdateItems();
	// Out-of-range values have no item and leave the mark as it is.
	void SetWorkspace(int32 workspace);
	// -1 also when no item is marked, so that a menu that lost its mark never
	// hides its replicant for good.
	int32 Workspace();
	// Not owned; the items take it each time the menu opens.
	void SetTarget(BHandler* target);

protected:
	virtual bool AddDynamicItem(add_state state);

private:
	void _MarkIndex(int32 index);

	BHandler* fTarget;
};

#endif
