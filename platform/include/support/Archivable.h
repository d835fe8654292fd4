#ifndef _ARCHIVABLE_H
#define _ARCHIVABLE_H

#include <SupportDefs.h>
#include <image.h>

class BMessage;

// The field that names an archive's classes, and the one that names the
// application or add-on holding their code.
#define B_CLASS_FIELD "class"
#define B_ADD_ON_FIELD "add_on"

// An object that can write itself into a BMessage and be rebuilt from it,
// possibly in another process.
class BArchivable {
public:
	BArchivable();
	BArchivable(BMessage* from);
	virtual ~BArchivable();

	// Adds the class name of the object's dynamic type to "class". Subclasses
	// call their base's Archive first, then add their own fields; |deep|
	// also archives the objects they own.
	virtual status_t Archive(BMessage* into, bool deep = true) const;
	// BArchivable itself cannot be built from an archive: NULL.
	static BArchivable* Instantiate(BMessage* from);

	virtual status_t Perform(perform_code d, void* arg);
};

typedef BArchivable* (*instantiation_func)(BMessage*);

// Builds the object |from| describes with the Instantiate function of the
// class it names; NULL (and errno set) when no such class is reachable or
// Instantiate refuses. |id| receives the image that had to be loaded for it,
// or -1 when the code was already there.
BArchivable* instantiate_object(BMessage* from, image_id* id);
BArchivable* instantiate_object(BMessage* from);

// True iff |className| appears in |from|'s "class" field; otherwise false
// with errno = B_MISMATCHED_VALUES.
bool validate_instantiation(BMessage* from, const char* className);

// The Instantiate function of a class whose code is loaded, or NULL.
// With a signature, the image of that application may be loaded to find it.
instantiation_func find_instantiation_func(const char* className, const char* signature);
instantiation_func find_instantiation_func(const char* className);
// For the first class an archive names, with its "add_on" signature.
instantiation_func find_instantiation_func(BMessage* archive);

#endif
