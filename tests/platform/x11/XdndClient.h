// A plain XCB program that drags into a window the way a file manager does
// (XDND version 5), on a connection of its own. Every wait has a deadline.
#ifndef _XDND_CLIENT_H
#define _XDND_CLIENT_H

#include <xcb/xcb.h>

#include <functional>
#include <string>
#include <vector>

class XdndClient {
public:
	XdndClient();
	~XdndClient();
	bool IsConnected() const { return fConnection != nullptr; }

	xcb_atom_t Atom(const char* name);
	xcb_window_t Window() const { return fWindow; }

	// Takes the XdndSelection and announces |types| to |target|.
	void Enter(xcb_window_t target, const std::vector<std::string>& types);
	void Position(xcb_window_t target, int x, int y);
	void Leave(xcb_window_t target);
	void Drop(xcb_window_t target);

	// The data32 of the next client message of |type| (XdndStatus,
	// XdndFinished) that comes to our window within |seconds|; false if none.
	bool WaitFor(const char* type, uint32_t data[5], double seconds = 5);
	// Answers the next request for the XdndSelection with |data| (or
	// leaves it unanswered when |answer| is false); false if none came.
	bool Serve(const std::string& data, bool answer, double seconds = 5);

private:
	// Handles events until |handled| says so or the deadline passes.
	bool _Pump(const std::function<bool(xcb_generic_event_t*)>& handled, double seconds);
	void _Send(xcb_window_t target, const char* type, uint32_t d1, uint32_t d2, uint32_t d3,
	           uint32_t d4);

	xcb_connection_t* fConnection = nullptr;
	xcb_window_t fWindow = XCB_WINDOW_NONE;
	std::vector<xcb_generic_event_t*> fPending; // not yet waited for
};

#endif
