// BAlert on a real X server under a window manager: a transient, modal dialog
// centred on the screen, answered by a Return key the user types (XTest,
// through xdotool).
#include <Alert.h>
#include <Application.h>
#include <OS.h>

#include <atomic>
#include <string>
#include <thread>

#include "XvfbFixture.h"

namespace {

class AlertX11Test : public WithWindowManager<> {
protected:
	std::vector<xcb_atom_t> Atoms(xcb_window_t window, const char* property, xcb_atom_t type) const
	{
		xcb_get_property_reply_t* reply = xcb_get_property_reply(
		    Observer(), xcb_get_property(Observer(), 0, window, Atom(property), type, 0, 32),
		    nullptr);
		std::vector<xcb_atom_t> atoms;
		if (reply != nullptr) {
			xcb_atom_t* values = (xcb_atom_t*) xcb_get_property_value(reply);
			atoms.assign(values, values + xcb_get_property_value_length(reply) / 4);
		}
		free(reply);
		return atoms;
	}
};

} // namespace

TEST_F(AlertX11Test, ModalDialogAnsweredWithReturn)
{
	BApplication app("application/x-vnd.test-alert-x11");
	std::atomic<bool> done{false};
	std::atomic<int32> answer{-2};
	std::thread asking([&] {
		BAlert* alert = new BAlert("x11 alert", "Press Return to answer.", "Cancel", "OK");
		answer = alert->Go();
		done = true;
	});

	xcb_window_t window = XCB_WINDOW_NONE;
	EXPECT_TRUE(WaitFor([&] { return (window = FindClient("x11 alert")) != XCB_WINDOW_NONE; }));
	if (window != XCB_WINDOW_NONE) {
		EXPECT_EQ(Atoms(window, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM),
		          std::vector<xcb_atom_t>{Atom("_NET_WM_WINDOW_TYPE_DIALOG")});
		EXPECT_EQ(Atoms(window, "WM_TRANSIENT_FOR", XCB_ATOM_WINDOW).size(), 1u);
		std::vector<xcb_atom_t> state = Atoms(window, "_NET_WM_STATE", XCB_ATOM_ATOM);
		EXPECT_NE(std::find(state.begin(), state.end(), Atom("_NET_WM_STATE_MODAL")), state.end());
		// Centred on the 1920 x 1080 screen.
		int x = 0, y = 0, width = 0, height = 0;
		EXPECT_TRUE(WaitFor([&] {
			return ContentFrame(window, &x, &y, &width, &height) && abs(x + width / 2 - 960) <= 2 &&
			       abs(y + height / 2 - 540) <= 2;
		})) << x
		    << "," << y << " " << width << "x" << height;
	}

	// The alert took the focus when it showed; the key goes where the focus is.
	EXPECT_TRUE(WaitFor([&] {
		std::vector<xcb_atom_t> active =
		    Atoms(ObserverRoot(), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW);
		return window != XCB_WINDOW_NONE && active.size() == 1 && active[0] == window;
	}));
	EXPECT_EQ(Server()->Run("xdotool key Return"), 0);
	bool answered = WaitFor([&] { return done.load(); });
	EXPECT_TRUE(answered);
	if (!answered) {
		asking.detach();
		return;
	}
	asking.join();
	EXPECT_EQ(answer, 1);
	EXPECT_TRUE(WaitFor([&] { return FindClient("x11 alert") == XCB_WINDOW_NONE; }));
	app.Lock();
}
