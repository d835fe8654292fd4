#ifndef PL_CONTROL_VIEW_H
#define PL_CONTROL_VIEW_H

#include <Entry.h>
#include <Point.h>

#include "replicant/PLReplicantableView.h"

class BBitmap;
class PLControlState;

// The viewing view: which file, which picture, at which magnification,
// scrolled to where. It archives that model, follows its file when the file
// is renamed or moved, and hands every drawing, input and command hook to its
// state object, which decides what the hook does. Subclasses supply the
// picture.
class PLControlView : public PLReplicantableView {
public:
	// For an application window: magnification 1.0, offset (0, 0), the
	// application state, an 8 x 8 frame the subclass resizes to its picture.
	PLControlView(const entry_ref& ref);
	// For a replicant: the model from the archive, the replicant state.
	PLControlView(BMessage* archive);
	virtual ~PLControlView();

	// "PL:magnification", "PL:offset" and "PL:ref" after the base's fields.
	virtual status_t Archive(BMessage* data, bool deep = true) const;
	virtual void MessageReceived(BMessage* message);
	virtual void AllAttached();
	virtual void AllDetached();
	virtual void Draw(BRect updateRect);
	virtual void MouseDown(BPoint where);
	virtual void MouseUp(BPoint where);
	virtual void MouseMoved(BPoint where, uint32 transit, const BMessage* dragMessage);
	virtual void KeyDown(const char* bytes, int32 numBytes);
	virtual void FrameResized(float width, float height);

	// B_OK when the subclass could open its content.
	virtual status_t InitCheck() const = 0;

	// The leaf name of the file shown ("" when the reference has none).
	const char* FileName() const;
	const entry_ref& Ref() const { return fRef; }
	float Magnification() const { return fMagnification; }
	BPoint Offset() const { return fOffset; }

	// Geometry. Sizes are BRect spans (right - left), offsets whole numbers.
	// Rescales about the view's centre and retitles the window. A
	// magnification that is not finite and positive is refused.
	void ChangeMagnification(float magnification);
	// Centres the picture on an axis where it is smaller than the view,
	// otherwise closes any gap at the view's edges.
	void InscribedToFrame();
	// Sizes the window to the magnified picture within the screen, centred on
	// where it was; announces the resize to itself first ('Minr').
	void FitToScreen();
	// "<file name>   <percent>%" in an application window.
	void SetTitle();

	void StartNodeMonitoring();
	void EndNodeMonitoring();
	// Takes the new name and directory from a move notification.
	void PursuitNode(const BMessage* message);

protected:
	// The states work on these directly; they hold no data of their own.
	friend class PLControlState;
	friend class PLControlApplicationState;
	friend class PLControlReplicantState;
	friend class PLControlNullState;

	entry_ref fRef;
	BBitmap* fBitmap;       // owned by the subclass; NULL until it supplies one
	PLControlState* fState; // a singleton, never owned
	BPoint fOffset;         // picture's left-top in view coordinates
	float fMagnification;   // bitmap pixels to view pixels; 1.0 is 100 %
	bool fIgnoreNextResize; // set by 'Minr', used up by the next FrameResized
	BPoint fDragPoint;      // pointer at the previous drag step
	bool fDragging;
};

#endif
