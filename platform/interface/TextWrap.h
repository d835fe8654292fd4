#ifndef _TEXT_WRAP_H
#define _TEXT_WRAP_H

#include <Font.h>

#include <string>
#include <vector>

namespace BPrivate {

// Breaks UTF-8 |text| into lines no wider than |width| pixels in |font|:
// between words where it can, inside a word only when the word alone is too
// wide (never inside a character). A newline always ends a line; an empty
// paragraph gives an empty line. Runs of spaces where a line breaks are
// dropped.
std::vector<std::string> wrap_text(const BFont& font, const char* text, float width);

} // namespace BPrivate

#endif
