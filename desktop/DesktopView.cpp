#include "desktop/DesktopView.h"

#include <Application.h>
#include <Dragger.h>
#include <Entry.h>
#include <Font.h>
#include <Bitmap.h>
#include <MenuItem.h>
#include <Message.h>
#include <Node.h>
#include <NodeInfo.h>
#include <NodeMonitor.h>
#include <PopUpMenu.h>
#include <Shelf.h>
#include <Roster.h>
#include <Window.h>

#include <math.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "desktop/DesktopFolder.h"
#include "desktop/IconTheme.h"

extern char** environ;

// Haiku's desktop blue.
const rgb_color DesktopView::kBackground = {51, 102, 152, 255};

// The icon grid: cells from the top left, filling each column downwards
// before the next, as file managers' desktops do.
static const float kCellWidth = 96;
static const float kCellHeight = 72;
static const float kMargin = 8;
static const float kIconSize = 32;

DesktopView::DesktopView(BRect frame, const std::string& shelfPath, const std::string& folder,
                         IconTheme* theme)
    : BView(frame, "Desktop", B_FOLLOW_ALL_SIDES, B_WILL_DRAW | B_DRAW_ON_CHILDREN),
      fShelf(NULL), fFolder(folder), fTheme(theme != NULL ? theme : new IconTheme(kIconSize)),
      fSelection(-1), fWatching(false),
      fFolderNode(0), fParentNode(0), fRescanPosted(false)
{
	SetViewColor(kBackground);
	Rescan();
	entry_ref ref;
	if (!shelfPath.empty() && get_ref_for_path(shelfPath.c_str(), &ref) == B_OK)
		fShelf = new BShelf(&ref, this, true, "DesktopShelf");
	else
		fShelf = new BShelf(this, true, "DesktopShelf");
}

DesktopView::~DesktopView()
{
	// The shelf saves what is shelved now, while the replicants still live.
	delete fShelf;
	delete fTheme;
}

BPopUpMenu* DesktopView::MakeContextMenu()
{
	BPopUpMenu* menu = new BPopUpMenu("Desktop", false, false);
	BMenuItem* show = new BMenuItem("Show Replicants", new BMessage(kMsgShowReplicants));
	show->SetMarked(BDragger::AreDraggersDrawn());
	menu->AddItem(show);
	BMenuItem* folder = new BMenuItem("Open Desktop Folder", new BMessage(kMsgOpenFolder));
	folder->SetEnabled(!fFolder.empty());
	menu->AddItem(folder);
	menu->AddSeparatorItem();
	menu->AddItem(new BMenuItem("About", new BMessage(B_ABOUT_REQUESTED)));
	menu->AddItem(new BMenuItem("Quit", new BMessage(B_QUIT_REQUESTED)));
	// The switch and the folder are this view's; About and Quit are the
	// application's.
	show->SetTarget(this);
	folder->SetTarget(this);
	for (int32 i = 2; i < menu->CountItems(); i++) {
		if (BMenuItem* item = menu->ItemAt(i))
			item->SetTarget(be_app);
	}
	return menu;
}

void DesktopView::AttachedToWindow()
{
	BView::AttachedToWindow();
	_WatchFolder();
	// What came while nobody listened.
	Rescan();
}

void DesktopView::DetachedFromWindow()
{
	if (fWatching)
		stop_watching(this);
	fWatching = false;
	BView::DetachedFromWindow();
}

void DesktopView::_WatchFolder()
{
	if (fWatching || fFolder.empty() || Looper() == NULL)
		return;
	// The folder's parent tells when the folder itself comes, goes or is
	// renamed (a directory's own removal is not told while it is watched).
	BEntry parent(fFolder.substr(0, fFolder.rfind('/')).c_str());
	node_ref node;
	fParentNode = 0;
	if (parent.GetNodeRef(&node) == B_OK && watch_node(&node, B_WATCH_DIRECTORY, this) == B_OK)
		fParentNode = node.node;
	fFolderNode = 0;
	BEntry entry(fFolder.c_str());
	if (entry.GetNodeRef(&node) == B_OK && watch_node(&node, B_WATCH_DIRECTORY, this) == B_OK)
		fFolderNode = node.node;
	fWatching = fParentNode != 0 || fFolderNode != 0;
}

void DesktopView::_HandleNodeMonitor(BMessage* message)
{
	int64 directory = message->GetInt64("directory", -1);
	int64 from = message->GetInt64("from directory", -1);
	int64 to = message->GetInt64("to directory", -1);
	if (fParentNode != 0 &&
	    (directory == (int64) fParentNode || from == (int64) fParentNode ||
	     to == (int64) fParentNode)) {
		// Beside the folder only the folder itself matters.
		std::string leaf = fFolder.substr(fFolder.rfind('/') + 1);
		if (leaf != message->GetString("name", "") && leaf != message->GetString("from name", ""))
			return;
		stop_watching(this);
		fWatching = false;
		_WatchFolder();
	}
	if (!fRescanPosted && Looper() != NULL) {
		fRescanPosted = true;
		Looper()->PostMessage(kMsgRescan, this);
	}
}

void DesktopView::Rescan()
{
	std::string selected = fSelection >= 0 ? fNames[fSelection] : std::string();
	fNames = desktop_entries(fFolder);
	fIcons.clear();
	for (const std::string& name : fNames)
		fIcons.push_back(fTheme->IconFor(_TypeOf(name)));
	fSelection = -1;
	for (int32 i = 0; i < CountIcons() && !selected.empty(); i++) {
		if (fNames[i] == selected)
			fSelection = i;
	}
	Invalidate();
}

BRect DesktopView::IconCell(int32 index) const
{
	int32 rows = (int32) ((Bounds().Height() + 1 - kMargin) / kCellHeight);
	if (rows < 1)
		rows = 1;
	float left = kMargin + (index / rows) * kCellWidth;
	float top = kMargin + (index % rows) * kCellHeight;
	return BRect(left, top, left + kCellWidth - 1, top + kCellHeight - 1);
}

int32 DesktopView::_IconAt(BPoint where) const
{
	for (int32 i = 0; i < CountIcons(); i++) {
		BRect cell = IconCell(i);
		// The icon and its name, not the space around them.
		cell.InsetBy(4, 2);
		if (cell.Contains(where))
			return i;
	}
	return -1;
}

void DesktopView::_Select(int32 index)
{
	if (index == fSelection)
		return;
	if (fSelection >= 0)
		Invalidate(IconCell(fSelection));
	fSelection = index;
	if (index >= 0)
		Invalidate(IconCell(index));
}

void DesktopView::_Open(int32 index)
{
	std::string path = fFolder + "/" + fNames[index];
	entry_ref ref;
	if (get_ref_for_path(path.c_str(), &ref) != B_OK)
		return;
	// An application of ours that supports the file's type gets it; anything
	// else goes to the desktop's usual opener.
	if (be_roster->Launch(&ref) == B_OK)
		return;
	_XdgOpen(path);
}

void DesktopView::_XdgOpen(const std::string& path)
{
	// Openers that ended since the last time are reaped, not left as zombies.
	for (size_t i = 0; i < fOpeners.size();) {
		if (waitpid(fOpeners[i], NULL, WNOHANG) != 0)
			fOpeners.erase(fOpeners.begin() + i);
		else
			i++;
	}
	const char* argv[] = {"xdg-open", path.c_str(), NULL};
	pid_t child;
	if (posix_spawnp(&child, "xdg-open", NULL, NULL, const_cast<char* const*>(argv), environ) == 0)
		fOpeners.push_back(child);
}

void DesktopView::Draw(BRect updateRect)
{
	// Only what lies over the background: the platform paints the view
	// colour, and a locked replicant asks for this over its own area.
	for (int32 i = 0; i < CountIcons(); i++) {
		if (IconCell(i).Intersects(updateRect))
			_DrawIcon(i);
	}
}

void DesktopView::DrawAfterChildren(BRect updateRect)
{
	// Icons stay over the replicants; those under none were drawn already.
	for (int32 i = 0; i < CountIcons(); i++) {
		BRect cell = IconCell(i);
		if (!cell.Intersects(updateRect))
			continue;
		for (int32 c = 0; BView* child = ChildAt(c); c++) {
			if (!child->IsHidden() && child->Frame().Intersects(cell)) {
				_DrawIcon(i);
				break;
			}
		}
	}
}

std::string DesktopView::_TypeOf(const std::string& name) const
{
	std::string path = fFolder + "/" + name;
	struct stat st;
	if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
		return "inode/directory";
	BNode node(path.c_str());
	BNodeInfo info(&node);
	char type[B_MIME_TYPE_LENGTH];
	if (node.InitCheck() != B_OK || info.GetType(type) != B_OK)
		return "application/octet-stream";
	return type;
}

void DesktopView::_DrawIcon(int32 index)
{
	BRect cell = IconCell(index);
	float left = floorf(cell.left + (cell.Width() - kIconSize) / 2);
	BRect icon(left, cell.top + 4, left + kIconSize - 1, cell.top + 4 + kIconSize - 1);

	if (const BBitmap* bitmap = fIcons[index]) {
		// The theme's picture, scaled to the cell; its transparent parts
		// show what lies under it.
		DrawBitmap(bitmap, bitmap->Bounds(), icon);
	} else {
		// A built-in generic document: a sheet with its corner turned.
		BRect sheet(icon.left + 4, icon.top, icon.right - 4, icon.bottom);
		SetHighColor(248, 248, 244);
		FillRect(sheet);
		SetHighColor(40, 40, 48);
		StrokeRect(sheet);
		StrokeLine(BPoint(sheet.right - 7, sheet.top), BPoint(sheet.right - 7, sheet.top + 7));
		StrokeLine(BPoint(sheet.right - 7, sheet.top + 7), BPoint(sheet.right, sheet.top + 7));
	}
	if (index == fSelection) {
		SetHighColor(80, 140, 220);
		StrokeRect(icon.InsetByCopy(-2, -2));
	}

	// The name, cut to the cell's width.
	std::string name = fNames[index];
	float room = cell.Width() - 4;
	if (StringWidth(name.c_str()) > room) {
		while (!name.empty() && StringWidth((name + "...").c_str()) > room)
			name.pop_back();
		name += "...";
	}
	font_height height;
	GetFontHeight(&height);
	float width = StringWidth(name.c_str());
	float x = floorf(cell.left + (cell.Width() - width) / 2);
	float baseline = icon.bottom + 4 + ceilf(height.ascent);
	BRect label(x - 2, icon.bottom + 3, x + width + 1,
	            baseline + ceilf(height.descent) + 1);
	if (index == fSelection) {
		SetHighColor(80, 140, 220);
		FillRect(label);
	} else {
		// A shade under the name keeps it legible on any wallpaper.
		SetHighColor(0, 0, 0);
		DrawString(name.c_str(), BPoint(x + 1, baseline + 1));
	}
	SetHighColor(255, 255, 255);
	DrawString(name.c_str(), BPoint(x, baseline));
}

void DesktopView::MouseDown(BPoint where)
{
	BMessage* message = Window() != NULL ? Window()->CurrentMessage() : NULL;
	int32 buttons = 0;
	int32 clicks = 1;
	if (message != NULL) {
		message->FindInt32("buttons", &buttons);
		message->FindInt32("clicks", &clicks);
	}
	if ((buttons & B_PRIMARY_MOUSE_BUTTON) != 0) {
		int32 icon = _IconAt(where);
		_Select(icon);
		if (icon >= 0 && clicks >= 2)
			_Open(icon);
		return;
	}
	if ((buttons & B_SECONDARY_MOUSE_BUTTON) == 0)
		return;
	BPopUpMenu* menu = MakeContextMenu();
	menu->SetAsyncAutoDestruct(true);
	BPoint screen = ConvertToScreen(where);
	menu->Go(screen, true, false, BRect(screen - BPoint(2, 2), screen + BPoint(2, 2)), true);
}

void DesktopView::MessageReceived(BMessage* message)
{
	switch (message->what) {
		case kMsgOpenFolder:
			if (!fFolder.empty()) {
				// Made when missing, as file managers do for their desktop.
				mkdir(fFolder.c_str(), 0755);
				_WatchFolder();
				_XdgOpen(fFolder);
			}
			break;
		case B_NODE_MONITOR:
			_HandleNodeMonitor(message);
			break;
		case kMsgRescan:
			fRescanPosted = false;
			Rescan();
			break;
		case kMsgShowReplicants:
			if (BDragger::AreDraggersDrawn())
				BDragger::HideAllDraggers();
			else
				BDragger::ShowAllDraggers();
			break;
		default:
			BView::MessageReceived(message);
			break;
	}
}
