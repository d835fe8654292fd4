#include "ShellTestSupport.h"

#include <stdlib.h>
#include <string.h>
#include <sys/xattr.h>

#include <fstream>
#include <future>
#include <memory>

#include <Message.h>
#include <OS.h>
#include <Window.h>

#include "ThreadTestUtils.h"
#include "display/offscreen/OffscreenControl.h"

namespace shell_test {

namespace {

const uint32 kRunInApp = 'Trun';

// The application as the program makes it, plus a way for the tests to run
// code in its thread; with |stay| it ignores an empty start.
class TestApplication : public PLApplication {
public:
	explicit TestApplication(bool stay) : fStay(stay) {}

	void ReadyToRun() override
	{
		if (!fStay)
			PLApplication::ReadyToRun();
	}

	void MessageReceived(BMessage* message) override
	{
		if (message->what != kRunInApp) {
			PLApplication::MessageReceived(message);
			return;
		}
		void* work = NULL;
		if (message->FindPointer("work", &work) != B_OK)
			return;
		auto* task = static_cast<std::function<void()>*>(work);
		(*task)();
		delete task;
	}

private:
	bool fStay;
};

void use_offscreen_display()
{
	setenv("PL_DISPLAY_BACKEND", "offscreen", 1);
	if (BPrivate::OffscreenControl::Get() == NULL)
		abort(); // another display is open: these tests need the offscreen one
}

std::string source_dir()
{
	const char* dir = getenv("PL_SOURCE_DIR");
	return dir != NULL ? dir : ".";
}

void put16(std::string* out, uint32 value)
{
	out->push_back(char(value));
	out->push_back(char(value >> 8));
}

void put32(std::string* out, uint32 value)
{
	put16(out, value & 0xffff);
	put16(out, value >> 16);
}

} // namespace

// #pragma mark - SampleDir

std::string SampleDir::Copy(const std::string& sample, const std::string& leaf,
                            const char* type) const
{
	std::ifstream in(source_dir() + "/samples/" + sample, std::ios::binary);
	EXPECT_TRUE(in.good()) << sample;
	std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
	std::string path = Write(leaf, bytes);
	if (type != NULL)
		SetType(path, type);
	return path;
}

std::string SampleDir::Picture(const std::string& leaf, int width, int height) const
{
	// An uncompressed 24-bit BMP, bottom-up, rows padded to four bytes.
	int rowBytes = (width * 3 + 3) & ~3;
	std::string bmp = "BM";
	put32(&bmp, 54 + rowBytes * height);
	put32(&bmp, 0);
	put32(&bmp, 54);
	put32(&bmp, 40);
	put32(&bmp, width);
	put32(&bmp, height);
	put16(&bmp, 1);
	put16(&bmp, 24);
	put32(&bmp, 0);
	put32(&bmp, rowBytes * height);
	put32(&bmp, 2835);
	put32(&bmp, 2835);
	put32(&bmp, 0);
	put32(&bmp, 0);
	for (int y = 0; y < height; y++) {
		std::string row;
		for (int x = 0; x < width; x++) {
			row.push_back(char(x * 255 / (width > 1 ? width - 1 : 1)));
			row.push_back(char(y * 255 / (height > 1 ? height - 1 : 1)));
			row.push_back(char(0x80));
		}
		row.resize(rowBytes, '\0');
		bmp += row;
	}
	std::string path = Write(leaf, bmp);
	SetType(path, "image/bmp");
	return path;
}

void SampleDir::SetType(const std::string& path, const char* type)
{
	EXPECT_EQ(setxattr(path.c_str(), "user.mime_type", type, strlen(type), 0), 0) << path;
}

entry_ref SampleDir::Ref(const std::string& leaf) const
{
	entry_ref ref;
	EXPECT_EQ(get_ref_for_path((*this / leaf).c_str(), &ref), B_OK) << leaf;
	return ref;
}

// #pragma mark - AppRunner

AppRunner::AppRunner(bool stayWithoutWindows, std::function<void(PLApplication*)> beforeRun)
    : fApp(NULL), fEnded(false)
{
	use_offscreen_display();
	std::promise<void> constructed;
	std::future<void> ready = constructed.get_future();
	fThread = std::thread([this, stayWithoutWindows, beforeRun, &constructed] {
		TestApplication* app = new TestApplication(stayWithoutWindows);
		fApp = app;
		if (beforeRun)
			beforeRun(app);
		constructed.set_value();
		app->Run();
		fApp = NULL;
		fEnded = true;
		delete app;
	});
	ready.wait();
}

AppRunner::~AppRunner()
{
	if (!fEnded) {
		PLApplication* app = fApp;
		if (app != NULL)
			BMessenger(app).SendMessage(B_QUIT_REQUESTED);
	}
	test::must_return_within(
	    "the application's end", [this] { fThread.join(); }, 20000000);
}

bool AppRunner::InApp(const std::function<void()>& work, bigtime_t timeout)
{
	PLApplication* app = fApp;
	if (app == NULL)
		return false;
	auto done = std::make_shared<std::promise<void>>();
	std::future<void> finished = done->get_future();
	// Deleted by the application once it has run.
	auto* task = new std::function<void()>([work, done] {
		work();
		done->set_value();
	});
	BMessage message(kRunInApp);
	message.AddPointer("work", task);
	if (BMessenger(app).SendMessage(&message) != B_OK) {
		delete task;
		return false;
	}
	return finished.wait_for(std::chrono::microseconds(timeout)) == std::future_status::ready;
}

bool AppRunner::Deliver(BMessage* message)
{
	PLApplication* app = fApp;
	if (app == NULL || BMessenger(app).SendMessage(message) != B_OK)
		return false;
	return InApp([] {});
}

bool AppRunner::Ended(bigtime_t timeout)
{
	return test::eventually([this] { return fEnded.load(); }, timeout);
}

std::vector<BMessenger> AppRunner::Windows()
{
	std::vector<BMessenger> windows;
	PLApplication* app = fApp;
	if (app != NULL)
		app->GetWindowList(windows);
	return windows;
}

bool AppRunner::WaitActive(const BMessenger& window, bigtime_t timeout)
{
	// Activation reaches each window as a message of its own: until the
	// window that lost it has heard so, two windows may both say they are
	// active, and a test going on from there would have the application see
	// the wrong one as current. Settled means this window active and every
	// other window of the application not.
	return test::eventually(
	    [&] {
		    if (!window_is_active(window))
			    return false;
		    for (const BMessenger& other : Windows()) {
			    if (!(other == window) && window_is_active(other))
				    return false;
		    }
		    return true;
	    },
	    timeout);
}

// #pragma mark - windows

bool with_window(const BMessenger& window, const std::function<void(BWindow*)> work)
{
	if (window.LockTargetWithTimeout(5000000) != B_OK)
		return false;
	BLooper* looper = NULL;
	window.Target(&looper);
	work(dynamic_cast<BWindow*>(looper));
	looper->Unlock();
	return true;
}

BRect window_frame(const BMessenger& window)
{
	BRect frame(0, 0, -1, -1);
	with_window(window, [&](BWindow* locked) { frame = locked->Frame(); });
	return frame;
}

std::string window_title(const BMessenger& window)
{
	std::string title;
	with_window(window,
	            [&](BWindow* locked) { title = locked->Title() != NULL ? locked->Title() : ""; });
	return title;
}

bool window_is_active(const BMessenger& window)
{
	bool active = false;
	with_window(window, [&](BWindow* locked) { active = locked->IsActive(); });
	return active;
}

void close_window(const BMessenger& window)
{
	window.SendMessage(B_QUIT_REQUESTED);
}

// #pragma mark - ForeignWindow

ForeignWindow::ForeignWindow()
    : fWindow(new BWindow(BRect(600, 500, 700, 600), "foreign", B_TITLED_WINDOW, 0))
{
	fWindow->Show();
	fWindow->Activate(true);
	test::eventually([this] {
		bool active = false;
		if (fWindow->Lock()) {
			active = fWindow->IsActive();
			fWindow->Unlock();
		}
		return active;
	});
}

ForeignWindow::~ForeignWindow()
{
	if (fWindow->Lock())
		fWindow->Quit();
}

} // namespace shell_test
