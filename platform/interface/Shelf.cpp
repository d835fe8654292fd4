// BShelf: replicants on a container view, dropped or added, moved, removed
// and kept in a file across runs.

#include <Shelf.h>

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <DataIO.h>
#include <Dragger.h>
#include <Entry.h>
#include <Looper.h>
#include <Message.h>
#include <MessageFilter.h>
#include <MessageRunner.h>
#include <Messenger.h>
#include <Path.h>
#include <View.h>

#include "interface/ShelfFile.h"
#include "storage/AtomicFile.h"

// The dragger's "Remove Replicant".
static const uint32 kDeleteReplicant = 'JAHA';
// The replicant filter hands the removal to the shelf, so that the view is
// not deleted while its own filter runs.
static const uint32 kMsgRemoveReplicant = '_SRR';
// A replicant changes its own state on input (a zoom, a scroll, its lock):
// the shelf saves a while after the first such input, so that a burst of it
// makes one write and a crash loses at most that while.
static const uint32 kMsgSaveChanges = '_SSC';
static const bigtime_t kSaveDelay = 1500000;

// What the user gives a replicant: input, and the commands of its menus
// (an invoked item adds "source"). Pointer motion without a button held
// changes nothing a replicant keeps.
static bool is_user_input(const BMessage* message)
{
	switch (message->what) {
		case B_MOUSE_DOWN:
		case B_MOUSE_UP:
		case B_MOUSE_WHEEL_CHANGED:
		case B_KEY_DOWN:
		case B_KEY_UP:
		case B_UNMAPPED_KEY_DOWN:
			return true;
		case B_MOUSE_MOVED:
			return message->GetInt32("buttons", 0) != 0;
		default:
			return message->HasPointer("source");
	}
}

namespace BPrivate {

// On the container: drops of archived objects.
class ShelfContainerFilter : public BMessageFilter {
public:
	ShelfContainerFilter(BShelf* shelf)
	    : BMessageFilter(B_DROPPED_DELIVERY, B_ANY_SOURCE, B_ARCHIVED_OBJECT), fShelf(shelf)
	{
	}
	~ShelfContainerFilter() override
	{
		if (fShelf != NULL)
			fShelf->_ContainerGone();
	}
	filter_result Filter(BMessage* message, BHandler** /*target*/) override
	{
		if (fShelf == NULL)
			return B_DISPATCH_MESSAGE;
		fShelf->_HandleDrop(message);
		return B_SKIP_MESSAGE;
	}

	BShelf* fShelf; // NULL once the shelf let go of the container
};

// On each replicant and its handle: the user's input, after which the shelf
// saves soon; the dragger's "Remove Replicant"; and drops, which land on the
// shelf as if the replicant were not there (a replicant moved a little is
// dropped on itself).
class ShelfReplicantFilter : public BMessageFilter {
public:
	ShelfReplicantFilter(BShelf* shelf, BView* replicant, uint32 uniqueID, bool onDragger = false)
	    : BMessageFilter(B_ANY_DELIVERY, B_ANY_SOURCE), fShelf(shelf), fReplicant(replicant),
	      fUniqueID(uniqueID), fOnDragger(onDragger)
	{
	}
	~ShelfReplicantFilter() override
	{
		if (fShelf != NULL && !fOnDragger)
			fShelf->_Forget(fReplicant);
	}
	filter_result Filter(BMessage* message, BHandler** /*target*/) override
	{
		if (fShelf == NULL)
			return B_DISPATCH_MESSAGE;
		if (is_user_input(message))
			fShelf->_NoteInput();
		if (message->what == B_ARCHIVED_OBJECT && message->WasDropped()) {
			fShelf->_HandleDrop(message);
			return B_SKIP_MESSAGE;
		}
		// On the handle: another shelf took the replicant and asks that this
		// copy go (the answer to the handle's drag).
		bool taken = fOnDragger && message->what == B_TRASH_TARGET && message->IsReply();
		if (message->what != kDeleteReplicant && !taken)
			return B_DISPATCH_MESSAGE;
		fShelf->_EnsureHandler();
		if (fShelf->Looper() != NULL) {
			BMessage remove(kMsgRemoveReplicant);
			remove.AddInt32("uniqueid", static_cast<int32>(fUniqueID));
			fShelf->Looper()->PostMessage(&remove, fShelf);
		}
		return B_SKIP_MESSAGE;
	}

	BShelf* fShelf; // NULL once the shelf deleted the replicant itself
	const BView* fReplicant;
	uint32 fUniqueID;
	bool fOnDragger; // on the replicant's handle, not on its view
};

} // namespace BPrivate

using BPrivate::ShelfContainerFilter;
using BPrivate::ShelfReplicantFilter;

// #pragma mark - reading the file

static status_t read_bounded(BDataIO* stream, std::string* bytes)
{
	bytes->clear();
	char buffer[65536];
	while (bytes->size() <= BPrivate::kMaxShelfFileSize) {
		ssize_t got = stream->Read(buffer, sizeof(buffer));
		if (got < 0)
			return static_cast<status_t>(got);
		if (got == 0)
			break;
		bytes->append(buffer, static_cast<size_t>(got));
	}
	return B_OK;
}

static status_t read_file(const std::string& path, std::string* bytes)
{
	int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
	if (fd < 0)
		return errno == ENOENT ? static_cast<status_t>(B_ENTRY_NOT_FOUND) : B_IO_ERROR;
	bytes->clear();
	char buffer[65536];
	status_t status = B_OK;
	while (bytes->size() <= BPrivate::kMaxShelfFileSize) {
		ssize_t got = read(fd, buffer, sizeof(buffer));
		if (got < 0 && errno == EINTR)
			continue;
		if (got < 0)
			status = B_IO_ERROR;
		if (got <= 0)
			break;
		bytes->append(buffer, static_cast<size_t>(got));
	}
	close(fd);
	return status;
}

// #pragma mark - life

BShelf::BShelf(BView* view, bool allowDrags, const char* shelfType)
    : BHandler(shelfType), fStream(NULL)
{
	_Init(view, allowDrags, shelfType);
}

BShelf::BShelf(const entry_ref* ref, BView* view, bool allowDrags, const char* shelfType)
    : BHandler(shelfType), fStream(NULL)
{
	_Init(view, allowDrags, shelfType);
	BPath path(ref);
	if (ref != NULL && path.InitCheck() == B_OK)
		fPath = path.Path();
	_Load();
}

BShelf::BShelf(BDataIO* stream, BView* view, bool allowDrags, const char* shelfType)
    : BHandler(shelfType), fStream(stream)
{
	_Init(view, allowDrags, shelfType);
	_Load();
}

void BShelf::_Init(BView* view, bool allowDrags, const char* shelfType)
{
	fContainer = view;
	fContainerFilter = NULL;
	fType = shelfType != NULL ? shelfType : "";
	fNextID = 1;
	fSaveRunner = NULL;
	fAllowDragging = allowDrags;
	fDirty = false;
	if (fContainer != NULL) {
		fContainerFilter = new ShelfContainerFilter(this);
		fContainer->AddFilter(fContainerFilter);
	}
	_EnsureHandler();
}

BShelf::~BShelf()
{
	delete fSaveRunner;
	fSaveRunner = NULL;
	// Replicants change without telling (a zoom, a scroll): what they are
	// now is saved, unless the container, and they with it, is gone.
	if (fContainer != NULL)
		Save();
	for (Replicant& replicant : fReplicants) {
		replicant.view->RemoveSelf();
		if (replicant.draggerIsSibling)
			replicant.dragger->RemoveSelf();
	}
	std::vector<Replicant> replicants;
	replicants.swap(fReplicants);
	for (Replicant& replicant : replicants) {
		delete replicant.view;
		if (replicant.draggerIsSibling)
			delete replicant.dragger;
		delete replicant.archive;
	}
	if (fContainer != NULL && fContainerFilter != NULL) {
		fContainer->RemoveFilter(fContainerFilter);
		fContainerFilter->fShelf = NULL;
		delete fContainerFilter;
	}
	if (Looper() != NULL)
		Looper()->RemoveHandler(this);
}

// The shelf answers its filters' messages in the container's looper.
void BShelf::_EnsureHandler()
{
	if (Looper() == NULL && fContainer != NULL && fContainer->Looper() != NULL)
		fContainer->Looper()->AddHandler(this);
}

void BShelf::_ContainerGone()
{
	fContainer = NULL;
	fContainerFilter = NULL;
	for (Replicant& replicant : fReplicants)
		delete replicant.archive;
	fReplicants.clear();
}

void BShelf::_Forget(const BView* view)
{
	for (size_t i = 0; i < fReplicants.size(); i++) {
		if (fReplicants[i].view == view) {
			delete fReplicants[i].archive;
			fReplicants.erase(fReplicants.begin() + i);
			return;
		}
	}
}

void BShelf::MessageReceived(BMessage* message)
{
	switch (message->what) {
		case kMsgRemoveReplicant: {
			int32 uniqueID;
			if (message->FindInt32("uniqueid", &uniqueID) == B_OK)
				DeleteReplicant(static_cast<uint32>(uniqueID));
			break;
		}
		case kMsgSaveChanges:
			delete fSaveRunner;
			fSaveRunner = NULL;
			if (IsDirty())
				_Changed();
			break;
		default:
			BHandler::MessageReceived(message);
			break;
	}
}

void BShelf::_NoteInput()
{
	SetDirty(true);
	if (fSaveRunner != NULL || (fPath.empty() && fStream == NULL))
		return;
	_EnsureHandler();
	if (Looper() == NULL)
		return;
	BMessage save(kMsgSaveChanges);
	fSaveRunner = new BMessageRunner(BMessenger(this), &save, kSaveDelay, 1);
	if (fSaveRunner->InitCheck() != B_OK) {
		// Without a timer the change waits for the next save.
		delete fSaveRunner;
		fSaveRunner = NULL;
	}
}

// #pragma mark - load and save

void BShelf::_Load()
{
	std::string bytes;
	status_t status;
	if (!fPath.empty())
		status = read_file(fPath, &bytes);
	else if (fStream != NULL)
		status = read_bounded(fStream, &bytes);
	else
		return;
	if (status != B_OK || bytes.empty())
		return;

	std::vector<BMessage> entries;
	if (BPrivate::read_shelf(bytes.data(), bytes.size(), &entries) != B_OK) {
		fprintf(stderr, "BShelf: the shelf file is damaged; %zu replicants could be read\n",
		        entries.size());
		// The bad file stays beside the good one for whoever wants to look.
		if (!fPath.empty()) {
			std::string copy = fPath + ".bad";
			BPrivate::write_file_atomically(copy.c_str(), bytes.data(), bytes.size(), 0600);
		}
	}
	for (BMessage& entry : entries) {
		BMessage archive;
		BPoint position;
		entry.FindMessage("message", &archive);
		entry.FindPoint("position", &position);
		uint32 uniqueID = static_cast<uint32>(entry.GetInt32("uniqueid", 0));
		if (_AddReplicant(&archive, &position, uniqueID, false) == B_NAME_NOT_FOUND)
			fZombies.push_back(entry); // its application may come back
	}
}

status_t BShelf::Save()
{
	if (fPath.empty() && fStream == NULL)
		return B_OK;
	std::vector<BMessage> entries;
	for (const Replicant& replicant : fReplicants) {
		BMessage entry(BPrivate::kShelfEntryWhat);
		BMessage archive(B_ARCHIVED_OBJECT);
		// As it is now; the archive it came from when it cannot say.
		status_t status = replicant.view->Archive(&archive, true);
		if (status == B_OK && replicant.draggerIsSibling) {
			BMessage widget(B_ARCHIVED_OBJECT);
			status = replicant.dragger->Archive(&widget, true);
			if (status == B_OK)
				status = archive.AddMessage("__widget", &widget);
		}
		if (status != B_OK)
			archive = *replicant.archive;
		entry.AddInt32("uniqueid", static_cast<int32>(replicant.uniqueID));
		entry.AddMessage("message", &archive);
		entry.AddPoint("position", replicant.view->Frame().LeftTop());
		entries.push_back(entry);
	}
	entries.insert(entries.end(), fZombies.begin(), fZombies.end());

	std::string bytes;
	status_t status = BPrivate::flatten_shelf(entries, &bytes);
	if (status == B_OK)
		status = _Write(bytes);
	if (status == B_OK)
		fDirty = false;
	return status;
}

status_t BShelf::_Write(const std::string& bytes)
{
	if (!fPath.empty())
		return BPrivate::write_file_atomically(fPath.c_str(), bytes.data(), bytes.size(), 0600);
	BPositionIO* positioned = dynamic_cast<BPositionIO*>(fStream);
	if (positioned != NULL) {
		if (positioned->Seek(0, SEEK_SET) != 0)
			return B_IO_ERROR;
		status_t status = positioned->SetSize(0);
		if (status != B_OK)
			return status;
	}
	status_t status = fStream->WriteExactly(bytes.data(), bytes.size());
	if (status == B_OK)
		status = fStream->Flush();
	return status;
}

void BShelf::_Changed()
{
	SetDirty(true);
	status_t status = Save();
	if (status != B_OK)
		fprintf(stderr, "BShelf: the replicants could not be saved (0x%08x)\n",
		        static_cast<unsigned>(status));
}

void BShelf::SetDirty(bool state)
{
	fDirty = state;
}

bool BShelf::IsDirty() const
{
	return fDirty;
}

bool BShelf::AllowsDragging() const
{
	return fAllowDragging;
}

void BShelf::SetAllowsDragging(bool state)
{
	fAllowDragging = state;
}

// #pragma mark - adding

status_t BShelf::AddReplicant(BMessage* archive, BPoint location)
{
	return _AddReplicant(archive, &location, 0, true);
}

// B_NAME_NOT_FOUND means the class is not known here: the archive is sound,
// only its code is missing.
status_t BShelf::_AddReplicant(BMessage* archive, BPoint* location, uint32 uniqueID, bool fromUser)
{
	if (archive == NULL || fContainer == NULL)
		return B_BAD_VALUE;
	if (!CanAcceptReplicantMessage(archive))
		return B_NOT_ALLOWED;
	const char* type;
	if (!fType.empty() && archive->FindString("shelf_type", &type) == B_OK && fType != type)
		return B_NOT_ALLOWED;

	BArchivable* object = instantiate_object(archive);
	if (object == NULL)
		return B_NAME_NOT_FOUND;
	BView* view = dynamic_cast<BView*>(object);
	if (view == NULL) {
		delete object;
		return B_BAD_TYPE;
	}

	// The handle: beside the view (carried in "__widget"), the view itself
	// (its target is its child), or inside it.
	BDragger* dragger = NULL;
	bool draggerIsSibling = false;
	BMessage widget;
	if (archive->FindMessage("__widget", &widget) == B_OK) {
		BArchivable* widgetObject = instantiate_object(&widget);
		dragger = dynamic_cast<BDragger*>(widgetObject);
		if (dragger == NULL)
			delete widgetObject;
		draggerIsSibling = dragger != NULL;
	} else if ((dragger = dynamic_cast<BDragger*>(view)) == NULL) {
		dragger = dynamic_cast<BDragger*>(view->FindView("_dragger_"));
	}

	BRect frame = view->Frame();
	if (!CanAcceptReplicantView(frame, view, archive)) {
		delete view;
		if (draggerIsSibling)
			delete dragger;
		return B_NOT_ALLOWED;
	}
	BPoint where = location != NULL ? *location : frame.LeftTop();
	// Where the user left it is where it comes back; only a new one is adjusted.
	if (fromUser)
		where += AdjustReplicantBy(frame, archive);
	BPoint delta = where - frame.LeftTop();
	view->MoveBy(delta.x, delta.y);
	if (draggerIsSibling)
		dragger->MoveBy(delta.x, delta.y);

	if (uniqueID == 0 || IndexOf(uniqueID) >= 0)
		uniqueID = fNextID;
	if (uniqueID >= fNextID)
		fNextID = uniqueID + 1;

	_EnsureHandler();
	fContainer->AddChild(view);
	if (draggerIsSibling)
		fContainer->AddChild(dragger);
	// After the view's own filters, as its dragger's menu speaks to the view.
	BView* menuTarget = view;
	if (dragger == view && view->ChildAt(0) != NULL)
		menuTarget = view->ChildAt(0);
	menuTarget->AddFilter(new ShelfReplicantFilter(this, view, uniqueID));
	if (dragger != NULL && dragger != menuTarget)
		dragger->AddFilter(new ShelfReplicantFilter(this, view, uniqueID, true));

	Replicant replicant;
	replicant.archive = new BMessage(*archive);
	replicant.view = view;
	replicant.dragger = dragger;
	replicant.draggerIsSibling = draggerIsSibling;
	replicant.uniqueID = uniqueID;
	fReplicants.push_back(replicant);
	if (fromUser)
		_Changed();
	return B_OK;
}

void BShelf::_HandleDrop(BMessage* message)
{
	if (!fAllowDragging || fContainer == NULL)
		return;
	BPoint offset;
	BPoint drop = message->DropPoint(&offset);
	BPoint where = fContainer->ConvertFromScreen(drop - offset);

	// One of ours, dragged by its handle within this window: it moves.
	BLooper* looper = NULL;
	BHandler* handler = message->IsSourceRemote() ? NULL : message->ReturnAddress().Target(&looper);
	BDragger* dragger = dynamic_cast<BDragger*>(handler);
	if (dragger != NULL && looper == fContainer->Looper()) {
		for (Replicant& replicant : fReplicants) {
			if (replicant.dragger != dragger && replicant.view != dragger->Target())
				continue;
			_MoveReplicant(replicant.view, where);
			_Changed();
			return;
		}
	}
	BMessage archive(*message);
	// What the drop added is not the replicant's.
	archive.RemoveName("_drop_point_");
	archive.RemoveName("_drop_offset_");
	archive.RemoveName("be:actions");
	archive.RemoveName("buttons");
	status_t status = _AddReplicant(&archive, &where, 0, true);
	if (status != B_OK) {
		fprintf(stderr, "BShelf: the dropped replicant was not added (0x%08x)\n",
		        static_cast<unsigned>(status));
		return;
	}
	// Taken from another shelf, it moves here: the handle it was dragged by
	// hears that its copy is to go.
	int32 action;
	for (int32 i = 0; message->FindInt32("be:actions", i, &action) == B_OK; i++) {
		if (action == B_TRASH_TARGET) {
			message->SendReply(B_TRASH_TARGET);
			break;
		}
	}
}

void BShelf::_MoveReplicant(BView* view, BPoint where)
{
	for (Replicant& replicant : fReplicants) {
		if (replicant.view != view)
			continue;
		BPoint delta = where - view->Frame().LeftTop();
		view->MoveBy(delta.x, delta.y);
		if (replicant.draggerIsSibling)
			replicant.dragger->MoveBy(delta.x, delta.y);
		return;
	}
}

// #pragma mark - removing

status_t BShelf::_DeleteReplicant(size_t index)
{
	if (index >= fReplicants.size())
		return B_BAD_INDEX;
	Replicant replicant = fReplicants[index];
	fReplicants.erase(fReplicants.begin() + index);
	replicant.view->RemoveSelf();
	if (replicant.draggerIsSibling)
		replicant.dragger->RemoveSelf();
	ReplicantDeleted(static_cast<int32>(index), replicant.archive, replicant.view);
	delete replicant.view;
	if (replicant.draggerIsSibling)
		delete replicant.dragger;
	delete replicant.archive;
	_Changed();
	return B_OK;
}

status_t BShelf::DeleteReplicant(BView* replicant)
{
	int32 index = IndexOf(replicant);
	return index < 0 ? B_BAD_VALUE : _DeleteReplicant(static_cast<size_t>(index));
}

status_t BShelf::DeleteReplicant(BMessage* archive)
{
	int32 index = IndexOf(archive);
	return index < 0 ? B_BAD_VALUE : _DeleteReplicant(static_cast<size_t>(index));
}

status_t BShelf::DeleteReplicant(int32 index)
{
	return index < 0 ? B_BAD_INDEX : _DeleteReplicant(static_cast<size_t>(index));
}

status_t BShelf::DeleteReplicant(uint32 uniqueID)
{
	int32 index = IndexOf(uniqueID);
	return index < 0 ? B_BAD_VALUE : _DeleteReplicant(static_cast<size_t>(index));
}

// #pragma mark - looking up

int32 BShelf::CountReplicants() const
{
	return static_cast<int32>(fReplicants.size());
}

int32 BShelf::CountZombies() const
{
	return static_cast<int32>(fZombies.size());
}

BMessage* BShelf::ReplicantAt(int32 index, BView** view, uint32* uniqueID, status_t* error) const
{
	if (index < 0 || static_cast<size_t>(index) >= fReplicants.size()) {
		if (view != NULL)
			*view = NULL;
		if (uniqueID != NULL)
			*uniqueID = 0;
		if (error != NULL)
			*error = B_BAD_INDEX;
		return NULL;
	}
	const Replicant& replicant = fReplicants[index];
	if (view != NULL)
		*view = replicant.view;
	if (uniqueID != NULL)
		*uniqueID = replicant.uniqueID;
	if (error != NULL)
		*error = B_OK;
	return replicant.archive;
}

int32 BShelf::IndexOf(const BView* replicantView) const
{
	for (size_t i = 0; i < fReplicants.size(); i++) {
		if (replicantView != NULL && fReplicants[i].view == replicantView)
			return static_cast<int32>(i);
	}
	return -1;
}

int32 BShelf::IndexOf(const BMessage* archive) const
{
	for (size_t i = 0; i < fReplicants.size(); i++) {
		if (archive != NULL && fReplicants[i].archive == archive)
			return static_cast<int32>(i);
	}
	return -1;
}

int32 BShelf::IndexOf(uint32 uniqueID) const
{
	for (size_t i = 0; i < fReplicants.size(); i++) {
		if (fReplicants[i].uniqueID == uniqueID)
			return static_cast<int32>(i);
	}
	return -1;
}

// #pragma mark - hooks

bool BShelf::CanAcceptReplicantMessage(BMessage* /*archive*/) const
{
	return true;
}

bool BShelf::CanAcceptReplicantView(BRect /*frame*/, BView* /*view*/, BMessage* /*archive*/) const
{
	return true;
}

BPoint BShelf::AdjustReplicantBy(BRect /*frame*/, BMessage* /*archive*/) const
{
	return BPoint(0, 0);
}

void BShelf::ReplicantDeleted(int32 /*index*/, const BMessage* /*archive*/,
                              const BView* /*replicant*/)
{
}
