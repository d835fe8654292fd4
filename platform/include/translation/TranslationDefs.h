#ifndef _TRANSLATION_DEFS_H
#define _TRANSLATION_DEFS_H

#include <StorageDefs.h>
#include <SupportDefs.h>

typedef uint32 translator_id;

// The generic stream format that every image translator can produce.
#define B_TRANSLATOR_BITMAP 'bits'

struct translation_format {
	uint32 type;
	uint32 group;
	float quality;
	float capability;
	char MIME[B_MIME_TYPE_LENGTH];
	char name[B_MIME_TYPE_LENGTH];
};

struct translator_info {
	uint32 type;
	translator_id translator;
	uint32 group;
	float quality;
	float capability;
	char name[B_MIME_TYPE_LENGTH];
	char MIME[B_MIME_TYPE_LENGTH];
};

#endif
