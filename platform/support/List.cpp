#include <List.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>

BList::BList(int32 count) : fItems(NULL), fCount(0), fCapacity(0)
{
	_Reserve(count > 0 ? count : 0);
}

BList::BList(const BList& other) : fItems(NULL), fCount(0), fCapacity(0)
{
	*this = other;
}

BList::~BList()
{
	free(fItems);
}

BList& BList::operator=(const BList& other)
{
	if (&other == this)
		return *this;
	fCount = 0;
	if (_Reserve(other.fCount)) {
		if (other.fCount > 0)
			memcpy(fItems, other.fItems, other.fCount * sizeof(void*));
		fCount = other.fCount;
	}
	return *this;
}

bool BList::operator==(const BList& other) const
{
	return fCount == other.fCount &&
	       (fCount == 0 || memcmp(fItems, other.fItems, fCount * sizeof(void*)) == 0);
}

bool BList::operator!=(const BList& other) const
{
	return !(*this == other);
}

bool BList::_Reserve(int32 count)
{
	if (count <= fCapacity)
		return true;
	int32 capacity = std::max(count, fCapacity * 2);
	void** items = static_cast<void**>(realloc(fItems, (size_t) capacity * sizeof(void*)));
	if (items == NULL)
		return false;
	fItems = items;
	fCapacity = capacity;
	return true;
}

bool BList::AddItem(void* item, int32 index)
{
	if (index < 0 || index > fCount || !_Reserve(fCount + 1))
		return false;
	memmove(fItems + index + 1, fItems + index, (fCount - index) * sizeof(void*));
	fItems[index] = item;
	fCount++;
	return true;
}

bool BList::AddItem(void* item)
{
	return AddItem(item, fCount);
}

bool BList::AddList(const BList* list, int32 index)
{
	if (list == NULL || index < 0 || index > fCount || !_Reserve(fCount + list->fCount))
		return false;
	int32 added = list->fCount;
	if (added == 0)
		return true;
	// |list| may be this list: copy its items before moving ours.
	void** copy = static_cast<void**>(malloc(added * sizeof(void*)));
	if (copy == NULL)
		return false;
	memcpy(copy, list->fItems, added * sizeof(void*));
	memmove(fItems + index + added, fItems + index, (fCount - index) * sizeof(void*));
	memcpy(fItems + index, copy, added * sizeof(void*));
	free(copy);
	fCount += added;
	return true;
}

bool BList::AddList(const BList* list)
{
	return AddList(list, fCount);
}

bool BList::RemoveItem(void* item)
{
	int32 index = IndexOf(item);
	if (index < 0)
		return false;
	RemoveItem(index);
	return true;
}

void* BList::RemoveItem(int32 index)
{
	if (index < 0 || index >= fCount)
		return NULL;
	void* item = fItems[index];
	RemoveItems(index, 1);
	return item;
}

bool BList::RemoveItems(int32 index, int32 count)
{
	if (index < 0 || index >= fCount || count <= 0)
		return false;
	count = std::min(count, fCount - index);
	memmove(fItems + index, fItems + index + count, (fCount - index - count) * sizeof(void*));
	fCount -= count;
	return true;
}

bool BList::ReplaceItem(int32 index, void* item)
{
	if (index < 0 || index >= fCount)
		return false;
	fItems[index] = item;
	return true;
}

void BList::MakeEmpty()
{
	fCount = 0;
}

void BList::SortItems(int (*compareFunc)(const void*, const void*))
{
	if (compareFunc != NULL && fCount > 1)
		qsort(fItems, fCount, sizeof(void*), compareFunc);
}

bool BList::SwapItems(int32 indexA, int32 indexB)
{
	if (indexA < 0 || indexA >= fCount || indexB < 0 || indexB >= fCount)
		return false;
	std::swap(fItems[indexA], fItems[indexB]);
	return true;
}

bool BList::MoveItem(int32 fromIndex, int32 toIndex)
{
	if (fromIndex < 0 || fromIndex >= fCount || toIndex < 0 || toIndex >= fCount)
		return false;
	void* item = fItems[fromIndex];
	if (fromIndex < toIndex)
		memmove(fItems + fromIndex, fItems + fromIndex + 1, (toIndex - fromIndex) * sizeof(void*));
	else
		memmove(fItems + toIndex + 1, fItems + toIndex, (fromIndex - toIndex) * sizeof(void*));
	fItems[toIndex] = item;
	return true;
}

void* BList::ItemAt(int32 index) const
{
	return index >= 0 && index < fCount ? fItems[index] : NULL;
}

void* BList::FirstItem() const
{
	return ItemAt(0);
}

void* BList::ItemAtFast(int32 index) const
{
	return fItems[index];
}

void* BList::LastItem() const
{
	return ItemAt(fCount - 1);
}

void* BList::Items() const
{
	return fItems;
}

bool BList::HasItem(void* item) const
{
	return IndexOf(item) >= 0;
}

bool BList::HasItem(const void* item) const
{
	return IndexOf(item) >= 0;
}

int32 BList::IndexOf(void* item) const
{
	return IndexOf(static_cast<const void*>(item));
}

int32 BList::IndexOf(const void* item) const
{
	for (int32 i = 0; i < fCount; i++) {
		if (fItems[i] == item)
			return i;
	}
	return -1;
}

int32 BList::CountItems() const
{
	return fCount;
}

bool BList::IsEmpty() const
{
	return fCount == 0;
}

void BList::DoForEach(bool (*func)(void* item))
{
	for (int32 i = 0; func != NULL && i < fCount; i++) {
		if (func(fItems[i]))
			break;
	}
}

void BList::DoForEach(bool (*func)(void* item, void* arg), void* arg)
{
	for (int32 i = 0; func != NULL && i < fCount; i++) {
		if (func(fItems[i], arg))
			break;
	}
}
