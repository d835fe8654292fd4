#include <TranslationUtils.h>

#include <string>

#include <Bitmap.h>
#include <TranslatorRoster.h>

#include "storage/EntryRefPath.h"
#include "translation/FileIO.h"
#include "translation/TranslatorRosterPrivate.h"

BBitmap* BTranslationUtils::GetBitmap(BPositionIO* stream, BTranslatorRoster* roster)
{
	if (roster == NULL)
		roster = BTranslatorRoster::Default();
	return BPrivate::decode_bitmap(roster, stream);
}

BBitmap* BTranslationUtils::GetBitmap(const char* name, BTranslatorRoster* roster)
{
	return GetBitmapFile(name, roster);
}

BBitmap* BTranslationUtils::GetBitmapFile(const char* name, BTranslatorRoster* roster)
{
	if (name == NULL)
		return NULL;
	BPrivate::FileIO file(name);
	if (file.InitCheck() != B_OK)
		return NULL;
	return GetBitmap(&file, roster);
}

BBitmap* BTranslationUtils::GetBitmap(const entry_ref* ref, BTranslatorRoster* roster)
{
	if (ref == NULL)
		return NULL;
	std::string path;
	if (BPrivate::path_for_ref(*ref, &path) != B_OK)
		return NULL;
	return GetBitmapFile(path.c_str(), roster);
}
