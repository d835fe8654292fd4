// rescomp: compiles an application's resource definition (.rdef) into a C++
// source that places the resources in the executable's ".pl_resources"
// section, where BAppFileInfo finds them. The definition format is described
// at the top of resources/Pelivant.rdef.
//
//   rescomp <definition.rdef> <output.cpp> [<depfile>]

#include <ctype.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <Bitmap.h>
#include <GraphicsDefs.h>
#include <Message.h>
#include <TranslationUtils.h>

#include "SystemPalette.h"
#include "storage/ResourceFormat.h"

namespace {

struct Token {
	enum Kind { kEnd, kIdentifier, kNumber, kString, kPunct } kind = kEnd;
	std::string text; // identifier, string contents, or the punctuation character
	uint64_t number = 0;
	int line = 0;
};

class Failure {
public:
	Failure(int line, std::string message) : fLine(line), fMessage(std::move(message)) {}
	int fLine;
	std::string fMessage;
};

class Lexer {
public:
	explicit Lexer(const std::string& text) : fText(text) {}

	Token Next()
	{
		_SkipSpaceAndComments();
		Token token;
		token.line = fLine;
		if (fPos >= fText.size())
			return token;
		char c = fText[fPos];
		if (isalpha((unsigned char) c) || c == '_') {
			size_t start = fPos;
			while (fPos < fText.size() &&
			       (isalnum((unsigned char) fText[fPos]) || fText[fPos] == '_'))
				fPos++;
			token.kind = Token::kIdentifier;
			token.text = fText.substr(start, fPos - start);
		} else if (isdigit((unsigned char) c)) {
			size_t start = fPos;
			while (fPos < fText.size() && isalnum((unsigned char) fText[fPos]))
				fPos++;
			token.kind = Token::kNumber;
			token.text = fText.substr(start, fPos - start);
			char* end = NULL;
			errno = 0;
			token.number = strtoull(token.text.c_str(), &end, 0);
			if (errno != 0 || *end != '\0' || token.number > 0xffffffffu)
				throw Failure(fLine, "bad number '" + token.text + "'");
		} else if (c == '"') {
			token.kind = Token::kString;
			token.text = _String();
		} else if (strchr("{};|", c) != NULL) {
			token.kind = Token::kPunct;
			token.text = std::string(1, c);
			fPos++;
		} else {
			throw Failure(fLine, std::string("unexpected character '") + c + "'");
		}
		return token;
	}

private:
	void _SkipSpaceAndComments()
	{
		while (fPos < fText.size()) {
			char c = fText[fPos];
			if (c == '\n') {
				fLine++;
				fPos++;
			} else if (isspace((unsigned char) c)) {
				fPos++;
			} else if (c == '#') {
				while (fPos < fText.size() && fText[fPos] != '\n')
					fPos++;
			} else {
				break;
			}
		}
	}

	std::string _String()
	{
		std::string value;
		fPos++; // the opening quote
		while (true) {
			if (fPos >= fText.size() || fText[fPos] == '\n')
				throw Failure(fLine, "unterminated string");
			char c = fText[fPos++];
			if (c == '"')
				return value;
			if (c != '\\') {
				value += c;
				continue;
			}
			if (fPos >= fText.size())
				throw Failure(fLine, "unterminated string");
			char escape = fText[fPos++];
			switch (escape) {
				case 'n':
					value += '\n';
					break;
				case 't':
					value += '\t';
					break;
				case 'r':
					value += '\r';
					break;
				case '"':
					value += '"';
					break;
				case '\\':
					value += '\\';
					break;
				case 'x': {
					if (fPos + 2 > fText.size() || !isxdigit((unsigned char) fText[fPos]) ||
					    !isxdigit((unsigned char) fText[fPos + 1]))
						throw Failure(fLine, "\\x needs two hex digits");
					value += char(strtoul(fText.substr(fPos, 2).c_str(), NULL, 16));
					fPos += 2;
					break;
				}
				default:
					throw Failure(fLine, std::string("unknown escape \\") + escape);
			}
		}
	}

	const std::string& fText;
	size_t fPos = 0;
	int fLine = 1;
};

struct Resource {
	uint32_t type;
	int32_t id;
	std::string name;
	std::string data;
};

struct VersionInfo {
	uint32_t fields[5] = {}; // major, middle, minor, variety, internal
	std::string shortInfo;
	std::string longInfo;
};

const std::map<std::string, uint32_t> kConstants = {
    {"B_SINGLE_LAUNCH", 0x0},       {"B_MULTIPLE_LAUNCH", 0x1}, {"B_EXCLUSIVE_LAUNCH", 0x2},
    {"B_BACKGROUND_APP", 0x4},      {"B_ARGV_ONLY", 0x8},       {"B_DEVELOPMENT_VERSION", 0},
    {"B_ALPHA_VERSION", 1},         {"B_BETA_VERSION", 2},      {"B_GAMMA_VERSION", 3},
    {"B_GOLDEN_MASTER_VERSION", 4}, {"B_FINAL_VERSION", 5},
};

class Parser {
public:
	Parser(const std::string& text, std::string baseDirectory)
	    : fLexer(text), fBase(std::move(baseDirectory))
	{
		_Advance();
	}

	void Parse()
	{
		while (fToken.kind != Token::kEnd) {
			Token keyword = _Expect(Token::kIdentifier, "a statement");
			const std::string& word = keyword.text;
			if (word == "signature") {
				_Add(keyword, 'MIMS', 1, "BEOS:APP_SIG", _MimeString(keyword));
			} else if (word == "file_type") {
				_Add(keyword, 'MIMS', 2, "BEOS:TYPE", _MimeString(keyword));
			} else if (word == "app_flags") {
				uint32_t flags = _Value();
				while (_Accept("|"))
					flags |= _Value();
				_Expect(";");
				std::string data(4, '\0');
				BPrivate::write_le32((unsigned char*) data.data(), flags);
				_Add(keyword, 'APPF', 1, "BEOS:APP_FLAGS", data);
			} else if (word == "supported_types") {
				_Add(keyword, 'MSGG', 1, "BEOS:FILE_TYPES", _SupportedTypes(keyword));
			} else if (word == "app_version") {
				fVersions[0] = _Version();
				fHaveVersion[0] = true;
			} else if (word == "system_version") {
				fVersions[1] = _Version();
				fHaveVersion[1] = true;
			} else if (word == "large_icon") {
				std::string file = _Strings();
				_Expect(";");
				_Add(keyword, 'ICON', 101, "BEOS:L:STD_ICON",
				     _ColorMappedIcon(keyword.line, file, 32));
			} else if (word == "mini_icon") {
				std::string file = _Strings();
				_Expect(";");
				_Add(keyword, 'MICN', 101, "BEOS:M:STD_ICON",
				     _ColorMappedIcon(keyword.line, file, 16));
			} else if (word == "vector_icon") {
				std::string file = _Strings();
				_Expect(";");
				_Add(keyword, 'VICN', 101, "BEOS:ICON", _ReadFile(keyword.line, file));
			} else {
				throw Failure(keyword.line, "unknown statement '" + word + "'");
			}
		}
		if (fHaveVersion[1] && !fHaveVersion[0])
			throw Failure(fToken.line, "system_version without app_version");
		if (fHaveVersion[0]) {
			std::string data = _Flatten(fVersions[0]);
			if (fHaveVersion[1])
				data += _Flatten(fVersions[1]);
			fResources.push_back({'APPV', 1, "BEOS:APP_VERSION", data});
		}
	}

	const std::vector<Resource>& Resources() const { return fResources; }
	const std::vector<std::string>& Dependencies() const { return fDependencies; }

private:
	void _Advance() { fToken = fLexer.Next(); }

	Token _Expect(Token::Kind kind, const char* what)
	{
		if (fToken.kind != kind)
			throw Failure(fToken.line, std::string("expected ") + what);
		Token token = fToken;
		_Advance();
		return token;
	}

	void _Expect(const char* punct)
	{
		if (!_Accept(punct))
			throw Failure(fToken.line, std::string("expected '") + punct + "'");
	}

	bool _Accept(const char* punct)
	{
		if (fToken.kind != Token::kPunct || fToken.text != punct)
			return false;
		_Advance();
		return true;
	}

	// One or more adjacent strings, joined.
	std::string _Strings()
	{
		std::string value = _Expect(Token::kString, "a string").text;
		while (fToken.kind == Token::kString) {
			value += fToken.text;
			_Advance();
		}
		return value;
	}

	uint32_t _Value()
	{
		if (fToken.kind == Token::kNumber) {
			uint32_t value = uint32_t(fToken.number);
			_Advance();
			return value;
		}
		Token name = _Expect(Token::kIdentifier, "a number or a constant");
		auto found = kConstants.find(name.text);
		if (found == kConstants.end())
			throw Failure(name.line, "unknown constant '" + name.text + "'");
		return found->second;
	}

	std::string _MimeString(const Token& keyword)
	{
		std::string value = _Strings();
		_Expect(";");
		if (value.empty() || value.size() >= 240 || value.find('\0') != std::string::npos)
			throw Failure(keyword.line, "a MIME type has 1 to 239 characters");
		return value + '\0';
	}

	std::string _SupportedTypes(const Token& keyword)
	{
		BMessage message;
		do {
			std::string type = _Expect(Token::kString, "a type").text;
			if (type.empty() || type.size() >= 240)
				throw Failure(keyword.line, "a MIME type has 1 to 239 characters");
			if (message.AddString("types", type.c_str()) != B_OK)
				throw Failure(keyword.line, "out of memory");
		} while (fToken.kind == Token::kString);
		_Expect(";");
		ssize_t size = message.FlattenedSize();
		std::string data(size_t(size > 0 ? size : 0), '\0');
		if (size <= 0 || message.Flatten(data.data(), size) != B_OK)
			throw Failure(keyword.line, "cannot flatten the types");
		return data;
	}

	VersionInfo _Version()
	{
		static const char* const kFieldNames[] = {"major", "middle", "minor", "variety",
		                                          "internal"};
		VersionInfo info;
		_Expect("{");
		while (!_Accept("}")) {
			Token field = _Expect(Token::kIdentifier, "a version field");
			bool known = false;
			for (int i = 0; i < 5; i++) {
				if (field.text == kFieldNames[i]) {
					info.fields[i] = _Value();
					known = true;
				}
			}
			if (field.text == "short_info") {
				info.shortInfo = _Strings();
				if (info.shortInfo.size() >= 64)
					throw Failure(field.line, "short_info holds at most 63 bytes");
				known = true;
			} else if (field.text == "long_info") {
				info.longInfo = _Strings();
				if (info.longInfo.size() >= 256)
					throw Failure(field.line, "long_info holds at most 255 bytes");
				known = true;
			}
			if (!known)
				throw Failure(field.line, "unknown version field '" + field.text + "'");
			_Expect(";");
		}
		return info;
	}

	static std::string _Flatten(const VersionInfo& info)
	{
		std::string data(BPrivate::kVersionInfoSize, '\0');
		unsigned char* bytes = (unsigned char*) data.data();
		for (int i = 0; i < 5; i++)
			BPrivate::write_le32(bytes + 4 * i, info.fields[i]);
		memcpy(bytes + 20, info.shortInfo.data(), info.shortInfo.size());
		memcpy(bytes + 20 + 64, info.longInfo.data(), info.longInfo.size());
		return data;
	}

	std::string _ReadFile(int line, const std::string& relative)
	{
		std::string path = _Path(relative);
		std::ifstream in(path, std::ios::binary);
		if (!in)
			throw Failure(line, "cannot read '" + path + "'");
		std::ostringstream contents;
		contents << in.rdbuf();
		fDependencies.push_back(path);
		return contents.str();
	}

	std::string _Path(const std::string& relative) const
	{
		return relative[0] == '/' ? relative : fBase + "/" + relative;
	}

	// A picture file of exactly size x size pixels, mapped to the Be system
	// palette: row after row, one index per pixel, no padding. A pixel that is
	// more than half transparent becomes the transparent index.
	std::string _ColorMappedIcon(int line, const std::string& relative, int size)
	{
		std::string path = _Path(relative);
		std::unique_ptr<BBitmap> picture(BTranslationUtils::GetBitmapFile(path.c_str()));
		if (!picture)
			throw Failure(line, "cannot decode '" + path + "'");
		BRect bounds = picture->Bounds();
		if (int(bounds.Width()) + 1 != size || int(bounds.Height()) + 1 != size) {
			throw Failure(line, "'" + path + "' must be " + std::to_string(size) + " x " +
			                        std::to_string(size) + " pixels");
		}
		bool hasAlpha = picture->ColorSpace() == B_RGBA32;
		const uint8_t* bits = (const uint8_t*) picture->Bits();
		std::string data(size_t(size * size), '\0');
		for (int y = 0; y < size; y++) {
			const uint8_t* pixel = bits + size_t(y) * picture->BytesPerRow();
			for (int x = 0; x < size; x++, pixel += 4) {
				uint8_t index = kTransparentIndex;
				if (!hasAlpha || pixel[3] >= 128)
					index = _NearestColor(pixel[2], pixel[1], pixel[0]);
				data[size_t(y * size + x)] = char(index);
			}
		}
		fDependencies.push_back(path);
		return data;
	}

	static uint8_t _NearestColor(int red, int green, int blue)
	{
		uint8_t nearest = 0;
		int nearestDistance = 0x7fffffff;
		for (int i = 0; i < kSystemPaletteSize; i++) {
			if (i == kTransparentIndex)
				continue;
			int dr = red - int(kSystemPalette[i] >> 16);
			int dg = green - int((kSystemPalette[i] >> 8) & 0xff);
			int db = blue - int(kSystemPalette[i] & 0xff);
			// The eye tells greens apart best and blues least.
			int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
			if (distance < nearestDistance) {
				nearest = uint8_t(i);
				nearestDistance = distance;
			}
		}
		return nearest;
	}

	void _Add(const Token& keyword, uint32_t type, int32_t id, const char* name, std::string data)
	{
		for (const Resource& resource : fResources) {
			if (resource.type == type && resource.id == id)
				throw Failure(keyword.line, "'" + keyword.text + "' given twice");
		}
		fResources.push_back({type, id, name, std::move(data)});
	}

	Lexer fLexer;
	Token fToken;
	std::string fBase;
	std::vector<Resource> fResources;
	std::vector<std::string> fDependencies;
	VersionInfo fVersions[2];
	bool fHaveVersion[2] = {false, false};
};

std::string blob(const std::vector<Resource>& resources)
{
	std::string out(BPrivate::kResourceHeaderSize, '\0');
	for (const Resource& resource : resources) {
		unsigned char header[BPrivate::kResourceEntryHeaderSize];
		BPrivate::write_le32(header, resource.type);
		BPrivate::write_le32(header + 4, uint32_t(resource.id));
		BPrivate::write_le32(header + 8, uint32_t(resource.name.size()));
		BPrivate::write_le32(header + 12, uint32_t(resource.data.size()));
		out.append((const char*) header, sizeof(header));
		out += resource.name;
		out += resource.data;
		out.append((4 - out.size() % 4) % 4, '\0');
	}
	unsigned char* bytes = (unsigned char*) out.data();
	BPrivate::write_le32(bytes, BPrivate::kResourceMagic);
	BPrivate::write_le32(bytes + 4, BPrivate::kResourceFormatVersion);
	BPrivate::write_le32(bytes + 8, uint32_t(resources.size()));
	BPrivate::write_le32(bytes + 12, uint32_t(out.size()));
	return out;
}

std::string make_escaped(const std::string& path)
{
	std::string escaped;
	for (char c : path) {
		if (c == ' ' || c == '#' || c == '\\')
			escaped += '\\';
		escaped += c;
	}
	return escaped;
}

bool write_file(const std::string& path, const std::string& contents)
{
	// Unchanged output keeps its time stamp, so dependants are not rebuilt.
	std::ifstream old(path, std::ios::binary);
	if (old) {
		std::ostringstream existing;
		existing << old.rdbuf();
		if (existing.str() == contents)
			return true;
	}
	std::ofstream out(path, std::ios::binary | std::ios::trunc);
	out << contents;
	return bool(out.flush());
}

} // namespace

int main(int argc, char** argv)
{
	if (argc < 3 || argc > 4) {
		fprintf(stderr, "usage: %s <definition.rdef> <output.cpp> [<depfile>]\n", argv[0]);
		return 2;
	}
	std::string input = argv[1];
	std::ifstream in(input, std::ios::binary);
	if (!in) {
		fprintf(stderr, "%s: cannot read\n", input.c_str());
		return 1;
	}
	std::ostringstream text;
	text << in.rdbuf();
	std::string definition = text.str();
	size_t slash = input.rfind('/');
	std::string base = slash == std::string::npos ? "." : input.substr(0, slash);

	Parser parser(definition, base);
	try {
		parser.Parse();
	} catch (const Failure& failure) {
		fprintf(stderr, "%s:%d: error: %s\n", input.c_str(), failure.fLine,
		        failure.fMessage.c_str());
		return 1;
	}

	std::string data = blob(parser.Resources());
	std::ostringstream source;
	source << "// Generated by rescomp from " << input << "; do not edit.\n"
	       << "// The application's resources, read back by BAppFileInfo from the\n"
	       << "// executable's " << BPrivate::kResourceSectionName << " section.\n\n"
	       << "__attribute__((used, retain, aligned(4), section(\""
	       << BPrivate::kResourceSectionName << "\")))\n"
	       << "static const unsigned char kApplicationResources[" << data.size() << "] = {";
	for (size_t i = 0; i < data.size(); i++) {
		if (i % 16 == 0)
			source << "\n\t";
		char byte[8];
		snprintf(byte, sizeof(byte), "0x%02x,", (unsigned char) data[i]);
		source << byte;
	}
	source << "\n};\n";
	if (!write_file(argv[2], source.str())) {
		fprintf(stderr, "%s: cannot write\n", argv[2]);
		return 1;
	}

	if (argc == 4) {
		std::string deps = make_escaped(argv[2]) + ":";
		deps += " " + make_escaped(input);
		for (const std::string& dependency : parser.Dependencies())
			deps += " " + make_escaped(dependency);
		deps += "\n";
		if (!write_file(argv[3], deps)) {
			fprintf(stderr, "%s: cannot write\n", argv[3]);
			return 1;
		}
	}
	return 0;
}
