#include "interface/TextWrap.h"

#include <string.h>

namespace BPrivate {

// Bytes of the UTF-8 character that starts at |text| (1 for a stray byte).
static size_t character_length(const char* text, size_t available)
{
	unsigned char lead = static_cast<unsigned char>(text[0]);
	size_t length = 1;
	if (lead >= 0xf0)
		length = 4;
	else if (lead >= 0xe0)
		length = 3;
	else if (lead >= 0xc0)
		length = 2;
	if (length > available)
		return available;
	for (size_t i = 1; i < length; i++) {
		if ((static_cast<unsigned char>(text[i]) & 0xc0) != 0x80)
			return i;
	}
	return length;
}

static bool fits(const BFont& font, const std::string& line, float width)
{
	return font.StringWidth(line.c_str(), static_cast<int32>(line.size())) <= width;
}

// Splits a word too wide for any line at character boundaries; every piece
// but the last is a full line. At least one character goes on each line.
static void break_word(const BFont& font, const std::string& word, float width,
                       std::vector<std::string>* lines, std::string* rest)
{
	std::string piece;
	size_t i = 0;
	while (i < word.size()) {
		size_t length = character_length(word.c_str() + i, word.size() - i);
		std::string longer = piece + word.substr(i, length);
		if (!piece.empty() && !fits(font, longer, width)) {
			lines->push_back(piece);
			piece.clear();
			continue;
		}
		piece = longer;
		i += length;
	}
	*rest = piece;
}

static void wrap_paragraph(const BFont& font, const char* start, const char* end, float width,
                           std::vector<std::string>* lines)
{
	std::string line;
	const char* p = start;
	while (p < end) {
		while (p < end && *p == ' ')
			p++;
		if (p == end)
			break;
		const char* wordEnd = p;
		while (wordEnd < end && *wordEnd != ' ')
			wordEnd++;
		std::string word(p, wordEnd);
		p = wordEnd;

		std::string candidate = line.empty() ? word : line + " " + word;
		if (fits(font, candidate, width)) {
			line = candidate;
			continue;
		}
		if (!line.empty())
			lines->push_back(line);
		line.clear();
		if (fits(font, word, width))
			line = word;
		else
			break_word(font, word, width, lines, &line);
	}
	lines->push_back(line);
}

std::vector<std::string> wrap_text(const BFont& font, const char* text, float width)
{
	std::vector<std::string> lines;
	if (text == NULL)
		return lines;
	const char* start = text;
	for (;;) {
		const char* newline = strchr(start, '\n');
		const char* end = newline != NULL ? newline : start + strlen(start);
		wrap_paragraph(font, start, end, width, &lines);
		if (newline == NULL)
			break;
		start = newline + 1;
	}
	return lines;
}

} // namespace BPrivate
