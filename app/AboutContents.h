#ifndef PL_ABOUT_CONTENTS_H
#define PL_ABOUT_CONTENTS_H

#include <string>

struct version_info;

// The text of the about box: the executable's leaf name, directly followed by
// the version as major.middle.minor, the variety letter and internal (1.0.4g0),
// a line feed, and the long description. Without a version (the resource could
// not be read) the text is the leaf name and a line feed. A variety beyond
// the six the Be API defines shows as '?'; a long description that fills its
// field without a terminating NUL ends at the field's end.
std::string make_about_contents(const char* leafName, const version_info* version);

#endif
