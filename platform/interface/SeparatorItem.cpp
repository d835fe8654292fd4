#include <MenuItem.h>

#include <Message.h>

BSeparatorItem::BSeparatorItem() : BMenuItem(static_cast<const char*>(NULL), NULL)
{
	BMenuItem::SetEnabled(false);
}

BSeparatorItem::BSeparatorItem(BMessage* archive) : BMenuItem(archive)
{
	BMenuItem::SetEnabled(false);
}

BSeparatorItem::~BSeparatorItem() {}

BArchivable* BSeparatorItem::Instantiate(BMessage* archive)
{
	if (!validate_instantiation(archive, "BSeparatorItem"))
		return NULL;
	return new BSeparatorItem(archive);
}

status_t BSeparatorItem::Archive(BMessage* archive, bool deep) const
{
	return BMenuItem::Archive(archive, deep);
}

void BSeparatorItem::SetEnabled(bool)
{
	// A separator is never chosen.
}
