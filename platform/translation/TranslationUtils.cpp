#include <TranslationUtils.h>

#include <Bitmap.h>
#include <File.h>
#include <TranslatorRoster.h>

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
	BFile file(name, B_READ_ONLY);
	if (file.InitCheck() != B_OK)
		return NULL;
	return GetBitmap(&file, roster);
}

BBitmap* BTranslationUtils::GetBitmap(const entry_ref* ref, BTranslatorRoster* roster)
{
	if (ref == NULL)
		return NULL;
	BFile file(ref, B_READ_ONLY);
	if (file.InitCheck() != B_OK)
		return NULL;
	return GetBitmap(&file, roster);
}
