#include "replicant/PLWorkspaceMenu.h"

#include <Archivable.h>
#include <InterfaceDefs.h>
#include <MenuItem.h>
#include <Message.h>

#include <cstdio>
#include <new>

#include "app/AppSignature.h"
#include "view/Commands.h"

PLWorkspaceMenu::PLWorkspaceMenu(const char* name, int32 workspace)
    : BMenu(name, B_ITEMS_IN_COLUMN), fTarget(NULL)
{
	SetRadioMode(true);
	InitItems();
	SetWorkspace(workspace);
}

PLWorkspaceMenu::PLWorkspaceMenu(BMessage* archive) : BMenu(archive), fTarget(NULL) {}

PLWorkspaceMenu::~PLWorkspaceMenu() {}

BArchivable* PLWorkspaceMenu::Instantiate(BMessage* archive)
{
	if (!validate_instantiation(archive, "PLWorkspaceMenu"))
		return NULL;
	return new (std::nothrow) PLWorkspaceMenu(archive);
}

status_t PLWorkspaceMenu::Archive(BMessage* data, bool deep) const
{
	data->AddString("add_on", kPLAppSignature);
	return BMenu::Archive(data, deep);
}

void PLWorkspaceMenu::InitItems()
{
	while (CountItems() > 0)
		delete RemoveItem(int32(0));

	BMessage message(kMsgSetWorkspace);
	message.AddInt32("workspace", -1);
	AddItem(new BMenuItem("All Workspaces", new BMessage(message)));

	for (int32 i = 0; i < count_workspaces(); i++) {
		message.ReplaceInt32("workspace", i);
		char label[16];
		snprintf(label, sizeof(label), "%2d", int(i + 1));
		AddItem(new BMenuItem(label, new BMessage(message)));
	}
}

void PLWorkspaceMenu::UpdateItems()
{
	int32 marked = FindMarkedIndex();
	InitItems();
	_MarkIndex(marked);
}

void PLWorkspaceMenu::SetWorkspace(int32 workspace)
{
	BMenuItem* item = ItemAt(workspace + 1);
	if (item != NULL)
		item->SetMarked(true);
}

int32 PLWorkspaceMenu::Workspace()
{
	BMenuItem* marked = FindMarked();
	if (marked == NULL)
		return -1;
	return IndexOf(marked) - 1;
}

void PLWorkspaceMenu::SetTarget(BHandler* target)
{
	fTarget = target;
}

bool PLWorkspaceMenu::AddDynamicItem(add_state state)
{
	if (state != B_INITIAL_ADD)
		return false;

	if (CountItems() != count_workspaces() + 1)
		UpdateItems();

	SetTargetForItems(fTarget);
	return false;
}

void PLWorkspaceMenu::_MarkIndex(int32 index)
{
	// The workspace that was chosen may be gone now: the replicant then shows
	// everywhere rather than nowhere.
	BMenuItem* item = ItemAt(index);
	if (item == NULL)
		item = ItemAt(0);
	if (item != NULL)
		item->SetMarked(true);
}
