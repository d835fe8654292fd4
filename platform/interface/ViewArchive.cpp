// BView archiving: the archive constructor, Archive() and Instantiate().

#include <View.h>

#include <Archivable.h>
#include <Message.h>

#include "interface/ViewPrivate.h"
#include "support/ClassRegistry.h"

static BPrivate::InstantiationRegistrar sRegistrar("BView", &BView::Instantiate);

// The "_color" field holds the high, low and view colours, in this order, each
// packed as 0xRRGGBBAA.
static uint32 pack_color(rgb_color color)
{
	return (static_cast<uint32>(color.red) << 24) | (static_cast<uint32>(color.green) << 16) |
	       (static_cast<uint32>(color.blue) << 8) | color.alpha;
}

static rgb_color unpack_color(uint32 packed)
{
	return make_color(packed >> 24, (packed >> 16) & 0xff, (packed >> 8) & 0xff, packed & 0xff);
}

BView::BView(BMessage* archive) : BHandler(archive)
{
	BRect frame(0, 0, 0, 0);
	if (archive == NULL || archive->FindRect("_frame", &frame) != B_OK || !frame.IsValid())
		frame.Set(0, 0, 0, 0);
	int32 mode = archive != NULL ? archive->GetInt32("_resize_mode", B_FOLLOW_NONE) : B_FOLLOW_NONE;
	int32 flags = archive != NULL ? archive->GetInt32("_flags", 0) : 0;
	_InitData(frame, Name(), static_cast<uint32>(mode), static_cast<uint32>(flags));
	if (archive == NULL)
		return;

	int32 packed;
	if (archive->FindInt32("_color", 0, &packed) == B_OK)
		fState->high = unpack_color(static_cast<uint32>(packed));
	if (archive->FindInt32("_color", 1, &packed) == B_OK)
		fState->low = unpack_color(static_cast<uint32>(packed));
	if (archive->FindInt32("_color", 2, &packed) == B_OK)
		fState->view = unpack_color(static_cast<uint32>(packed));

	int32 drawingMode;
	if (archive->FindInt32("_dmod", &drawingMode) == B_OK && drawingMode >= B_OP_COPY &&
	    drawingMode <= B_OP_ALPHA)
		fState->mode = static_cast<drawing_mode>(drawingMode);
	float penSize;
	if (archive->FindFloat("_psize", &penSize) == B_OK)
		SetPenSize(penSize);
	const char* family;
	const char* style;
	if (archive->FindString("_fname", 0, &family) == B_OK &&
	    archive->FindString("_fname", 1, &style) == B_OK)
		fState->font.SetFamilyAndStyle(family, style);
	float fontSize;
	if (archive->FindFloat("_fflt", &fontSize) == B_OK)
		fState->font.SetSize(fontSize);

	if (archive->GetBool("_hidden", false))
		fShowLevel = 1;

	BMessage childArchive;
	for (int32 i = 0; archive->FindMessage("_views", i, &childArchive) == B_OK; i++) {
		BArchivable* object = instantiate_object(&childArchive);
		BView* child = dynamic_cast<BView*>(object);
		if (child == NULL) {
			delete object;
			continue;
		}
		AddChild(child);
	}
}

BArchivable* BView::Instantiate(BMessage* archive)
{
	if (!validate_instantiation(archive, "BView"))
		return NULL;
	return new BView(archive);
}

status_t BView::Archive(BMessage* archive, bool deep) const
{
	status_t status = BHandler::Archive(archive, deep);
	if (status != B_OK)
		return status;

	archive->AddRect("_frame", fFrame);
	archive->AddInt32("_resize_mode", static_cast<int32>(ResizingMode()));
	archive->AddInt32("_flags", static_cast<int32>(Flags()));
	archive->AddInt32("_color", static_cast<int32>(pack_color(fState->high)));
	archive->AddInt32("_color", static_cast<int32>(pack_color(fState->low)));
	archive->AddInt32("_color", static_cast<int32>(pack_color(fState->view)));
	archive->AddInt32("_dmod", fState->mode);
	archive->AddFloat("_psize", fState->penSize);
	font_family family;
	font_style style;
	fState->font.GetFamilyAndStyle(&family, &style);
	archive->AddString("_fname", family);
	archive->AddString("_fname", style);
	archive->AddFloat("_fflt", fState->font.Size());
	if (fShowLevel > 0)
		archive->AddBool("_hidden", true);

	if (deep) {
		for (BView* child = fFirstChild; child != NULL; child = child->fNextSibling) {
			BMessage childArchive;
			if (child->Archive(&childArchive, true) == B_OK)
				archive->AddMessage("_views", &childArchive);
		}
	}
	return B_OK;
}
