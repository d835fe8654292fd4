#ifndef _SHELF_H
#define _SHELF_H

#include <Handler.h>
#include <Point.h>
#include <Rect.h>

#include <string>
#include <vector>

class BDataIO;
class BDragger;
class BMessage;
class BMessageRunner;
class BView;
struct entry_ref;

namespace BPrivate {
class ShelfContainerFilter;
class ShelfReplicantFilter;
} // namespace BPrivate

// Holds replicants: views dropped on its container view as archives, or
// added with AddReplicant. A filter on the container takes drops of
// B_ARCHIVED_OBJECT; a drop of one of this shelf's own replicants moves it.
// With a save location (an entry_ref or a stream) the shelf loads its
// replicants when it is made and saves them whenever one is added, moved or
// removed, shortly after the user's input reached one (input and menu
// commands to a replicant's view or its handle), and when it is deleted. Archives that cannot be instantiated now
// (their application is not installed) are kept aside and saved untouched.
//
// Every call is made with the container's window locked, or before the
// container is attached; the shelf's filters run in that window's thread.
// Delete the shelf before its container: a container deleted first takes the
// replicants with it, and the file keeps what was last saved.
class BShelf : public BHandler {
public:
	BShelf(BView* view, bool allowDrags = true, const char* shelfType = NULL);
	BShelf(const entry_ref* ref, BView* view, bool allowDrags = true,
	       const char* shelfType = NULL);
	BShelf(BDataIO* stream, BView* view, bool allowDrags = true, const char* shelfType = NULL);
	// Saves while the container lives, removes the replicants from the container (their
	// detach hooks run) and deletes them.
	virtual ~BShelf();

	virtual void MessageReceived(BMessage* message);

	// Re-archives every replicant as it is now and writes them, with the
	// archives kept aside, to the save location. B_OK without one.
	status_t Save();
	virtual void SetDirty(bool state);
	bool IsDirty() const;

	bool AllowsDragging() const;
	void SetAllowsDragging(bool state);

	// Instantiates |archive| (a copy is kept), places the view's frame at
	// |location| in the container's coordinates and adds it. Fails, adding
	// nothing, when the class is unknown, the archive is not of a view, or
	// the hooks refuse it.
	status_t AddReplicant(BMessage* archive, BPoint location);
	status_t DeleteReplicant(BView* replicant);
	status_t DeleteReplicant(BMessage* archive);
	status_t DeleteReplicant(int32 index);
	// By unique id. Pass an uint32: an int32 means an index.
	status_t DeleteReplicant(uint32 uniqueID);

	// The live replicants, in the order they were added.
	int32 CountReplicants() const;
	// The archive the replicant at |index| was made from, owned by the shelf;
	// NULL past the end.
	BMessage* ReplicantAt(int32 index, BView** view = NULL, uint32* uniqueID = NULL,
	                      status_t* error = NULL) const;
	int32 IndexOf(const BView* replicantView) const;
	int32 IndexOf(const BMessage* archive) const;
	int32 IndexOf(uint32 uniqueID) const;

	// Archives kept aside because they could not be instantiated.
	int32 CountZombies() const;

protected:
	// Hooks; the defaults accept everything and adjust nothing.
	virtual bool CanAcceptReplicantMessage(BMessage* archive) const;
	virtual bool CanAcceptReplicantView(BRect frame, BView* view, BMessage* archive) const;
	virtual BPoint AdjustReplicantBy(BRect frame, BMessage* archive) const;
	// Called once |replicant| left the container, before it is deleted.
	virtual void ReplicantDeleted(int32 index, const BMessage* archive, const BView* replicant);

private:
	friend class BPrivate::ShelfContainerFilter;
	friend class BPrivate::ShelfReplicantFilter;

	struct Replicant {
		BMessage* archive; // owned; what the view was made from
		BView* view;       // the view in the container, owned while shelved
		BDragger* dragger; // its handle, NULL if none was found
		bool draggerIsSibling;
		uint32 uniqueID;
	};

	BShelf(const BShelf&) = delete;
	BShelf& operator=(const BShelf&) = delete;

	void _Init(BView* view, bool allowDrags, const char* shelfType);
	void _Load();
	void _EnsureHandler();
	status_t _AddReplicant(BMessage* archive, BPoint* location, uint32 uniqueID, bool save);
	status_t _DeleteReplicant(size_t index);
	void _MoveReplicant(BView* view, BPoint where);
	void _Changed();
	// Input reached a replicant: it may have changed, to be saved soon.
	void _NoteInput();
	status_t _Write(const std::string& bytes);
	void _HandleDrop(BMessage* message);
	// The replicant's view or the container was deleted by someone else.
	void _Forget(const BView* view);
	void _ContainerGone();

	BView* fContainer;             // not owned
	BPrivate::ShelfContainerFilter* fContainerFilter; // owned by the container
	std::string fPath;             // the save file; empty without one
	BDataIO* fStream;              // not owned; NULL without one
	std::string fType;
	std::vector<Replicant> fReplicants;
	std::vector<BMessage> fZombies; // entries as they were read, to save untouched
	uint32 fNextID;
	BMessageRunner* fSaveRunner; // owned; armed while input waits to be saved
	bool fAllowDragging;
	bool fDirty;
};

#endif
