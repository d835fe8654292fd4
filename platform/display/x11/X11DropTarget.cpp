#include "display/x11/X11DropTarget.h"

#include <OS.h>

#include "display/x11/X11Connection.h"
#include "display/x11/X11Window.h"
#include "display/x11/X11WindowRegistry.h"

namespace BPrivate {

// More types than this in an XdndTypeList are not read.
static const uint32 kMaxTypes = 64;

X11DropTarget::X11DropTarget(X11Connection& connection, X11WindowRegistry& windows)
    : fConnection(connection), fWindows(windows), fReader(connection, kMaxDropSize),
      fActive(false), fSource(XCB_WINDOW_NONE), fTarget(XCB_WINDOW_NONE), fType(XCB_ATOM_NONE),
      fPositioned(false), fAccepted(false), fDropPending(false)
{
}

bool X11DropTarget::HandleClientMessage(const xcb_client_message_event_t* event)
{
	const X11Atoms& atoms = fConnection.Atoms();
	if (event->format != 32)
		return false;
	if (event->type == atoms.xdndEnter)
		_Enter(event);
	else if (event->type == atoms.xdndPosition)
		_Position(event);
	else if (event->type == atoms.xdndLeave)
		_Leave(event);
	else if (event->type == atoms.xdndDrop)
		_Drop(event);
	else
		return false;
	return true;
}

bool X11DropTarget::HandleSelectionNotify(const xcb_selection_notify_event_t* event)
{
	if (!fReader.HandleSelectionNotify(event))
		return false;
	if (fReader.State() == X11SelectionReader::kDone ||
	    fReader.State() == X11SelectionReader::kFailed)
		_TransferEnded();
	return true;
}

bool X11DropTarget::HandlePropertyNotify(const xcb_property_notify_event_t* event)
{
	if (!fReader.HandlePropertyNotify(event))
		return false;
	if (fReader.State() == X11SelectionReader::kDone ||
	    fReader.State() == X11SelectionReader::kFailed)
		_TransferEnded();
	return true;
}

void X11DropTarget::Tick(bigtime_t now)
{
	X11SelectionReader::state before = fReader.State();
	fReader.Tick(now);
	if (before != X11SelectionReader::kFailed && fReader.State() == X11SelectionReader::kFailed)
		_TransferEnded();
}

void X11DropTarget::_Enter(const xcb_client_message_event_t* event)
{
	const X11Atoms& atoms = fConnection.Atoms();
	std::shared_ptr<X11Window> window = fWindows.Find(event->window);
	if (!window || window->IsPopUp())
		return;
	// A new drag replaces one whose source never said it left.
	if (fActive)
		_End();
	uint32 version = event->data.data32[1] >> 24;
	if (version < 3)
		return;

	xcb_atom_t offered[kMaxTypes];
	uint32 count = 0;
	xcb_window_t source = event->data.data32[0];
	if ((event->data.data32[1] & 1) != 0) {
		xcb_connection_t* c = fConnection.Connection();
		auto reply = fConnection.Reply(
		    xcb_get_property_reply,
		    xcb_get_property(c, 0, source, atoms.xdndTypeList, XCB_ATOM_ATOM, 0, kMaxTypes));
		if (reply && reply->format == 32) {
			int length = xcb_get_property_value_length(reply.get()) / 4;
			auto atomsList = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
			for (int i = 0; i < length && count < kMaxTypes; i++)
				offered[count++] = atomsList[i];
		}
	} else {
		for (int i = 2; i <= 4; i++) {
			if (event->data.data32[i] != XCB_ATOM_NONE)
				offered[count++] = event->data.data32[i];
		}
	}

	fType = XCB_ATOM_NONE;
	for (xcb_atom_t wanted : {atoms.dragMessageType, atoms.uriListType}) {
		for (uint32 i = 0; i < count && fType == XCB_ATOM_NONE; i++) {
			if (offered[i] == wanted)
				fType = wanted;
		}
	}
	fActive = true;
	fSource = source;
	fTarget = event->window;
	fWindow = window;
	fPositioned = false;
	fAccepted = false;
	fDropPending = false;
	fPayload.reset();
}

void X11DropTarget::_Position(const xcb_client_message_event_t* event)
{
	if (!fActive || event->data.data32[0] != fSource || event->window != fTarget)
		return;
	uint32 packed = event->data.data32[2];
	fRoot = BPoint(static_cast<int16>(packed >> 16), static_cast<int16>(packed & 0xffff));
	if (!fPositioned && fType != XCB_ATOM_NONE) {
		// The data is fetched while the drag passes, so that the views under
		// it see the message, as they would for a drag of this process.
		const X11Atoms& atoms = fConnection.Atoms();
		fReader.Start(fTarget, atoms.xdndSelection, fType, atoms.dropProperty,
		              event->data.data32[3]);
	}
	fPositioned = true;
	bool failed = fPayload == nullptr && fReader.State() == X11SelectionReader::kFailed;
	fAccepted = fType != XCB_ATOM_NONE && !failed && _Report(kDragMoved);
	_SendStatus();
}

void X11DropTarget::_Leave(const xcb_client_message_event_t* event)
{
	if (!fActive || event->data.data32[0] != fSource)
		return;
	_End();
}

void X11DropTarget::_Drop(const xcb_client_message_event_t* event)
{
	xcb_window_t source = event->data.data32[0];
	if (!fActive || source != fSource) {
		// Out of order: tell whoever sent it that nothing was taken.
		if (source != XCB_WINDOW_NONE && fWindows.Find(event->window)) {
			xcb_window_t saved = fSource, target = fTarget;
			fSource = source;
			fTarget = event->window;
			_Finish(false);
			fSource = saved;
			fTarget = target;
		}
		return;
	}
	if (!fAccepted || !fPositioned || fType == XCB_ATOM_NONE) {
		_Finish(false);
		_End();
		return;
	}
	fDropPending = true;
	if (fPayload != nullptr) {
		_TransferEnded();
		return;
	}
	switch (fReader.State()) {
		case X11SelectionReader::kFailed:
			_Finish(false);
			_End();
			break;
		case X11SelectionReader::kIdle: {
			const X11Atoms& atoms = fConnection.Atoms();
			fReader.Start(fTarget, atoms.xdndSelection, fType, atoms.dropProperty,
			              event->data.data32[2]);
			break;
		}
		default:
			// Delivered when the transfer ends, or refused at its deadline.
			break;
	}
}

void X11DropTarget::_TransferEnded()
{
	if (!fActive)
		return;
	if (fPayload == nullptr && fReader.State() == X11SelectionReader::kDone) {
		auto payload = std::make_shared<DragPayload>();
		const char* type = fType == fConnection.Atoms().dragMessageType ? kDragMessageType
		                                                                 : kUriListType;
		payload->offers.push_back(DragPayload::Offer{type, fReader.TakeData()});
		fPayload = payload;
		fReader.Reset();
		// The window now sees the message, and decides on it.
		if (!fDropPending) {
			fAccepted = _Report(kDragMoved);
			_SendStatus();
		}
	} else if (fPayload == nullptr && !fDropPending) {
		// No data: nothing to drop here.
		fAccepted = false;
		_SendStatus();
		return;
	}
	if (!fDropPending)
		return;
	bool taken = fPayload != nullptr && _Report(kDragDropped);
	if (!taken)
		_Report(kDragExited);
	_Finish(taken);
	fWindow.reset();
	_End();
}

bool X11DropTarget::_Report(drag_phase phase)
{
	if (!fWindow)
		return false;
	BRect frame = fWindow->Frame();
	DisplayDragEvent drag;
	drag.phase = phase;
	drag.when = system_time();
	drag.screenWhere = fRoot;
	drag.where = fRoot - frame.LeftTop();
	// Another program does not say where in the dragged image the pointer
	// is: the drop point itself.
	drag.offset = BPoint(0, 0);
	drag.buttons = phase == kDragDropped ? 0 : 1;
	drag.modifiers = 0;
	drag.sourceRemote = true;
	drag.payload = fPayload;
	bool answer = false;
	fWindow->Sink([&](DisplayEventSink& sink) { answer = sink.DragEvent(drag); });
	return answer;
}

void X11DropTarget::_SendStatus()
{
	const X11Atoms& atoms = fConnection.Atoms();
	xcb_client_message_event_t status = {};
	status.response_type = XCB_CLIENT_MESSAGE;
	status.format = 32;
	status.window = fSource;
	status.type = atoms.xdndStatus;
	status.data.data32[0] = fTarget;
	// Bit 1: keep sending positions, every view may answer differently.
	status.data.data32[1] = (fAccepted ? 1 : 0) | 2;
	status.data.data32[4] = fAccepted ? atoms.xdndActionCopy : (xcb_atom_t) XCB_ATOM_NONE;
	xcb_send_event(fConnection.Connection(), 0, fSource, XCB_EVENT_MASK_NO_EVENT,
	               reinterpret_cast<const char*>(&status));
	xcb_flush(fConnection.Connection());
}

void X11DropTarget::_Finish(bool accepted)
{
	const X11Atoms& atoms = fConnection.Atoms();
	xcb_client_message_event_t finished = {};
	finished.response_type = XCB_CLIENT_MESSAGE;
	finished.format = 32;
	finished.window = fSource;
	finished.type = atoms.xdndFinished;
	finished.data.data32[0] = fTarget;
	finished.data.data32[1] = accepted ? 1 : 0;
	finished.data.data32[2] = accepted ? atoms.xdndActionCopy : (xcb_atom_t) XCB_ATOM_NONE;
	xcb_send_event(fConnection.Connection(), 0, fSource, XCB_EVENT_MASK_NO_EVENT,
	               reinterpret_cast<const char*>(&finished));
	xcb_flush(fConnection.Connection());
}

void X11DropTarget::_End()
{
	if (fActive && fWindow && fPositioned)
		_Report(kDragExited);
	fReader.Reset();
	fActive = false;
	fWindow.reset();
	fPayload.reset();
	fSource = fTarget = XCB_WINDOW_NONE;
	fDropPending = false;
	fPositioned = false;
	fAccepted = false;
}

} // namespace BPrivate
