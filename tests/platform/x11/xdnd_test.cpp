// Drag and drop on a real X server under openbox: between two programs of
// the platform (XDND both ways, driven by xdotool), from a plain XCB program
// as a file manager drags, within one program, onto the bare desktop, and
// from senders that misbehave.

#include <AppDefs.h>
#include <Application.h>
#include <Entry.h>
#include <Message.h>
#include <Path.h>
#include <View.h>
#include <Window.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "XdndClient.h"
#include "XdndPeerMessage.h"
#include "XvfbFixture.h"
#include "display/x11/X11Backend.h"
#include "interface/DragPrivate.h"
#include "interface/WindowPrivate.h"

extern char** environ;

namespace {

const uint32 kPing = 'ping';

// Keeps what reaches it: drops, and pings that show the window is alive.
class DropView : public BView {
public:
	DropView(BRect frame) : BView(frame, "drop", B_FOLLOW_ALL, B_WILL_DRAW) {}

	void MessageReceived(BMessage* message) override
	{
		std::lock_guard<std::mutex> lock(fLock);
		if (message->what == kPing)
			fPings++;
		else
			fDrops.push_back(*message);
	}
	std::vector<BMessage> Drops()
	{
		std::lock_guard<std::mutex> lock(fLock);
		return fDrops;
	}
	int Pings()
	{
		std::lock_guard<std::mutex> lock(fLock);
		return fPings;
	}

private:
	std::mutex fLock;
	std::vector<BMessage> fDrops;
	int fPings = 0;
};

class DragView : public BView {
public:
	DragView(BRect frame, const BMessage& message)
	    : BView(frame, "drag", B_FOLLOW_ALL, B_WILL_DRAW), fMessage(message)
	{
	}
	void MouseDown(BPoint) override
	{
		fPressed = true;
		SetMouseEventMask(B_POINTER_EVENTS);
	}
	void MouseMoved(BPoint, uint32, const BMessage* drag) override
	{
		if (fPressed && drag == NULL) {
			fPressed = false;
			DragMessage(&fMessage, BRect(0, 0, 39, 39));
		}
	}
	void MouseUp(BPoint) override { fPressed = false; }

private:
	BMessage fMessage;
	bool fPressed = false;
};

std::mutex sUnclaimedLock;
std::vector<BMessage> sUnclaimed;

void record_unclaimed(BMessage* drop, BPoint)
{
	std::lock_guard<std::mutex> lock(sUnclaimedLock);
	sUnclaimed.push_back(*drop);
}

std::string read_file(const std::string& path)
{
	std::ifstream file(path, std::ios::binary);
	std::stringstream bytes;
	bytes << file.rdbuf();
	return bytes.str();
}

class XdndTest : public WithWindowManager<> {
protected:
	void SetUp() override
	{
		WithWindowManager<>::SetUp();
		char pattern[] = "/tmp/pl-xdnd-XXXXXX";
		ASSERT_NE(mkdtemp(pattern), nullptr);
		fDir = pattern;
	}

	void TearDown() override
	{
		for (pid_t pid : fChildren) {
			kill(pid, SIGTERM);
			waitpid(pid, nullptr, 0);
		}
		Server()->Run("rm -rf " + fDir);
		WithWindowManager<>::TearDown();
	}

	pid_t Spawn(const std::vector<std::string>& arguments)
	{
		const char* binaries = getenv("PL_BINARY_DIR");
		std::string program = std::string(binaries != nullptr ? binaries : ".") + "/bin/xdnd_peer";
		std::vector<char*> argv;
		argv.push_back(const_cast<char*>(program.c_str()));
		for (const std::string& argument : arguments)
			argv.push_back(const_cast<char*>(argument.c_str()));
		argv.push_back(nullptr);
		pid_t pid = -1;
		if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
			return -1;
		fChildren.push_back(pid);
		return pid;
	}

	// The content's top left of a client the window manager shows.
	bool Shown(const char* title, int* x, int* y)
	{
		return WaitFor([&] {
			xcb_window_t window = FindClient(title);
			int width, height;
			return window != XCB_WINDOW_NONE && ContentFrame(window, x, y, &width, &height);
		});
	}

	// Press at |from|, move in steps to |to| and release, as a user would.
	int Drag(int fromX, int fromY, int toX, int toY)
	{
		std::ostringstream line;
		line << "xdotool mousemove " << fromX << " " << fromY << " sleep 0.1 mousedown 1 sleep 0.1"
		     << " mousemove " << fromX + 8 << " " << fromY + 8 << " sleep 0.3"
		     << " mousemove " << (fromX + toX) / 2 << " " << (fromY + toY) / 2 << " sleep 0.1"
		     << " mousemove " << toX - 5 << " " << toY - 5 << " sleep 0.1"
		     << " mousemove " << toX << " " << toY << " sleep 0.2 mouseup 1";
		return Server()->Run(line.str());
	}

	void CrossProcess(size_t size)
	{
		std::string output = fDir + "/dropped";
		ASSERT_GT(Spawn({"target", "1100", "200", output}), 0);
		ASSERT_GT(Spawn({"source", "200", "200", std::to_string(size)}), 0);
		int sx, sy, tx, ty;
		ASSERT_TRUE(Shown("dnd source", &sx, &sy));
		ASSERT_TRUE(Shown("dnd target", &tx, &ty));
		ASSERT_EQ(Drag(sx + 50, sy + 50, tx + 120, ty + 90), 0);
		ASSERT_TRUE(WaitFor([&] { return access((output + ".meta").c_str(), F_OK) == 0; }))
		    << "nothing was dropped";
		int dropped = 0, remote = 0, moves = 0;
		float x = 0, y = 0;
		std::istringstream(read_file(output + ".meta")) >> dropped >> remote >> x >> y >> moves;
		EXPECT_EQ(dropped, 1);
		EXPECT_EQ(remote, 1);
		EXPECT_EQ(x, tx + 120);
		EXPECT_EQ(y, ty + 90);
		EXPECT_GT(moves, 0) << "the target's view saw the drag pass with its message";

		BMessage expected = xdnd_peer_archive(size);
		expected.AddInt32("buttons", B_PRIMARY_MOUSE_BUTTON);
		std::string received = read_file(output);
		EXPECT_EQ(received.size(), xdnd_flat(expected).size());
		EXPECT_TRUE(received == xdnd_flat(expected)) << "the archive arrived changed";
	}

	// A window of this process that takes drops, and its X window.
	BWindow* OpenDropWindow(DropView** view, xcb_window_t* id, int* x, int* y)
	{
		BWindow* window =
		    new BWindow(BRect(300, 300, 499, 499), "drop here", B_TITLED_WINDOW, 0);
		*view = new DropView(window->Bounds());
		window->AddChild(*view);
		window->Show();
		*id = BPrivate::X11Backend::WindowOf(BPrivate::WindowAccess::Surface(window));
		EXPECT_TRUE(Shown("drop here", x, y));
		return window;
	}

	bool Answers(BWindow* window, DropView* view)
	{
		int before = view->Pings();
		BMessenger(view, window).SendMessage(kPing);
		return WaitFor([&] { return view->Pings() > before; }, 2);
	}

	std::string fDir;
	std::vector<pid_t> fChildren;
};

} // namespace

TEST_F(XdndTest, ArchiveDraggedBetweenTwoProgramsArrivesByteExact)
{
	CrossProcess(2000);
}

TEST_F(XdndTest, LargeArchiveBetweenTwoProgramsComesInPieces)
{
	// Larger than one piece of the selection transfer: INCR both ways.
	CrossProcess(1100 * 1000);
}

TEST_F(XdndTest, FileManagerUriListArrivesAsSimpleDataWithRefs)
{
	BApplication app("application/x-vnd.test-xdnd-uris");
	std::string path = fDir + "/dropped picture.jpg";
	close(open(path.c_str(), O_CREAT | O_WRONLY, 0600));
	DropView* view;
	xcb_window_t id;
	int x, y;
	BWindow* window = OpenDropWindow(&view, &id, &x, &y);

	XdndClient client;
	ASSERT_TRUE(client.IsConnected());
	client.Enter(id, {"text/plain", "text/uri-list"});
	client.Position(id, x + 40, y + 40);
	uint32_t status[5];
	ASSERT_TRUE(client.WaitFor("XdndStatus", status));
	EXPECT_EQ(status[0], id);
	EXPECT_EQ(status[1] & 1, 1u) << "accepted";
	// The target reads the data as the drag passes, or at the drop at the latest.
	ASSERT_TRUE(client.Serve("file://" + fDir + "/dropped%20picture.jpg\r\n", true));
	client.Drop(id);
	uint32_t finished[5];
	ASSERT_TRUE(client.WaitFor("XdndFinished", finished));
	EXPECT_EQ(finished[1] & 1, 1u);

	ASSERT_TRUE(WaitFor([&] { return !view->Drops().empty(); }));
	BMessage drop = view->Drops()[0];
	EXPECT_EQ(drop.what, (uint32) B_SIMPLE_DATA);
	EXPECT_TRUE(drop.WasDropped());
	EXPECT_TRUE(drop.IsSourceRemote());
	EXPECT_EQ(drop.DropPoint(), BPoint(x + 40, y + 40));
	entry_ref ref;
	ASSERT_EQ(drop.FindRef("refs", &ref), B_OK);
	EXPECT_STREQ(BPath(&ref).Path(), path.c_str());
	window->Lock();
	window->Quit();
}

TEST_F(XdndTest, MisbehavingSendersAreRefusedAndNeverHangTheWindow)
{
	BApplication app("application/x-vnd.test-xdnd-hostile");
	DropView* view;
	xcb_window_t id;
	int x, y;
	BWindow* window = OpenDropWindow(&view, &id, &x, &y);
	XdndClient client;
	ASSERT_TRUE(client.IsConnected());
	uint32_t data[5];

	// A drop out of the blue.
	client.Drop(id);
	ASSERT_TRUE(client.WaitFor("XdndFinished", data));
	EXPECT_EQ(data[1] & 1, 0u);

	// Only types the platform does not take.
	client.Enter(id, {"text/plain", "image/png"});
	client.Position(id, x + 10, y + 10);
	ASSERT_TRUE(client.WaitFor("XdndStatus", data));
	EXPECT_EQ(data[1] & 1, 0u);
	client.Drop(id);
	ASSERT_TRUE(client.WaitFor("XdndFinished", data));
	EXPECT_EQ(data[1] & 1, 0u);

	// The platform's type with garbage in it.
	client.Enter(id, {"application/x-vnd.pl-platform-message"});
	client.Position(id, x + 10, y + 10);
	ASSERT_TRUE(client.WaitFor("XdndStatus", data));
	ASSERT_TRUE(client.Serve(std::string(200, '\x7f'), true));
	client.Drop(id);
	ASSERT_TRUE(client.WaitFor("XdndFinished", data));
	EXPECT_EQ(data[1] & 1, 0u);

	// A sender that drops and then never hands over the data: the window
	// goes on answering, and the drop is refused at the deadline.
	client.Enter(id, {"text/uri-list"});
	client.Position(id, x + 20, y + 20);
	ASSERT_TRUE(client.WaitFor("XdndStatus", data));
	EXPECT_EQ(data[1] & 1, 1u);
	client.Drop(id);
	ASSERT_TRUE(client.Serve("", false));
	EXPECT_TRUE(Answers(window, view));
	ASSERT_TRUE(client.WaitFor("XdndFinished", data, 10));
	EXPECT_EQ(data[1] & 1, 0u);
	EXPECT_TRUE(Answers(window, view));

	EXPECT_TRUE(view->Drops().empty());
	window->Lock();
	window->Quit();
}

TEST_F(XdndTest, WithinOneProgramAndOntoTheBareDesktop)
{
	BApplication app("application/x-vnd.test-xdnd-local");
	BPrivate::set_unclaimed_drop_handler(record_unclaimed);
	BMessage dragged('tLOC');
	dragged.AddString("what", "local");
	BWindow* source = new BWindow(BRect(100, 600, 299, 799), "local source", B_TITLED_WINDOW, 0);
	source->AddChild(new DragView(source->Bounds(), dragged));
	source->Show();
	DropView* view;
	xcb_window_t id;
	int x, y;
	BWindow* target = OpenDropWindow(&view, &id, &x, &y);
	int sx, sy;
	ASSERT_TRUE(Shown("local source", &sx, &sy));

	ASSERT_EQ(Drag(sx + 50, sy + 50, x + 60, y + 70), 0);
	ASSERT_TRUE(WaitFor([&] { return !view->Drops().empty(); }));
	BMessage drop = view->Drops()[0];
	EXPECT_EQ(drop.what, (uint32) 'tLOC');
	EXPECT_TRUE(drop.WasDropped());
	EXPECT_FALSE(drop.IsSourceRemote());
	EXPECT_EQ(drop.DropPoint(), BPoint(x + 60, y + 70));

	// Nothing of ours, nothing that takes drops: the desktop's turn.
	ASSERT_EQ(Drag(sx + 50, sy + 50, 1700, 1000), 0);
	EXPECT_TRUE(WaitFor([&] {
		std::lock_guard<std::mutex> lock(sUnclaimedLock);
		return !sUnclaimed.empty();
	}));
	{
		std::lock_guard<std::mutex> lock(sUnclaimedLock);
		ASSERT_EQ(sUnclaimed.size(), 1u);
		EXPECT_EQ(sUnclaimed[0].what, (uint32) 'tLOC');
		EXPECT_EQ(sUnclaimed[0].DropPoint(), BPoint(1700, 1000));
	}
	EXPECT_EQ(view->Drops().size(), 1u);
	BPrivate::set_unclaimed_drop_handler(NULL);
	for (BWindow* window : {source, target}) {
		window->Lock();
		window->Quit();
	}
}

TEST_F(XdndTest, EscapeCancelsADragOverAWindowThatWouldTakeIt)
{
	BApplication app("application/x-vnd.test-xdnd-escape");
	{
		std::lock_guard<std::mutex> lock(sUnclaimedLock);
		sUnclaimed.clear();
	}
	BPrivate::set_unclaimed_drop_handler(record_unclaimed);
	BMessage dragged('tESC');
	BWindow* source = new BWindow(BRect(100, 600, 299, 799), "escape source", B_TITLED_WINDOW, 0);
	source->AddChild(new DragView(source->Bounds(), dragged));
	source->Show();
	DropView* view;
	xcb_window_t id;
	int x, y;
	BWindow* target = OpenDropWindow(&view, &id, &x, &y);
	int sx, sy;
	ASSERT_TRUE(Shown("escape source", &sx, &sy));

	std::ostringstream line;
	line << "xdotool mousemove " << sx + 50 << " " << sy + 50 << " sleep 0.1 mousedown 1 sleep 0.1"
	     << " mousemove " << sx + 58 << " " << sy + 58 << " sleep 0.3"
	     << " mousemove " << x + 50 << " " << y + 50 << " sleep 0.2 key Escape sleep 0.2"
	     << " mousemove " << x + 60 << " " << y + 60 << " sleep 0.1 mouseup 1 sleep 0.3";
	ASSERT_EQ(Server()->Run(line.str()), 0);
	EXPECT_TRUE(Answers(target, view));
	EXPECT_TRUE(view->Drops().empty());
	{
		std::lock_guard<std::mutex> lock(sUnclaimedLock);
		EXPECT_TRUE(sUnclaimed.empty());
	}
	BPrivate::set_unclaimed_drop_handler(NULL);
	for (BWindow* window : {source, target}) {
		window->Lock();
		window->Quit();
	}
}
