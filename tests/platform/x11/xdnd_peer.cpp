// The other program of the drag-and-drop tests and benchmark:
//   xdnd_peer source X Y SIZE     a window whose view drags an archive of
//                                 SIZE data bytes when pressed and moved
//   xdnd_peer target X Y OUTPUT   a window whose view writes what is dropped
//                                 on it: OUTPUT gets the flattened message
//                                 (without the drop fields), OUTPUT.meta
//                                 "dropped remote x y moves handled-time"
// Both windows are 200 x 200 with their content at X, Y.

#include <Application.h>
#include <View.h>
#include <Window.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "XdndPeerMessage.h"

namespace {

class SourceView : public BView {
public:
	SourceView(BRect frame, size_t size)
	    : BView(frame, "source", B_FOLLOW_ALL, B_WILL_DRAW), fArchive(xdnd_peer_archive(size))
	{
	}

	void MouseDown(BPoint) override
	{
		fPressed = true;
		SetMouseEventMask(B_POINTER_EVENTS);
	}
	void MouseMoved(BPoint, uint32, const BMessage* drag) override
	{
		if (!fPressed || drag != NULL)
			return;
		fPressed = false;
		DragMessage(&fArchive, BRect(20, 20, 69, 69));
	}
	void MouseUp(BPoint) override { fPressed = false; }

private:
	BMessage fArchive;
	bool fPressed = false;
};

class TargetView : public BView {
public:
	TargetView(BRect frame, const char* output)
	    : BView(frame, "target", B_FOLLOW_ALL, B_WILL_DRAW), fOutput(output)
	{
	}

	void MouseMoved(BPoint, uint32, const BMessage* drag) override
	{
		if (drag != NULL)
			fMoves++;
	}
	void MessageReceived(BMessage* message) override
	{
		if (!message->WasDropped()) {
			BView::MessageReceived(message);
			return;
		}
		bigtime_t handled = system_time();
		BPoint where = message->DropPoint();
		BMessage copy(*message);
		copy.RemoveName("_drop_point_");
		copy.RemoveName("_drop_offset_");
		_Write(fOutput, xdnd_flat(copy));
		char meta[160];
		snprintf(meta, sizeof(meta), "%d %d %.0f %.0f %d %lld\n", message->WasDropped() ? 1 : 0,
		         message->IsSourceRemote() ? 1 : 0, where.x, where.y, fMoves, (long long) handled);
		_Write(fOutput + ".meta", meta);
		fMoves = 0;
	}

private:
	static void _Write(const std::string& path, const std::string& bytes)
	{
		std::string temporary = path + ".tmp";
		FILE* file = fopen(temporary.c_str(), "wb");
		if (file == NULL)
			return;
		fwrite(bytes.data(), 1, bytes.size(), file);
		fclose(file);
		rename(temporary.c_str(), path.c_str());
	}

	std::string fOutput;
	int fMoves = 0;
};

} // namespace

int main(int argc, char** argv)
{
	if (argc != 5)
		return 2;
	bool source = strcmp(argv[1], "source") == 0;
	float x = atof(argv[2]);
	float y = atof(argv[3]);
	BApplication app(source ? "application/x-vnd.test-xdnd-source"
	                        : "application/x-vnd.test-xdnd-target");
	BRect frame(x, y, x + 199, y + 199);
	BWindow* window = new BWindow(frame, source ? "dnd source" : "dnd target", B_TITLED_WINDOW,
	                              B_QUIT_ON_WINDOW_CLOSE);
	BRect bounds = window->Bounds();
	if (source)
		window->AddChild(new SourceView(bounds, strtoul(argv[4], NULL, 10)));
	else
		window->AddChild(new TargetView(bounds, argv[4]));
	window->Show();
	app.Run();
	return 0;
}
