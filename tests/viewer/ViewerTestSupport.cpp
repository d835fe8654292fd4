#include "viewer/ViewerTestSupport.h"

#include <Bitmap.h>
#include <Window.h>

#include <cstdlib>
#include <cstring>

#include "platform/interface/InterfaceTestSupport.h"

std::string sample_path(const char* name)
{
	const char* root = getenv("PL_SOURCE_DIR");
	return std::string(root != NULL ? root : ".") + "/samples/" + name;
}

entry_ref ref_for(const std::string& path)
{
	entry_ref ref;
	get_ref_for_path(path.c_str(), &ref);
	return ref;
}

BWindow* make_document_window(BRect frame, const char* title)
{
	BWindow* window = new BWindow(frame, title, B_DOCUMENT_WINDOW, 0);
	window->SetSizeLimits(50, 100000, 50, 100000);
	return window;
}

bool show_with_view(BWindow* window, BView* view)
{
	window->AddChild(view);
	window->Show();
	// Attachment fits the window, which queues a 'Minr' and a resize; two
	// round trips see both handled.
	return settle_window(window);
}

void quit_window(BWindow* window)
{
	if (window->Lock())
		window->Quit();
}

BBitmap* make_bitmap(int32 width, int32 height, rgb_color color)
{
	BBitmap* bitmap = new BBitmap(BRect(0, 0, width - 1, height - 1), B_RGB32);
	uint8* bits = static_cast<uint8*>(bitmap->Bits());
	for (int32 y = 0; y < height; y++) {
		uint8* row = bits + size_t(y) * bitmap->BytesPerRow();
		for (int32 x = 0; x < width; x++) {
			row[x * 4 + 0] = color.blue;
			row[x * 4 + 1] = color.green;
			row[x * 4 + 2] = color.red;
			row[x * 4 + 3] = 255;
		}
	}
	return bitmap;
}

SyntheticView::SyntheticView(int32 width, int32 height, rgb_color color, const char* name)
    : PLControlView(entry_ref(1, 1, name))
{
	fBitmap = make_bitmap(width, height, color);
	ResizeTo(fBitmap->Bounds().Width(), fBitmap->Bounds().Height());
}

void SyntheticView::PaintStripes()
{
	const rgb_color colors[4] = {make_color(255, 0, 0), make_color(0, 255, 0),
	                             make_color(0, 0, 255), make_color(255, 255, 255)};
	int32 width = fBitmap->Bounds().IntegerWidth() + 1;
	int32 height = fBitmap->Bounds().IntegerHeight() + 1;
	uint8* bits = static_cast<uint8*>(fBitmap->Bits());
	for (int32 y = 0; y < height; y++) {
		uint8* row = bits + size_t(y) * fBitmap->BytesPerRow();
		for (int32 x = 0; x < width; x++) {
			rgb_color color = colors[x * 4 / width];
			row[x * 4 + 0] = color.blue;
			row[x * 4 + 1] = color.green;
			row[x * 4 + 2] = color.red;
		}
	}
}

SyntheticView::~SyntheticView()
{
	delete fBitmap;
}

namespace {

// Reaches the protected member through a pointer to member, which any
// subclass may form.
struct StateAccess : PLControlView {
	static PLControlState* PLControlView::*Member() { return &StateAccess::fState; }
};

} // namespace

PLControlState* state_of(PLControlView* view)
{
	return view->*StateAccess::Member();
}

bool close_color(rgb_color a, rgb_color b, int tolerance)
{
	return abs(a.red - b.red) <= tolerance && abs(a.green - b.green) <= tolerance &&
	       abs(a.blue - b.blue) <= tolerance;
}
