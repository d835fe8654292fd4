#include "content/PLImageView.h"

#include <Archivable.h>
#include <Bitmap.h>
#include <File.h>
#include <Message.h>
#include <TranslationUtils.h>

#include <new>

#include "app/AppSignature.h"
#include "content/ContentFile.h"
#include "state/PLControlNullState.h"

PLImageView::PLImageView(const entry_ref& ref) : PLControlView(ref), fStatus(B_ERROR)
{
	fStatus = _Load();
	if (fStatus == B_OK) {
		BRect bounds = fBitmap->Bounds();
		ResizeTo(bounds.Width(), bounds.Height());
	}
}

PLImageView::PLImageView(BMessage* archive) : PLControlView(archive), fStatus(B_ERROR)
{
	// The replicant keeps the frame its archive gave it either way.
	fStatus = _Load();
	if (fStatus != B_OK)
		fState = PLControlNullState::Instance();
}

PLImageView::~PLImageView()
{
	delete fBitmap;
}

BArchivable* PLImageView::Instantiate(BMessage* archive)
{
	if (!validate_instantiation(archive, "PLImageView"))
		return NULL;
	return new (std::nothrow) PLImageView(archive);
}

status_t PLImageView::Archive(BMessage* data, bool deep) const
{
	data->AddString("add_on", kPLAppSignature);
	return PLControlView::Archive(data, deep);
}

status_t PLImageView::InitCheck() const
{
	return fStatus;
}

status_t PLImageView::_Load()
{
	if (check_content_file(fRef) != B_OK)
		return B_ERROR;
	BFile file(&fRef, B_READ_ONLY);
	// Swapped for something else since the look: still not for a decoder.
	if (!file.IsFile())
		return B_ERROR;
	fBitmap = BTranslationUtils::GetBitmap(&file, NULL);
	return fBitmap != NULL ? B_OK : B_ERROR;
}
