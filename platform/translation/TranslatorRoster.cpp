#include <TranslatorRoster.h>

#include <new>

#include "translation/JpegTranslator.h"
#include "translation/JxlTranslator.h"
#include "translation/PixbufTranslator.h"
#include "translation/PngTranslator.h"
#include "translation/TranslatorRosterPrivate.h"
#include "translation/WebpTranslator.h"

namespace BPrivate {

ImageTranslator* const* builtin_translators(int32* count)
{
	// Stateless and process-wide; the pixbuf translator takes what the
	// others do not recognise, so it is last.
	static JpegTranslator jpeg;
	static PngTranslator png;
	static WebpTranslator webp;
	static JxlTranslator jxl;
	static PixbufTranslator pixbuf;
	static ImageTranslator* const list[] = {&jpeg, &png, &webp, &jxl, &pixbuf};
	*count = sizeof(list) / sizeof(list[0]);
	return list;
}

BBitmap* decode_bitmap(BTranslatorRoster* roster, BPositionIO* stream)
{
	if (roster == NULL || stream == NULL)
		return NULL;
	off_t start = stream->Position();
	if (start < 0)
		return NULL;
	uint8 head[kRecognitionLength];
	ssize_t headLength = stream->ReadAt(start, head, sizeof(head));
	if (headLength <= 0)
		return NULL;
	// A short read is not the end of the stream: keep reading up to the full
	// recognition length.
	while (size_t(headLength) < sizeof(head)) {
		ssize_t more =
		    stream->ReadAt(start + headLength, head + headLength, sizeof(head) - headLength);
		if (more <= 0)
			break;
		headLength += more;
	}

	for (ImageTranslator* translator : TranslatorRosterData::Of(roster)->translators) {
		if (!translator->Recognizes(head, size_t(headLength)))
			continue;
		BBitmap* bitmap = NULL;
		if (translator->Decode(stream, start, &bitmap) != B_OK)
			return NULL;
		return bitmap;
	}
	return NULL;
}

} // namespace BPrivate

BTranslatorRoster::BTranslatorRoster() : fData(new BPrivate::TranslatorRosterData) {}

BTranslatorRoster::~BTranslatorRoster()
{
	delete fData;
}

BTranslatorRoster* BTranslatorRoster::Default()
{
	static BTranslatorRoster* roster = [] {
		BTranslatorRoster* made = new BTranslatorRoster;
		made->AddTranslators(NULL);
		return made;
	}();
	return roster;
}

status_t BTranslatorRoster::AddTranslators(const char* path)
{
	if (path != NULL)
		return B_UNSUPPORTED;
	int32 count;
	BPrivate::ImageTranslator* const* list = BPrivate::builtin_translators(&count);
	for (int32 i = 0; i < count; i++) {
		bool present = false;
		for (BPrivate::ImageTranslator* translator : fData->translators)
			present = present || translator == list[i];
		if (!present)
			fData->translators.push_back(list[i]);
	}
	return B_OK;
}

status_t BTranslatorRoster::GetAllTranslators(translator_id** ids, int32* count)
{
	if (ids == NULL || count == NULL)
		return B_BAD_VALUE;
	int32 n = int32(fData->translators.size());
	*ids = new (std::nothrow) translator_id[n > 0 ? n : 1];
	if (*ids == NULL)
		return B_NO_MEMORY;
	for (int32 i = 0; i < n; i++)
		(*ids)[i] = translator_id(i + 1);
	*count = n;
	return B_OK;
}

status_t BTranslatorRoster::GetTranslatorInfo(translator_id id, const char** name,
                                              const char** info, int32* version)
{
	if (id < 1 || id > fData->translators.size())
		return B_NO_TRANSLATOR;
	const BPrivate::ImageTranslator* translator = fData->translators[id - 1];
	if (name != NULL)
		*name = translator->Name();
	if (info != NULL)
		*info = translator->Info();
	if (version != NULL)
		*version = translator->Version();
	return B_OK;
}
