// A library of one archivable class, for the tests of loading code by
// signature. Built twice under two class names (PL_TEST_CLASS): one library
// is registered as it should be, the other only ever from places that must
// be refused, so that no earlier load can stand in for a refused one.

#include <Archivable.h>
#include <Message.h>

#include "support/ClassRegistry.h"

#define PL_STRINGIFY2(x) #x
#define PL_STRINGIFY(x) PL_STRINGIFY2(x)

namespace {

class PL_TEST_CLASS : public BArchivable {
public:
	explicit PL_TEST_CLASS(BMessage* archive) : BArchivable(archive)
	{
		fValue = archive->GetInt32("value", -1);
	}

	status_t Archive(BMessage* into, bool deep) const override
	{
		status_t status = BArchivable::Archive(into, deep);
		if (status == B_OK)
			status = into->AddInt32("value", fValue);
		return status;
	}

	static BArchivable* Instantiate(BMessage* archive)
	{
		if (!validate_instantiation(archive, PL_STRINGIFY(PL_TEST_CLASS)))
			return NULL;
		return new PL_TEST_CLASS(archive);
	}

private:
	int32 fValue;
};

BPrivate::InstantiationRegistrar sRegistrar(PL_STRINGIFY(PL_TEST_CLASS), &PL_TEST_CLASS::Instantiate);

} // namespace
