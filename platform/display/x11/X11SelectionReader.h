#ifndef _X11_SELECTION_READER_H
#define _X11_SELECTION_READER_H

#include <string>

#include <OS.h>
#include <xcb/xcb.h>

namespace BPrivate {

class X11Connection;

// Fetches one selection conversion into memory without ever waiting for the
// selection's owner: ConvertSelection, then the SelectionNotify and (INCR)
// the pieces arrive as events the event thread hands in. Bounded in size
// and in time: an owner that stops answering fails the transfer at its
// deadline. Event thread only.
class X11SelectionReader {
public:
	enum state { kIdle, kWaiting, kIncremental, kDone, kFailed };

	X11SelectionReader(X11Connection& connection, size_t maxSize);

	// |requestor| must select PropertyChange events (for INCR).
	void Start(xcb_window_t requestor, xcb_atom_t selection, xcb_atom_t target,
	           xcb_atom_t property, xcb_timestamp_t time);
	void Reset();

	// True when the event belonged to this transfer.
	bool HandleSelectionNotify(const xcb_selection_notify_event_t* event);
	bool HandlePropertyNotify(const xcb_property_notify_event_t* event);
	// Fails a transfer that made no progress for |kStallTimeout|.
	void Tick(bigtime_t now);

	state State() const { return fState; }
	const std::string& Data() const { return fData; }
	std::string TakeData();

	static const bigtime_t kStallTimeout = 3000000;

private:
	// Reads and deletes the property; false when it is too large or gone.
	bool _ReadProperty(xcb_atom_t* type, std::string* bytes);
	void _Fail();

	X11Connection& fConnection;
	size_t fMaxSize;
	state fState;
	xcb_window_t fRequestor;
	xcb_atom_t fSelection;
	xcb_atom_t fTarget;
	xcb_atom_t fProperty;
	bigtime_t fDeadline;
	std::string fData;
};

} // namespace BPrivate

#endif
