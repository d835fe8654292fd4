#ifndef _XVFB_FIXTURE_H
#define _XVFB_FIXTURE_H

#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include "XvfbServer.h"

// A test suite sharing one Xvfb among its tests, with DISPLAY pointing at it
// and a connection of the test's own to look at the server's side of things.
class XvfbTest : public ::testing::Test {
public:
	static void SetUpTestSuite();
	static void TearDownTestSuite();

protected:
	void SetUp() override;
	void TearDown() override;

	static XvfbServer* Server() { return sServer; }
	xcb_connection_t* Observer() const { return fObserver; }
	xcb_window_t ObserverRoot() const;

	// Polls condition (every few milliseconds) until it holds or the
	// deadline in seconds passes; the verdict.
	template <typename Condition> static bool WaitFor(Condition condition, double seconds = 10)
	{
		for (int i = 0; i < (int) (seconds * 200); i++) {
			if (condition())
				return true;
			_Nap();
		}
		return condition();
	}

	// What the X server holds: a window's content rectangle in root
	// coordinates, a text property, pixels (as 0xRRGGBB) of a window.
	bool ContentFrame(xcb_window_t window, int* x, int* y, int* width, int* height) const;
	std::string TextProperty(xcb_window_t window, const char* atomName) const;
	std::vector<uint32_t> Pixels(xcb_window_t window, int x, int y, int width, int height) const;
	xcb_atom_t Atom(const char* name) const;
	// The client window the window manager lists under this title, or none.
	xcb_window_t FindClient(const char* title) const;

private:
	static void _Nap();

	static XvfbServer* sServer;
	xcb_connection_t* fObserver = nullptr;
};

// The same suite with a window manager (openbox) running on its server; a
// test fails at once when the window manager could not be started.
template <typename Base = XvfbTest> class WithWindowManager : public Base {
public:
	static void SetUpTestSuite()
	{
		Base::SetUpTestSuite();
		if (Base::Server() != nullptr)
			sHasWindowManager = Base::Server()->StartWindowManager();
	}

protected:
	void SetUp() override
	{
		ASSERT_TRUE(sHasWindowManager) << "openbox did not start";
		Base::SetUp();
	}

private:
	static inline bool sHasWindowManager = false;
};

#endif
