#include "support/ClassRegistry.h"

#include <ctype.h>
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>

#include <mutex>
#include <set>
#include <string>
#include <unordered_map>

#include <Message.h>

namespace BPrivate {

namespace {

// The Be API finds classes by the name their archives carry, so this table
// is keyed by that name; it is read once per instantiation, not per message.
struct ClassTable {
	std::mutex lock;
	std::unordered_map<std::string, instantiation_func> classes; // guarded by lock
	add_on_loader loader = NULL;                                 // guarded by lock
	std::set<std::string> reported; // lower-cased signatures; guarded by lock
};

ClassTable& class_table()
{
	// Never destroyed: libraries unloaded at exit unregister into it.
	static ClassTable* table = new ClassTable;
	return *table;
}

bool is_plain_identifier(const char* name)
{
	if (name[0] == '\0' || (name[0] >= '0' && name[0] <= '9'))
		return false;
	for (const char* p = name; *p != '\0'; p++) {
		char c = *p;
		if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
		      c == '_'))
			return false;
	}
	return true;
}

// Class::Instantiate(BMessage*) as the Itanium C++ ABI mangles it, for a
// class at global scope: a library built with default visibility exports it.
instantiation_func exported_instantiation_func(const char* className)
{
	if (!is_plain_identifier(className) || strlen(className) > 1024)
		return NULL;
	std::string symbol =
	    "_ZN" + std::to_string(strlen(className)) + className + "11InstantiateEP8BMessage";
	void* address = dlsym(RTLD_DEFAULT, symbol.c_str());
	return reinterpret_cast<instantiation_func>(address);
}

} // namespace

status_t register_instantiation_func(const char* className, instantiation_func func)
{
	if (className == NULL || className[0] == '\0' || func == NULL)
		return B_BAD_VALUE;
	ClassTable& table = class_table();
	try {
		std::lock_guard<std::mutex> guard(table.lock);
		table.classes[className] = func;
	} catch (const std::bad_alloc&) {
		return B_NO_MEMORY;
	}
	return B_OK;
}

void unregister_instantiation_func(const char* className, instantiation_func func)
{
	if (className == NULL)
		return;
	ClassTable& table = class_table();
	std::lock_guard<std::mutex> guard(table.lock);
	auto found = table.classes.find(className);
	if (found != table.classes.end() && found->second == func)
		table.classes.erase(found);
}

instantiation_func lookup_instantiation_func(const char* className)
{
	if (className == NULL)
		return NULL;
	{
		ClassTable& table = class_table();
		std::lock_guard<std::mutex> guard(table.lock);
		auto found = table.classes.find(className);
		if (found != table.classes.end())
			return found->second;
	}
	return exported_instantiation_func(className);
}

std::vector<instantiation_func> registered_instantiation_funcs()
{
	ClassTable& table = class_table();
	std::lock_guard<std::mutex> guard(table.lock);
	std::vector<instantiation_func> funcs;
	funcs.reserve(table.classes.size());
	for (const auto& entry : table.classes)
		funcs.push_back(entry.second);
	return funcs;
}

void report_add_on_failure(const char* signature, const char* reason)
{
	std::string key = signature != NULL ? signature : "";
	for (char& c : key)
		c = (char) tolower((unsigned char) c);
	ClassTable& table = class_table();
	{
		std::lock_guard<std::mutex> guard(table.lock);
		if (!table.reported.insert(key).second)
			return;
	}
	// The signature came from an archive: only printable bytes reach the log.
	std::string shown;
	for (char c : key.substr(0, 256))
		shown += c >= ' ' && c < 127 ? c : '?';
	fprintf(stderr, "instantiate_object: nothing built for \"%s\": %s\n", shown.c_str(), reason);
}

void set_add_on_loader(add_on_loader loader)
{
	ClassTable& table = class_table();
	std::lock_guard<std::mutex> guard(table.lock);
	table.loader = loader;
}

static status_t load_add_on(const char* signature, image_id* image)
{
	add_on_loader loader;
	{
		ClassTable& table = class_table();
		std::lock_guard<std::mutex> guard(table.lock);
		loader = table.loader;
	}
	if (signature == NULL || signature[0] == '\0' || loader == NULL)
		return B_NAME_NOT_FOUND;
	// Called unlocked: the loaded library's registrars take the lock.
	return loader(signature, image);
}

} // namespace BPrivate

using BPrivate::load_add_on;
using BPrivate::lookup_instantiation_func;

instantiation_func find_instantiation_func(const char* className, const char* signature)
{
	if (className == NULL) {
		errno = B_BAD_VALUE;
		return NULL;
	}
	instantiation_func func = lookup_instantiation_func(className);
	if (func == NULL && signature != NULL) {
		image_id image;
		if (load_add_on(signature, &image) == B_OK)
			func = lookup_instantiation_func(className);
	}
	if (func == NULL)
		errno = B_NAME_NOT_FOUND;
	return func;
}

BArchivable* instantiate_object(BMessage* from, image_id* id)
{
	if (id != NULL)
		*id = -1;
	if (from == NULL) {
		errno = B_BAD_VALUE;
		return NULL;
	}
	const char* className;
	if (from->FindString(B_CLASS_FIELD, &className) != B_OK) {
		errno = B_BAD_VALUE;
		return NULL;
	}

	// The most derived class first, loading the "add_on" image for it if
	// need be; only then the bases an archive may also list, so that a base
	// that is always loaded never stands in for a class that was not.
	instantiation_func func = lookup_instantiation_func(className);
	const char* signature = NULL;
	bool loaded = false;
	if (func == NULL && from->FindString(B_ADD_ON_FIELD, &signature) == B_OK) {
		image_id image = -1;
		// The loader reports its own failures.
		loaded = load_add_on(signature, &image) == B_OK;
		if (loaded) {
			if (id != NULL)
				*id = image;
			func = lookup_instantiation_func(className);
		}
	}
	for (int32 i = 1; func == NULL && from->FindString(B_CLASS_FIELD, i, &className) == B_OK; i++)
		func = lookup_instantiation_func(className);
	if (func == NULL && loaded)
		BPrivate::report_add_on_failure(signature, "its libraries hold none of the archive's classes");
	if (func != NULL)
		return func(from);
	errno = B_NAME_NOT_FOUND;
	return NULL;
}
