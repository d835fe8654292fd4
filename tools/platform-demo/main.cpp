// The platform's demonstration: opens a window with a picture decoded by the
// translation kit, drawn scaled by the interface kit, captioned with the
// version the application reads back from its own resources.

#include <stdio.h>
#include <string.h>

#include <string>

#include <AppFileInfo.h>
#include <Application.h>
#include <Bitmap.h>
#include <File.h>
#include <Roster.h>
#include <Screen.h>
#include <TranslationUtils.h>
#include <Window.h>

#include "DemoView.h"

namespace {

const char* kSignature = "application/x-vnd.Tarvosk.Pelivant2";

class DemoWindow : public BWindow {
public:
	DemoWindow(BRect frame, const char* title) : BWindow(frame, title, B_TITLED_WINDOW, 0) {}

	virtual bool QuitRequested()
	{
		be_app->PostMessage(B_QUIT_REQUESTED);
		return true;
	}
};

class DemoApplication : public BApplication {
public:
	DemoApplication(const char* picturePath) : BApplication(kSignature), fPicturePath(picturePath)
	{
	}

	virtual void ReadyToRun()
	{
		BBitmap* picture = BTranslationUtils::GetBitmap(fPicturePath);
		if (picture == NULL) {
			fprintf(stderr, "platform-demo: cannot decode %s\n", fPicturePath);
			Quit();
			return;
		}

		char caption[512];
		BRect size = picture->Bounds();
		snprintf(caption, sizeof(caption), "%s   %d x %d   %s", _Version().c_str(),
		         static_cast<int>(size.Width() + 1), static_cast<int>(size.Height() + 1),
		         _Leaf(fPicturePath));

		BRect screen = BScreen().Frame();
		float width = size.Width() + 1 < 960 ? size.Width() : 959;
		float height = size.Height() + 1 < 720 ? size.Height() + 24 : 719 + 24;
		BRect frame(0, 0, width, height);
		frame.OffsetTo(static_cast<int32>((screen.Width() - width) / 2),
		               static_cast<int32>((screen.Height() - height) / 2));

		DemoWindow* window = new DemoWindow(frame, _Leaf(fPicturePath));
		DemoView* view = new DemoView(window->Bounds(), picture, caption);
		window->AddChild(view);
		view->MakeFocus();
		window->Show();
	}

private:
	static const char* _Leaf(const char* path)
	{
		const char* slash = strrchr(path, '/');
		return slash != NULL ? slash + 1 : path;
	}

	std::string _Version() const
	{
		app_info info;
		if (GetAppInfo(&info) != B_OK)
			return "Pelivant";
		BFile file(&info.ref, B_READ_ONLY);
		BAppFileInfo appFile(&file);
		version_info version;
		if (appFile.InitCheck() != B_OK ||
		    appFile.GetVersionInfo(&version, B_APP_VERSION_KIND) != B_OK)
			return "Pelivant";
		char text[128];
		snprintf(text, sizeof(text), "Pelivant %u.%u.%u", version.major, version.middle,
		         version.minor);
		return text;
	}

	const char* fPicturePath;
};

} // namespace

int main(int argc, char** argv)
{
	const char* picture = argc > 1 ? argv[1] : PL_DEMO_SAMPLE;
	DemoApplication application(picture);
	application.Run();
	return 0;
}
