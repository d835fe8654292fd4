#include <Archivable.h>

#include <cxxabi.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <typeinfo>

#include <Message.h>

#include "support/ClassRegistry.h"

namespace {

// "ns::Outer::Class<ns::T>" -> "Class<ns::T>": archives name classes the way
// their sources spell them, without the namespaces around them.
std::string unqualified_class_name(const std::type_info& type)
{
	int status = 0;
	char* demangled = abi::__cxa_demangle(type.name(), NULL, NULL, &status);
	std::string name = status == 0 && demangled != NULL ? demangled : type.name();
	free(demangled);

	size_t start = 0;
	int depth = 0;
	for (size_t i = 0; i < name.size(); i++) {
		char c = name[i];
		if (c == '<' || c == '(')
			depth++;
		else if ((c == '>' || c == ')') && depth > 0)
			depth--;
		else if (depth == 0 && c == ':' && i + 1 < name.size() && name[i + 1] == ':')
			start = i + 2;
	}
	return name.substr(start);
}

} // namespace

BArchivable::BArchivable() = default;

BArchivable::BArchivable(BMessage*) {}

BArchivable::~BArchivable() = default;

status_t BArchivable::Archive(BMessage* into, bool) const
{
	if (into == NULL)
		return B_BAD_VALUE;
	std::string name;
	try {
		name = unqualified_class_name(typeid(*this));
	} catch (const std::bad_alloc&) {
		return B_NO_MEMORY;
	}
	return into->AddString(B_CLASS_FIELD, name.c_str());
}

BArchivable* BArchivable::Instantiate(BMessage*)
{
	errno = B_BAD_VALUE;
	return NULL;
}

status_t BArchivable::Perform(perform_code, void*)
{
	return B_NAME_NOT_FOUND;
}

bool validate_instantiation(BMessage* from, const char* className)
{
	if (from == NULL || className == NULL) {
		errno = B_BAD_VALUE;
		return false;
	}
	const char* name;
	for (int32 i = 0; from->FindString(B_CLASS_FIELD, i, &name) == B_OK; i++) {
		if (strcmp(name, className) == 0)
			return true;
	}
	errno = B_MISMATCHED_VALUES;
	return false;
}

instantiation_func find_instantiation_func(const char* className)
{
	return find_instantiation_func(className, NULL);
}

instantiation_func find_instantiation_func(BMessage* archive)
{
	if (archive == NULL) {
		errno = B_BAD_VALUE;
		return NULL;
	}
	const char* className;
	if (archive->FindString(B_CLASS_FIELD, &className) != B_OK) {
		errno = B_BAD_VALUE;
		return NULL;
	}
	const char* signature = NULL;
	archive->FindString(B_ADD_ON_FIELD, &signature);
	return find_instantiation_func(className, signature);
}

BArchivable* instantiate_object(BMessage* from)
{
	return instantiate_object(from, NULL);
}
