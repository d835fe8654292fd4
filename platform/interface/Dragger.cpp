// BDragger: the replicant handle, its pop-up menu, its archive and the drag
// that carries its target out of the window.

#include <Dragger.h>

#include <AppDefs.h>
#include <Bitmap.h>
#include <MenuItem.h>
#include <Message.h>
#include <Messenger.h>
#include <PopUpMenu.h>
#include <Window.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "display/DisplayBackend.h"
#include "interface/DraggersDrawnFile.h"
#include "support/ClassRegistry.h"

static BPrivate::InstantiationRegistrar sRegistrar("BDragger", &BDragger::Instantiate);

// The "Remove Replicant" item's command; a shelf's filter on the replicant
// turns it into the replicant's removal.
static const uint32 kDeleteReplicant = 'JAHA';
// Posted to every attached dragger when the "show replicants" switch flips.
static const uint32 kMsgDraggersDrawnChanged = '_SDH';

// A press becomes a drag when the pointer moves this far (pixels) before the
// double-click time is over.
static const float kDragSlop = 4.0f;

static const int32 kHandleSize = 8;

// #pragma mark - the process-wide switch

namespace {

// The attached draggers, by the messenger that reaches them in their window.
struct DraggerList {
	std::mutex lock;
	bool drawn = true; // guarded by lock
	std::vector<std::pair<const BDragger*, BMessenger>> draggers;
};

void heard_draggers_drawn(bool drawn);

// The switch is the user's, for every program: what the display holds now,
// else what the last session left in the file, else shown.
DraggerList* make_dragger_list()
{
	DraggerList* list = new DraggerList;
	// Heard before it is read, so that no change falls between the two.
	BPrivate::set_draggers_drawn_hook(&heard_draggers_drawn);
	bool drawn = true;
	BPrivate::DisplayBackend* backend = BPrivate::display_backend();
	if (backend == NULL || !backend->GetDraggersDrawn(&drawn)) {
		if (!BPrivate::read_saved_draggers_drawn(&drawn))
			drawn = true;
	}
	list->drawn = drawn;
	return list;
}

DraggerList& dragger_list()
{
	static DraggerList* list = make_dragger_list(); // lives as long as the process
	return *list;
}

// This process's draggers follow |drawn|.
void apply_draggers_drawn(bool drawn)
{
	DraggerList& list = dragger_list();
	std::vector<BMessenger> targets;
	{
		std::lock_guard<std::mutex> guard(list.lock);
		if (list.drawn == drawn)
			return;
		list.drawn = drawn;
		for (auto& entry : list.draggers)
			targets.push_back(entry.second);
	}
	// Each dragger applies the switch in its own window's thread.
	for (const BMessenger& target : targets)
		target.SendMessage(kMsgDraggersDrawnChanged);
}

// Another program (or this one) switched: from the display's event thread.
void heard_draggers_drawn(bool drawn)
{
	apply_draggers_drawn(drawn);
}

status_t set_draggers_drawn(bool drawn)
{
	apply_draggers_drawn(drawn);
	// Every other program hears it from the display; the next session from
	// the file.
	BPrivate::DisplayBackend* backend = BPrivate::display_backend();
	if (backend != NULL)
		backend->SetDraggersDrawn(drawn);
	BPrivate::save_draggers_drawn(drawn);
	return B_OK;
}

} // namespace

status_t BDragger::ShowAllDraggers()
{
	return set_draggers_drawn(true);
}

status_t BDragger::HideAllDraggers()
{
	return set_draggers_drawn(false);
}

bool BDragger::AreDraggersDrawn()
{
	DraggerList& list = dragger_list();
	std::lock_guard<std::mutex> guard(list.lock);
	return list.drawn;
}

// #pragma mark - the handle's picture

// A grip in the lower right triangle of the 8 x 8 frame: light, dark edged
// and crossed by a dark line, so that it shows on light and dark pictures
// alike; the upper left triangle is left clear so the target shows through. B_RGBA32, not
// premultiplied.
static BBitmap* make_handle_bitmap()
{
	BBitmap* bitmap = new BBitmap(BRect(0, 0, kHandleSize - 1, kHandleSize - 1), B_RGBA32);
	if (bitmap->InitCheck() != B_OK) {
		delete bitmap;
		return NULL;
	}
	const uint8 dark[4] = {0x30, 0x30, 0x30, 0xff}; // B, G, R, A
	const uint8 light[4] = {0xe8, 0xe8, 0xe8, 0xff};
	const uint8 clear[4] = {0, 0, 0, 0};
	uint8* bits = static_cast<uint8*>(bitmap->Bits());
	for (int32 y = 0; y < kHandleSize; y++) {
		uint8* row = bits + y * bitmap->BytesPerRow();
		for (int32 x = 0; x < kHandleSize; x++) {
			const uint8* color = clear;
			int32 diagonal = x + y;
			if (diagonal >= kHandleSize - 1) {
				bool edge =
				    diagonal == kHandleSize - 1 || x == kHandleSize - 1 || y == kHandleSize - 1;
				color = edge || diagonal % 3 == 1 ? dark : light;
			}
			memcpy(row + x * 4, color, 4);
		}
	}
	return bitmap;
}

// #pragma mark - life

BDragger::BDragger(BRect frame, BView* target, uint32 resizingMode, uint32 flags)
    : BView(frame, "_dragger_", resizingMode, flags), fTarget(target), fRelation(TARGET_UNKNOWN),
      fPopUp(NULL)
{
	_InitData();
}

BDragger::BDragger(BMessage* archive)
    : BView(archive), fTarget(NULL), fRelation(TARGET_UNKNOWN), fPopUp(NULL)
{
	_InitData();
	if (archive == NULL)
		return;
	int32 relation;
	if (archive->FindInt32("_rel", &relation) == B_OK && relation >= TARGET_UNKNOWN &&
	    relation <= DRAG_UNKNOWN)
		fRelation = static_cast<enum relation>(relation);

	BMessage popUpArchive;
	if (archive->FindMessage("_popup", &popUpArchive) == B_OK) {
		BArchivable* object = instantiate_object(&popUpArchive);
		fPopUp = dynamic_cast<BPopUpMenu*>(object);
		if (fPopUp == NULL)
			delete object;
	}
}

BDragger::~BDragger()
{
	delete fPopUp;
	delete fBitmap;
}

void BDragger::_InitData()
{
	fBitmap = make_handle_bitmap();
	fTracking = false;
	fPressTime = 0;
	// Only the handle's own pixels are painted; the target shows around them.
	SetFlags(Flags() | B_TRANSPARENT_BACKGROUND);
	SetViewColor(B_TRANSPARENT_COLOR);
	SetLowColor(B_TRANSPARENT_COLOR);
}

BArchivable* BDragger::Instantiate(BMessage* archive)
{
	if (!validate_instantiation(archive, "BDragger"))
		return NULL;
	return new BDragger(archive);
}

status_t BDragger::Archive(BMessage* archive, bool deep) const
{
	status_t status = BView::Archive(archive, deep);
	if (status != B_OK)
		return status;
	// The pop-up as it is, the default one included once PopUp() built it.
	if (fPopUp != NULL) {
		BMessage popUpArchive;
		status = fPopUp->Archive(&popUpArchive, deep);
		if (status == B_OK)
			status = archive->AddMessage("_popup", &popUpArchive);
		if (status != B_OK)
			return status;
	}
	// A dragger archived before it was ever attached still says where its
	// target is, from the tree as it stands.
	relation rel = fRelation;
	if (rel == TARGET_UNKNOWN && fTarget != NULL)
		rel = _RelationTo(fTarget);
	return archive->AddInt32("_rel", rel);
}

// #pragma mark - target

BDragger::relation BDragger::_RelationTo(const BView* target) const
{
	if (target == NULL)
		return TARGET_UNKNOWN;
	if (target == Parent())
		return TARGET_IS_PARENT;
	if (target == ChildAt(0))
		return TARGET_IS_CHILD;
	return TARGET_IS_SIBLING;
}

// The target as the tree says it is now. A sibling is trusted only while it
// still is one, so a dragger never reaches for a sibling that was removed.
BView* BDragger::_ResolvedTarget() const
{
	switch (fRelation) {
		case TARGET_IS_PARENT:
			return Parent();
		case TARGET_IS_CHILD:
			return ChildAt(0);
		case TARGET_IS_SIBLING:
			for (BView* view = PreviousSibling(); view != NULL; view = view->PreviousSibling()) {
				if (view == fTarget)
					return fTarget;
			}
			for (BView* view = NextSibling(); view != NULL; view = view->NextSibling()) {
				if (view == fTarget)
					return fTarget;
			}
			return NULL;
		default:
			return fTarget;
	}
}

BView* BDragger::Target() const
{
	return _ResolvedTarget();
}

void BDragger::AttachedToWindow()
{
	if (fTarget != NULL)
		fRelation = _RelationTo(fTarget);
	else if (fRelation == TARGET_IS_PARENT)
		fTarget = Parent();
	else if (fRelation == TARGET_IS_CHILD)
		fTarget = ChildAt(0);

	// A handle outside its parent target's bounds goes to the bottom right
	// corner, where it can be seen.
	if (fRelation == TARGET_IS_PARENT && Parent() != NULL) {
		BRect bounds = Parent()->Bounds();
		BRect frame = Frame();
		if (!bounds.Contains(frame))
			MoveTo(bounds.right - frame.Width(), bounds.bottom - frame.Height());
	}

	DraggerList& list = dragger_list();
	{
		std::lock_guard<std::mutex> guard(list.lock);
		list.draggers.emplace_back(this, BMessenger(this));
	}
	_ApplyDraggersDrawn();
}

void BDragger::DetachedFromWindow()
{
	DraggerList& list = dragger_list();
	std::lock_guard<std::mutex> guard(list.lock);
	auto& draggers = list.draggers;
	draggers.erase(std::remove_if(draggers.begin(), draggers.end(),
	                              [this](const auto& entry) { return entry.first == this; }),
	               draggers.end());
	fTracking = false;
}

// With handles off, a dragger hides itself, unless it is the parent of its
// target (hiding it would hide the target too): then it only stops drawing.
void BDragger::_ApplyDraggersDrawn()
{
	bool drawn = AreDraggersDrawn();
	if (fRelation == TARGET_IS_CHILD) {
		Invalidate();
		return;
	}
	if (drawn && IsHidden(this))
		Show();
	else if (!drawn && !IsHidden(this))
		Hide();
}

// #pragma mark - drawing

void BDragger::Draw(BRect /*updateRect*/)
{
	if (!AreDraggersDrawn() || fBitmap == NULL)
		return;
	BRect bounds = Bounds();
	BPoint where(bounds.right - (kHandleSize - 1), bounds.bottom - (kHandleSize - 1));
	// B_RGBA32 goes over what the target drew.
	DrawBitmap(fBitmap, where);
}

// #pragma mark - pop-up

void BDragger::_BuildDefaultPopUp() const
{
	BView* target = _ResolvedTarget();
	if (target == NULL)
		return;
	BPopUpMenu* menu = new BPopUpMenu("Shelf", false, false, B_ITEMS_IN_COLUMN);
	BMessage* about = new BMessage(B_ABOUT_REQUESTED);
	const char* name = target->Name();
	if (name != NULL)
		about->AddString("target", name);
	std::string label = "About ";
	label += name != NULL ? name : "";
	label += "\xe2\x80\xa6"; // the ellipsis
	menu->AddItem(new BMenuItem(label.c_str(), about));
	menu->AddSeparatorItem();
	menu->AddItem(new BMenuItem("Remove Replicant", new BMessage(kDeleteReplicant)));
	fPopUp = menu;
}

BPopUpMenu* BDragger::PopUp() const
{
	if (fPopUp == NULL)
		_BuildDefaultPopUp();
	return fPopUp;
}

status_t BDragger::SetPopUp(BPopUpMenu* menu)
{
	if (menu == fPopUp)
		return B_OK;
	delete fPopUp;
	fPopUp = menu;
	return B_OK;
}

void BDragger::_ShowPopUp(BPoint where)
{
	BView* target = _ResolvedTarget();
	BPopUpMenu* menu = PopUp();
	if (target == NULL || menu == NULL)
		return;
	// The items speak to the target, wherever the menu came from (an archive
	// restores them without one).
	menu->SetTargetForItems(target);
	BPoint screenWhere = ConvertToScreen(where);
	// Released near the press, the menu stays open for a click. The dragger
	// keeps the menu: it is not deleted when it closes.
	BRect clickToOpen(screenWhere.x - 2, screenWhere.y - 2, screenWhere.x + 2, screenWhere.y + 2);
	menu->Go(screenWhere, true, false, clickToOpen, true);
}

// #pragma mark - input

void BDragger::MouseDown(BPoint where)
{
	BWindow* window = Window();
	BMessage* event = window != NULL ? window->CurrentMessage() : NULL;
	if (event == NULL || _ResolvedTarget() == NULL || !AreDraggersDrawn())
		return;
	int32 buttons = 0;
	event->FindInt32("buttons", &buttons);
	if ((buttons & B_SECONDARY_MOUSE_BUTTON) != 0) {
		_ShowPopUp(where);
		return;
	}
	if ((buttons & B_PRIMARY_MOUSE_BUTTON) == 0)
		return;
	fTracking = true;
	fPressWhere = ConvertToScreen(where);
	fPressTime = event->GetInt64("when", system_time());
	SetMouseEventMask(B_POINTER_EVENTS, B_NO_POINTER_HISTORY);
}

void BDragger::MouseMoved(BPoint where, uint32 /*transit*/, const BMessage* /*dragMessage*/)
{
	if (!fTracking)
		return;
	BMessage* event = Window()->CurrentMessage();
	int32 buttons = 0;
	if (event != NULL)
		event->FindInt32("buttons", &buttons);
	bigtime_t when = event != NULL ? event->GetInt64("when", system_time()) : system_time();
	bigtime_t clickSpeed = 0;
	get_click_speed(&clickSpeed);
	if ((buttons & B_PRIMARY_MOUSE_BUTTON) == 0 || when - fPressTime > clickSpeed) {
		// Held still too long: a click, not a drag.
		fTracking = false;
		return;
	}
	BPoint delta = ConvertToScreen(where) - fPressWhere;
	if (fabsf(delta.x) < kDragSlop && fabsf(delta.y) < kDragSlop)
		return;
	fTracking = false;
	_StartDrag();
}

void BDragger::MouseUp(BPoint /*where*/)
{
	fTracking = false;
}

// What the drag carries: the target archived deep, as the one object a drop
// instantiates; for a sibling target the dragger rides along in "__widget".
status_t BDragger::_ArchiveForDrag(BMessage* archive) const
{
	BView* target = _ResolvedTarget();
	if (target == NULL)
		return B_NO_INIT;
	archive->what = B_ARCHIVED_OBJECT;
	status_t status;
	if (fRelation == TARGET_IS_CHILD)
		status = Archive(archive, true);
	else
		status = target->Archive(archive, true);
	if (status == B_OK && fRelation == TARGET_IS_SIBLING) {
		BMessage widget(B_ARCHIVED_OBJECT);
		status = Archive(&widget, true);
		if (status == B_OK)
			status = archive->AddMessage("__widget", &widget);
	}
	if (status == B_OK)
		status = archive->AddInt32("be:actions", B_TRASH_TARGET);
	return status;
}

void BDragger::_StartDrag()
{
	BMessage archive(B_ARCHIVED_OBJECT);
	status_t status = _ArchiveForDrag(&archive);
	if (status != B_OK) {
		fprintf(stderr, "BDragger: the target could not be archived (0x%08x)\n",
		        static_cast<unsigned>(status));
		return;
	}
	// Shown as the target's outline.
	BView* target = _ResolvedTarget();
	BRect outline = ConvertFromScreen(target->ConvertToScreen(target->Bounds()));
	DragMessage(&archive, outline, this);
}

void BDragger::MessageReceived(BMessage* message)
{
	switch (message->what) {
		case kMsgDraggersDrawnChanged:
			_ApplyDraggersDrawn();
			break;
		default:
			BView::MessageReceived(message);
			break;
	}
}
