#include <Entry.h>

#include <stdlib.h>
#include <string.h>

entry_ref::entry_ref()
	: device(0), directory(0), name(NULL)
{
}

entry_ref::entry_ref(dev_t device, ino_t dir, const char* name)
	: device(device), directory(dir), name(NULL)
{
	set_name(name);
}

entry_ref::entry_ref(const entry_ref& other)
	: device(other.device), directory(other.directory), name(NULL)
{
	set_name(other.name);
}

entry_ref::~entry_ref()
{
	free(name);
}

status_t entry_ref::set_name(const char* newName)
{
	char* copy = NULL;
	if (newName != NULL) {
		copy = strdup(newName);
		if (copy == NULL)
			return B_NO_MEMORY;
	}
	free(name);
	name = copy;
	return B_OK;
}

bool entry_ref::operator==(const entry_ref& other) const
{
	if (device != other.device || directory != other.directory)
		return false;
	if (name == NULL || other.name == NULL)
		return name == other.name;
	return strcmp(name, other.name) == 0;
}

bool entry_ref::operator!=(const entry_ref& other) const
{
	return !(*this == other);
}

entry_ref& entry_ref::operator=(const entry_ref& other)
{
	if (this != &other) {
		device = other.device;
		directory = other.directory;
		set_name(other.name);
	}
	return *this;
}

bool operator<(const entry_ref& a, const entry_ref& b)
{
	if (a.device != b.device)
		return a.device < b.device;
	if (a.directory != b.directory)
		return a.directory < b.directory;
	if (a.name == NULL || b.name == NULL)
		return a.name == NULL && b.name != NULL;
	return strcmp(a.name, b.name) < 0;
}

node_ref::node_ref()
	: device(0), node(0)
{
}

node_ref::node_ref(dev_t device, ino_t node)
	: device(device), node(node)
{
}

node_ref::node_ref(const node_ref& other) = default;
node_ref& node_ref::operator=(const node_ref& other) = default;

bool node_ref::operator==(const node_ref& other) const
{
	return device == other.device && node == other.node;
}

bool node_ref::operator!=(const node_ref& other) const
{
	return !(*this == other);
}

bool node_ref::operator<(const node_ref& other) const
{
	if (device != other.device)
		return device < other.device;
	return node < other.node;
}
