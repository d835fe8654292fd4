#ifndef PL_IMAGE_VIEW_H
#define PL_IMAGE_VIEW_H

#include "view/PLControlView.h"

// The viewing view of a still image: the whole file is decoded once, at
// construction, by whichever translator knows its format.
class PLImageView : public PLControlView {
public:
	// Sized to the picture; InitCheck() is B_ERROR when the file cannot be
	// read or decoded.
	PLImageView(const entry_ref& ref);
	// A replicant; a file that is gone leaves it in the null state.
	PLImageView(BMessage* archive);
	virtual ~PLImageView();

	static BArchivable* Instantiate(BMessage* archive);
	virtual status_t Archive(BMessage* data, bool deep = true) const;
	virtual status_t InitCheck() const;

private:
	status_t _Load();

	status_t fStatus;
};

#endif
