#ifndef _VIEW_H
#define _VIEW_H

#include <Font.h>
#include <GraphicsDefs.h>
#include <Handler.h>
#include <InterfaceDefs.h>
#include <Point.h>
#include <Rect.h>

class BArchivable;
class BBitmap;
class BMessage;
class BRegion;
class BWindow;

namespace BPrivate {
class Painter;
struct ViewState;
class WindowUpdater;
class WindowDispatcher;
} // namespace BPrivate

// The "buttons" of mouse messages.
enum {
	B_PRIMARY_MOUSE_BUTTON = 0x01,
	B_SECONDARY_MOUSE_BUTTON = 0x02,
	B_TERTIARY_MOUSE_BUTTON = 0x04
};

// Mouse-moved transits.
enum { B_ENTERED_VIEW = 0, B_INSIDE_VIEW, B_EXITED_VIEW, B_OUTSIDE_VIEW };

// SetMouseEventMask() masks and options.
enum { B_POINTER_EVENTS = 0x00000001, B_KEYBOARD_EVENTS = 0x00000002 };

enum {
	B_LOCK_WINDOW_FOCUS = 0x00000001,
	B_SUSPEND_VIEW_FOCUS = 0x00000002,
	B_NO_POINTER_HISTORY = 0x00000004,
	B_FULL_POINTER_HISTORY = 0x00000008
};

// Resizing modes: four 4-bit selectors saying which parent edge each of the
// view's edges follows.
#define _RESIZE_MASK_ (0xffff)

enum { _VIEW_TOP_ = 1, _VIEW_LEFT_ = 2, _VIEW_BOTTOM_ = 3, _VIEW_RIGHT_ = 4, _VIEW_CENTER_ = 5 };

inline uint32 _rule_(uint32 r1, uint32 r2, uint32 r3, uint32 r4)
{
	return ((r1 << 12) | (r2 << 8) | (r3 << 4) | r4);
}

#define B_FOLLOW_NONE 0
#define B_FOLLOW_ALL_SIDES _rule_(_VIEW_TOP_, _VIEW_LEFT_, _VIEW_BOTTOM_, _VIEW_RIGHT_)
#define B_FOLLOW_ALL B_FOLLOW_ALL_SIDES

#define B_FOLLOW_LEFT _rule_(0, _VIEW_LEFT_, 0, _VIEW_LEFT_)
#define B_FOLLOW_RIGHT _rule_(0, _VIEW_RIGHT_, 0, _VIEW_RIGHT_)
#define B_FOLLOW_LEFT_RIGHT _rule_(0, _VIEW_LEFT_, 0, _VIEW_RIGHT_)
#define B_FOLLOW_H_CENTER _rule_(0, _VIEW_CENTER_, 0, _VIEW_CENTER_)

#define B_FOLLOW_TOP _rule_(_VIEW_TOP_, 0, _VIEW_TOP_, 0)
#define B_FOLLOW_BOTTOM _rule_(_VIEW_BOTTOM_, 0, _VIEW_BOTTOM_, 0)
#define B_FOLLOW_TOP_BOTTOM _rule_(_VIEW_TOP_, 0, _VIEW_BOTTOM_, 0)
#define B_FOLLOW_V_CENTER _rule_(_VIEW_CENTER_, 0, _VIEW_CENTER_, 0)

// View flags: the high 16 bits of the flags word (the low 16 are the mode).
const uint32 B_FULL_UPDATE_ON_RESIZE = 0x80000000UL;
const uint32 _B_RESERVED1_ = 0x40000000UL;
const uint32 B_WILL_DRAW = 0x20000000UL;
const uint32 B_PULSE_NEEDED = 0x10000000UL;
const uint32 B_NAVIGABLE_JUMP = 0x08000000UL;
const uint32 B_FRAME_EVENTS = 0x04000000UL;
const uint32 B_NAVIGABLE = 0x02000000UL;
const uint32 B_SUBPIXEL_PRECISE = 0x01000000UL;
const uint32 B_DRAW_ON_CHILDREN = 0x00800000UL;
// [Haiku] The view paints only part of its frame: what lies beneath it (its
// parent, the siblings before it) stays visible and is drawn first. Combine
// with a B_TRANSPARENT_COLOR view colour.
const uint32 B_TRANSPARENT_BACKGROUND = 0x00040000UL;

#define _VIEW_FLAGS_MASK_ 0xffff0000UL

// A rectangle of a window that draws itself and takes input. Views form a
// tree below the window; every hook runs in the window's thread with the
// window locked. Drawing outside Draw() is allowed while the window is locked.
class BView : public BHandler {
public:
	BView(BRect frame, const char* name, uint32 resizingMode, uint32 flags);
	BView(BMessage* archive);
	virtual ~BView();

	static BArchivable* Instantiate(BMessage* archive);
	virtual status_t Archive(BMessage* archive, bool deep = true) const;

	// Hooks.
	virtual void AttachedToWindow();
	virtual void AllAttached();
	virtual void DetachedFromWindow();
	virtual void AllDetached();

	virtual void MessageReceived(BMessage* message);

	virtual void Draw(BRect updateRect);
	virtual void DrawAfterChildren(BRect updateRect);
	virtual void MouseDown(BPoint where);
	virtual void MouseUp(BPoint where);
	virtual void MouseMoved(BPoint where, uint32 transit, const BMessage* dragMessage);
	virtual void KeyDown(const char* bytes, int32 numBytes);
	virtual void KeyUp(const char* bytes, int32 numBytes);
	virtual void FrameMoved(BPoint newPosition);
	virtual void FrameResized(float newWidth, float newHeight);
	virtual void WindowActivated(bool active);
	virtual void MakeFocus(bool focus = true);
	virtual void Show();
	virtual void Hide();

	// Hierarchy.
	void AddChild(BView* child, BView* before = NULL);
	bool RemoveChild(BView* child);
	bool RemoveSelf();
	int32 CountChildren() const;
	BView* ChildAt(int32 index) const;
	BView* NextSibling() const;
	BView* PreviousSibling() const;
	BView* FindView(const char* name) const;
	BView* Parent() const;
	BWindow* Window() const;

	// Geometry.
	BRect Bounds() const;
	BRect Frame() const;
	void MoveBy(float dx, float dy);
	void MoveTo(BPoint where);
	void MoveTo(float x, float y);
	void ResizeBy(float dx, float dy);
	void ResizeTo(float width, float height);
	void ScrollBy(float dx, float dy);
	void ScrollTo(BPoint where);
	void ScrollTo(float x, float y) { ScrollTo(BPoint(x, y)); }

	void ConvertToScreen(BPoint* point) const;
	BPoint ConvertToScreen(BPoint point) const;
	void ConvertFromScreen(BPoint* point) const;
	BPoint ConvertFromScreen(BPoint point) const;
	void ConvertToScreen(BRect* rect) const;
	BRect ConvertToScreen(BRect rect) const;
	void ConvertFromScreen(BRect* rect) const;
	BRect ConvertFromScreen(BRect rect) const;
	void ConvertToParent(BPoint* point) const;
	BPoint ConvertToParent(BPoint point) const;
	void ConvertFromParent(BPoint* point) const;
	BPoint ConvertFromParent(BPoint point) const;
	void ConvertToParent(BRect* rect) const;
	BRect ConvertToParent(BRect rect) const;
	void ConvertFromParent(BRect* rect) const;
	BRect ConvertFromParent(BRect rect) const;

	// Flags and modes.
	uint32 Flags() const;
	virtual void SetFlags(uint32 flags);
	uint32 ResizingMode() const;
	virtual void SetResizingMode(uint32 mode);

	bool IsHidden() const;
	bool IsHidden(const BView* lookingFrom) const;

	// Input.
	bool IsFocus() const;
	// Only while handling B_MOUSE_DOWN; lasts until every button is up.
	status_t SetMouseEventMask(uint32 mask, uint32 options = 0);
	// Lasts until changed: the view also gets every pointer event
	// (B_POINTER_EVENTS) and/or every key (B_KEYBOARD_EVENTS) of its window.
	status_t SetEventMask(uint32 mask, uint32 options = 0);
	uint32 EventMask();
	void GetMouse(BPoint* location, uint32* buttons, bool checkMessageQueue = true);
	// Only while a mouse button is down. The message is copied; the bitmap
	// belongs to the drag from then on. The drop's reply goes to |replyTo|
	// (default: this view).
	void DragMessage(BMessage* message, BRect dragRect, BHandler* replyTo = NULL);
	void DragMessage(BMessage* message, BBitmap* image, BPoint offset, BHandler* replyTo = NULL);
	void DragMessage(BMessage* message, BBitmap* image, drawing_mode dragMode, BPoint offset,
	                 BHandler* replyTo = NULL);

	// Updates and clipping.
	void Invalidate();
	void Invalidate(BRect invalRect);
	void Invalidate(const BRegion* invalRegion);
	void ConstrainClippingRegion(BRegion* region);
	void GetClippingRegion(BRegion* region) const;

	// Drawing state.
	virtual void SetViewColor(rgb_color color);
	void SetViewColor(uint8 red, uint8 green, uint8 blue, uint8 alpha = 255);
	rgb_color ViewColor() const;
	virtual void SetHighColor(rgb_color color);
	void SetHighColor(uint8 red, uint8 green, uint8 blue, uint8 alpha = 255);
	rgb_color HighColor() const;
	virtual void SetLowColor(rgb_color color);
	void SetLowColor(uint8 red, uint8 green, uint8 blue, uint8 alpha = 255);
	rgb_color LowColor() const;
	virtual void SetDrawingMode(drawing_mode mode);
	drawing_mode DrawingMode() const;
	virtual void SetPenSize(float size);
	float PenSize() const;
	void MovePenTo(BPoint point);
	void MovePenTo(float x, float y);
	void MovePenBy(float dx, float dy);
	BPoint PenLocation() const;

	virtual void SetFont(const BFont* font, uint32 mask = B_FONT_ALL);
	void GetFont(BFont* font) const;
	void SetFontSize(float size);
	float StringWidth(const char* string) const;
	float StringWidth(const char* string, int32 length) const;
	void GetFontHeight(font_height* height) const;

	// Drawing.
	void FillRect(BRect rect, ::pattern pattern = B_SOLID_HIGH);
	void FillRegion(BRegion* region, ::pattern pattern = B_SOLID_HIGH);
	void StrokeRect(BRect rect, ::pattern pattern = B_SOLID_HIGH);
	void StrokeLine(BPoint toPoint, ::pattern pattern = B_SOLID_HIGH);
	void StrokeLine(BPoint start, BPoint end, ::pattern pattern = B_SOLID_HIGH);
	void DrawString(const char* string, escapement_delta* delta = NULL);
	void DrawString(const char* string, BPoint location, escapement_delta* delta = NULL);
	void DrawString(const char* string, int32 length, BPoint location,
	                escapement_delta* delta = NULL);
	void DrawBitmap(const BBitmap* bitmap);
	void DrawBitmap(const BBitmap* bitmap, BPoint where);
	void DrawBitmap(const BBitmap* bitmap, BRect destRect);
	void DrawBitmap(const BBitmap* bitmap, BRect sourceRect, BRect destRect);
	void DrawBitmapAsync(const BBitmap* bitmap);
	void DrawBitmapAsync(const BBitmap* bitmap, BPoint where);
	void DrawBitmapAsync(const BBitmap* bitmap, BRect destRect);
	void DrawBitmapAsync(const BBitmap* bitmap, BRect sourceRect, BRect destRect);
	void Sync() const;
	void Flush() const;

private:
	friend class BWindow;
	friend class BPrivate::WindowUpdater;
	friend class BPrivate::WindowDispatcher;
	friend struct BPrivate::ViewState;

	void _InitData(BRect frame, const char* name, uint32 resizingMode, uint32 flags);
	void _Attach(BWindow* window);
	void _CallAttachedHooks();
	void _CallAllAttachedHooks();
	void _Detach();
	void _CallDetachedHooks();
	void _CallAllDetachedHooks();
	void _ParentResizedBy(float dx, float dy);
	void _FrameChanged(BRect oldFrame);
	BPoint _WindowOffset() const;
	void _InvalidateInParent(BRect parentRect);
	BPrivate::Painter* _BeginDrawing();

	BRect fFrame;         // in the parent's coordinates, whole pixels
	BPoint fScrollOrigin; // left-top of Bounds()
	uint32 fFlags;        // flags | resizing mode
	int32 fShowLevel;     // > 0: hidden by its own Hide() calls
	BView* fParent;       // the window's top view counts as a parent
	BView* fFirstChild;
	BView* fNextSibling;
	BView* fPreviousSibling;
	BWindow* fOwner;             // NULL while detached
	BPrivate::ViewState* fState; // drawing state; never NULL
	bool fTopLevel;              // the window's hidden top view
};

#endif
