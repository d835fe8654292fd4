#ifndef PL_REPLICANT_INPUT_FILTER_H
#define PL_REPLICANT_INPUT_FILTER_H

#include <MessageFilter.h>

class PLReplicantableView;

// Makes a replicant's lock work. While the replicant is locked, its mouse
// and key-down input goes to the desktop view beneath it, in that view's
// coordinates, or is dropped when the host is not the desktop. Unlocked, or
// for any other message, it changes nothing.
class PLReplicantInputFilter : public BMessageFilter {
public:
	PLReplicantInputFilter(PLReplicantableView* view);
	virtual ~PLReplicantInputFilter();

	virtual filter_result Filter(BMessage* message, BHandler** target);

private:
	void _ConvertToParent(BMessage* message, const char* field);

	PLReplicantableView* fView; // the handler the filter is on; not owned
};

#endif
