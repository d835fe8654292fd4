#ifndef _TRANSLATOR_ROSTER_H
#define _TRANSLATOR_ROSTER_H

#include <TranslationDefs.h>

namespace BPrivate {
class ImageTranslator;
struct TranslatorRosterData;
} // namespace BPrivate

// A list of translators. The platform's translators are built in rather than
// loaded as add-ons: AddTranslators() with no path adds all of them, and
// Default() is a roster holding them. A translator recognises its format from
// the first bytes of the stream, never from a file name.
class BTranslatorRoster {
public:
	BTranslatorRoster();
	virtual ~BTranslatorRoster();

	// The process-wide roster with every built-in translator; never deleted.
	static BTranslatorRoster* Default();

	// NULL adds the built-in translators; loading add-ons from a path is not
	// supported (B_UNSUPPORTED).
	status_t AddTranslators(const char* path = NULL);

	// |*ids| is a new[] array the caller deletes with delete[].
	status_t GetAllTranslators(translator_id** ids, int32* count);
	status_t GetTranslatorInfo(translator_id id, const char** name, const char** info,
	                           int32* version);

private:
	friend struct BPrivate::TranslatorRosterData;

	BTranslatorRoster(const BTranslatorRoster&) = delete;
	BTranslatorRoster& operator=(const BTranslatorRoster&) = delete;

	BPrivate::TranslatorRosterData* fData;
};

#endif
