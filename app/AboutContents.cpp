#include "app/AboutContents.h"

#include <stdio.h>
#include <string.h>

#include <AppFileInfo.h>

std::string make_about_contents(const char* leafName, const version_info* version)
{
	// Indexed by variety: development, alpha, beta, gamma, golden master, final.
	static const char kVarietyLetters[] = "dabggf";

	std::string text = leafName != NULL ? leafName : "";
	if (version == NULL)
		return text + '\n';

	char letter = '?';
	if (version->variety < sizeof(kVarietyLetters) - 1)
		letter = kVarietyLetters[version->variety];
	char number[64];
	snprintf(number, sizeof(number), "%u.%u.%u%c%u", (unsigned) version->major,
	         (unsigned) version->middle, (unsigned) version->minor, letter,
	         (unsigned) version->internal);
	text += number;
	text += '\n';
	text.append(version->long_info, strnlen(version->long_info, sizeof(version->long_info)));
	return text;
}
