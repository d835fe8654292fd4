// The text of a registry record: what parses, and the garbage that must not,
// since a record decides which library a process loads.

#include <string>

#include <gtest/gtest.h>

#include "storage/AppRecord.h"

using BPrivate::AppRecord;
using BPrivate::format_app_record;
using BPrivate::parse_app_record;

namespace {

status_t parse(const std::string& text, AppRecord* record)
{
	return parse_app_record(text.data(), text.size(), record);
}

const std::string kValid = "pl-app-record 1\n"
                           "signature application/x-vnd.Example-App\n"
                           "executable /usr/bin/Example App\n"
                           "library /usr/lib/libExample.so\n"
                           "library /usr/lib/libExampleMore.so\n"
                           "flags 2\n"
                           "type image\n"
                           "type video/mp4\n";

} // namespace

TEST(AppRecordTest, ParsesEveryFieldAndWritesTheSameRecordBack)
{
	AppRecord record;
	ASSERT_EQ(parse(kValid, &record), B_OK);
	EXPECT_EQ(record.signature, "application/x-vnd.Example-App");
	EXPECT_EQ(record.executable, "/usr/bin/Example App"); // spaces belong to the value
	ASSERT_EQ(record.libraries.size(), 2u);
	EXPECT_EQ(record.libraries[1], "/usr/lib/libExampleMore.so");
	EXPECT_EQ(record.flags, 2u);
	ASSERT_EQ(record.types.size(), 2u);
	EXPECT_EQ(record.types[0], "image");

	std::string text;
	ASSERT_EQ(format_app_record(record, &text), B_OK);
	EXPECT_EQ(text, kValid);

	// Only the header, the signature and the executable are required.
	AppRecord minimal;
	ASSERT_EQ(parse("pl-app-record 1\nsignature application/x-a\nexecutable /a\n", &minimal), B_OK);
	EXPECT_EQ(minimal.flags, 0u);
	EXPECT_TRUE(minimal.libraries.empty());
}

TEST(AppRecordTest, RefusesGarbageWholeAndLeavesTheRecordAlone)
{
	const std::string head = "pl-app-record 1\nsignature application/x-a\nexecutable /a\n";
	const std::string cases[] = {
	    "",
	    "pl-app-record 2\nsignature application/x-a\nexecutable /a\n", // another version
	    "signature application/x-a\nexecutable /a\n",                    // no header
	    "pl-app-record 1\nexecutable /a\n",                              // no signature
	    "pl-app-record 1\nsignature application/x-a\n",                  // no executable
	    head + "signature application/x-b\n",                            // twice
	    head + "executable /b\n",
	    head + "flags 1\nflags 2\n",
	    head + "flags -1\n",
	    head + "flags 4294967296\n",
	    head + "flags \n",
	    head + "library lib/relative.so\n", // a library found by search path
	    head + "library libExample.so\n",
	    head + "library /tab\there.so\n",
	    head + "type image/png/x\n",
	    head + "type im age\n",
	    head + "colour blue\n", // unknown keys are not skipped
	    head + "\n",
	    head + "type image", // cut short
	    "pl-app-record 1\nsignature image/png\nexecutable /a\n", // not an application
	    "pl-app-record 1\r\nsignature application/x-a\r\nexecutable /a\r\n",
	    head + std::string("type im\0ge\n", 11),
	};
	for (const std::string& text : cases) {
		AppRecord record;
		record.signature = "untouched";
		EXPECT_EQ(parse(text, &record), B_BAD_DATA) << text;
		EXPECT_EQ(record.signature, "untouched") << text;
	}
}

TEST(AppRecordTest, BoundsItsSizeAndItsLists)
{
	const std::string head = "pl-app-record 1\nsignature application/x-a\nexecutable /a\n";
	std::string libraries = head, types = head;
	for (size_t i = 0; i <= BPrivate::kMaxLibraries; i++)
		libraries += "library /l" + std::to_string(i) + ".so\n";
	for (size_t i = 0; i <= BPrivate::kMaxTypes; i++)
		types += "type t" + std::to_string(i) + "\n";
	AppRecord record;
	EXPECT_EQ(parse(libraries, &record), B_BAD_DATA);
	EXPECT_EQ(parse(types, &record), B_BAD_DATA);

	std::string big = head + "executable /" + std::string(BPrivate::kMaxRecordSize, 'x') + "\n";
	EXPECT_EQ(parse(big, &record), B_BAD_DATA);

	// What could not be read back is never written.
	AppRecord bad;
	bad.signature = "application/x-a";
	bad.executable = "/a\nlibrary /evil.so";
	std::string text;
	EXPECT_EQ(format_app_record(bad, &text), B_BAD_VALUE);
}

TEST(AppRecordTest, ASupertypeCoversItsTypesButNotOthers)
{
	AppRecord record;
	record.types = {"image", "video/MP4"};
	EXPECT_TRUE(BPrivate::record_supports_type(record, "image/png"));
	EXPECT_TRUE(BPrivate::record_supports_type(record, "IMAGE/jpeg"));
	EXPECT_TRUE(BPrivate::record_supports_type(record, "image"));
	EXPECT_TRUE(BPrivate::record_supports_type(record, "video/mp4"));
	EXPECT_FALSE(BPrivate::record_supports_type(record, "video/webm"));
	EXPECT_FALSE(BPrivate::record_supports_type(record, "video"));
	EXPECT_FALSE(BPrivate::record_supports_type(record, "imagery/png"));
	EXPECT_FALSE(BPrivate::record_supports_type(record, "text/plain"));
	EXPECT_FALSE(BPrivate::record_supports_type(record, ""));
}
