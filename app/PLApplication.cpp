#include "app/PLApplication.h"

#include <string.h>

#include <new>

#include <Alert.h>
#include <AppFileInfo.h>
#include <File.h>
#include <Message.h>
#include <Node.h>
#include <NodeInfo.h>
#include <Path.h>
#include <Roster.h>
#include <Window.h>

#include "app/AboutContents.h"
#include "app/AppSignature.h"
#include "app/PLWindow.h"
#include "app/PLWindowLink.h"
#include "content/PLImageView.h"
#include "content/PLVideoView.h"
#include "view/Commands.h"
#include "view/PLControlView.h"

PLApplication::PLApplication() : BApplication(kPLAppSignature), fWindowCount(0)
{
	InitAboutContents();
}

PLApplication::~PLApplication() {}

void PLApplication::MessageReceived(BMessage* message)
{
	switch (message->what) {
		case kMsgNextWindow:
			NextWindow();
			break;
		case kMsgPreviousWindow:
			PrevWindow();
			break;
		case kMsgActivateWindow: {
			int32 index = 0;
			message->FindInt32("index", 0, &index);
			ActivateWindow(index);
			break;
		}
		case kMsgWindowClosed: {
			entry_ref ref;
			for (int32 i = 0; message->FindRef("refs", i, &ref) == B_OK; i++)
				WindowClosed(ref);
			break;
		}
		default:
			BApplication::MessageReceived(message);
			break;
	}
}

void PLApplication::ReadyToRun()
{
	if (fWindows.empty())
		PostMessage(B_QUIT_REQUESTED);
}

void PLApplication::ArgvReceived(int32 argc, char** argv)
{
	BMessage* message = CurrentMessage();
	const char* cwd = NULL;
	// Without the directory the command was given in, no argument is
	// trusted, absolute ones included.
	if (message == NULL || message->FindString("cwd", 0, &cwd) != B_OK)
		return;

	for (int32 i = 1; i < argc; i++) {
		if (argv[i] == NULL)
			continue;
		BPath path;
		if (argv[i][0] == '/') {
			path.SetTo(argv[i], NULL, false);
		} else {
			path.SetTo(cwd, NULL, false);
			path.Append(argv[i], false);
		}
		if (path.InitCheck() != B_OK)
			continue;
		entry_ref ref;
		if (get_ref_for_path(path.Path(), &ref) != B_OK)
			continue;
		OpenWindow(ref);
	}
}

void PLApplication::RefsReceived(BMessage* message)
{
	entry_ref ref;
	for (int32 i = 0; message->FindRef("refs", i, &ref) == B_OK; i++)
		OpenWindow(ref);
}

void PLApplication::AboutRequested()
{
	BAlert* alert = new BAlert("About", fAboutContents.c_str(), "Ok", NULL, NULL, B_WIDTH_AS_USUAL,
	                           B_INFO_ALERT);
	alert->Go();
}

// #pragma mark - intake

void PLApplication::OpenWindow(const entry_ref& ref)
{
	auto open = fWindows.find(ref);
	// A window that has quit but whose notice is still queued shows nothing:
	// the file is opened anew.
	if (open != fWindows.end() && open->second->Activate())
		return;

	PLControlView* view = _CreateView(ref);
	if (view == NULL)
		return;
	if (view->InitCheck() != B_OK) {
		delete view;
		return;
	}
	view->SetAboutContents(fAboutContents);

	float offset = 50 + 20 * (fWindowCount % 10);
	BRect frame = view->Bounds().OffsetByCopy(offset, offset);
	PLWindow* window = new PLWindow(frame, ref);
	// The link outlives the window; taken before Show() starts its thread.
	Link link = window->Link();
	window->AddChild(view, NULL);
	window->Show();
	fWindowCount++;
	_Register(ref, link);
}

PLControlView* PLApplication::_CreateView(const entry_ref& ref)
{
	BNode node(&ref);
	if (node.InitCheck() != B_OK)
		return NULL;
	BNodeInfo info(&node);
	if (info.InitCheck() != B_OK)
		return NULL;
	char type[B_MIME_TYPE_LENGTH];
	if (info.GetType(type) != B_OK)
		return NULL;

	if (strncmp(type, "image/", 6) == 0)
		return new (std::nothrow) PLImageView(ref);
	if (strncmp(type, "video/", 6) == 0)
		return new (std::nothrow) PLVideoView(ref);
	return NULL;
}

void PLApplication::_Register(const entry_ref& ref, const Link& link)
{
	std::lock_guard<std::mutex> guard(fListLock);
	auto previous = fWindows.find(ref);
	if (previous != fWindows.end()) {
		// The earlier window of this file has quit (OpenWindow would have
		// activated it otherwise); its queued notice will find this window
		// alive and leave it alone.
		for (auto i = fWindowList.begin(); i != fWindowList.end(); i++) {
			if (*i == previous->second) {
				fWindowList.erase(i);
				break;
			}
		}
		previous->second = link;
	} else {
		fWindows.emplace(ref, link);
	}
	fWindowList.push_back(link);
}

// #pragma mark - registry

void PLApplication::WindowClosed(const entry_ref& ref)
{
	auto found = fWindows.find(ref);
	if (found == fWindows.end())
		return;
	// A window cuts its link before it sends its notice, so a live window
	// registered under this entry_ref is a newer one: the notice is stale.
	if (found->second->IsAlive())
		return;
	{
		std::lock_guard<std::mutex> guard(fListLock);
		for (auto i = fWindowList.begin(); i != fWindowList.end(); i++) {
			if (*i == found->second) {
				fWindowList.erase(i);
				break;
			}
		}
		fWindows.erase(found);
	}
	if (fWindows.empty())
		Quit();
}

std::vector<PLApplication::Link> PLApplication::_LiveWindows() const
{
	std::vector<Link> windows;
	std::lock_guard<std::mutex> guard(fListLock);
	windows.reserve(fWindowList.size());
	for (const Link& link : fWindowList) {
		if (link->IsAlive())
			windows.push_back(link);
	}
	return windows;
}

int PLApplication::_Current(const std::vector<Link>& windows)
{
	for (size_t i = 0; i < windows.size(); i++) {
		if (windows[i]->IsActive())
			return (int) i;
	}
	return 0;
}

void PLApplication::NextWindow()
{
	std::vector<Link> windows = _LiveWindows();
	if (windows.empty())
		return;
	int count = (int) windows.size();
	windows[(_Current(windows) + 1) % count]->Activate();
}

void PLApplication::PrevWindow()
{
	std::vector<Link> windows = _LiveWindows();
	if (windows.empty())
		return;
	int count = (int) windows.size();
	windows[(_Current(windows) + count - 1) % count]->Activate();
}

void PLApplication::ActivateWindow(int index)
{
	std::vector<Link> windows = _LiveWindows();
	if (index < 0 || index >= (int) windows.size())
		return;
	windows[index]->Activate();
}

int PLApplication::ActiveWindow()
{
	return _Current(_LiveWindows());
}

void PLApplication::GetWindowList(std::vector<BMessenger>& windows)
{
	std::vector<Link> live = _LiveWindows();
	windows.clear();
	for (const Link& link : live)
		windows.push_back(link->Messenger());
}

// #pragma mark - about

void PLApplication::InitAboutContents()
{
	app_info info;
	if (GetAppInfo(&info) != B_OK) {
		fAboutContents = make_about_contents(NULL, NULL);
		return;
	}
	// Nothing is written, so the file is opened for reading only.
	BFile file(&info.ref, B_READ_ONLY);
	BAppFileInfo appFile;
	version_info version;
	bool haveVersion = file.InitCheck() == B_OK && appFile.SetTo(&file) == B_OK &&
	                   appFile.GetVersionInfo(&version, B_APP_VERSION_KIND) == B_OK;
	fAboutContents = make_about_contents(info.ref.name, haveVersion ? &version : NULL);
}
