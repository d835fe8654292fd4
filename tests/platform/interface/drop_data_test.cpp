// The bytes of a drop and the message they become: flattened messages of the
// platform's own type and text/uri-list from file managers.

#include <AppDefs.h>
#include <Entry.h>
#include <Message.h>
#include <Path.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "interface/DropData.h"
#include "interface/UriList.h"

using namespace BPrivate;

namespace {

class DropDataTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		char pattern[] = "/tmp/pl-drop-XXXXXX";
		ASSERT_NE(mkdtemp(pattern), nullptr);
		dir = pattern;
		plain = dir + "/plain.jpg";
		spaced = dir + "/a b%#\xc3\xa9.png";
		for (const std::string& path : {plain, spaced}) {
			int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0600);
			ASSERT_GE(fd, 0);
			close(fd);
		}
	}
	void TearDown() override
	{
		unlink(plain.c_str());
		unlink(spaced.c_str());
		rmdir(dir.c_str());
	}

	std::vector<std::string> Paths(const BMessage& message)
	{
		std::vector<std::string> paths;
		entry_ref ref;
		for (int32 i = 0; message.FindRef("refs", i, &ref) == B_OK; i++)
			paths.push_back(BPath(&ref).Path());
		return paths;
	}

	std::string dir, plain, spaced;
};

std::string flat(const BMessage& message)
{
	std::string bytes(message.FlattenedSize(), '\0');
	message.Flatten(bytes.data(), bytes.size());
	return bytes;
}

} // namespace

TEST_F(DropDataTest, UriListOfLocalFilesBecomesSimpleDataWithRefs)
{
	char host[256] = "";
	gethostname(host, sizeof(host) - 1);
	std::string list = "# dragged from a file manager\r\n"
	                   "file://" + plain + "\r\n"
	                   "file://localhost" + dir + "/a%20b%25%23%C3%A9.png\r\n"
	                   "file://" + std::string(host) + plain + "\n"
	                   "http://example.com/remote.jpg\r\n"
	                   "file://elsewhere.example" + plain + "\r\n"
	                   "file://" + dir + "/missing.jpg\r\n"
	                   "file://" + dir + "/bad%2\r\n"
	                   "file://" + dir + "/nul%00.jpg";
	BMessage message;
	ASSERT_EQ(message_from_uri_list(list.data(), list.size(), &message), B_OK);
	EXPECT_EQ(message.what, (uint32) B_SIMPLE_DATA);
	std::vector<std::string> paths = Paths(message);
	EXPECT_EQ(paths, (std::vector<std::string>{plain, spaced, plain}));
}

TEST_F(DropDataTest, UriListWithNothingLocalIsRefusedAndLeavesTheMessage)
{
	const std::string garbage[] = {
	    "", "\r\n\r\n", "# only a comment\r\n", "file:", "file://", "file://host-without-path",
	    "ftp://x/y", std::string("file:///etc/\0hostname", 21), std::string(20000, 'a'),
	};
	for (const std::string& list : garbage) {
		BMessage message('keep');
		EXPECT_EQ(message_from_uri_list(list.data(), list.size(), &message), B_BAD_VALUE) << list;
		EXPECT_EQ(message.what, (uint32) 'keep');
	}
}

TEST_F(DropDataTest, RefsTravelAsUriListAndComeBackAsTheSameFiles)
{
	BMessage message(B_REFS_RECEIVED);
	for (const std::string& path : {plain, spaced}) {
		entry_ref ref;
		ASSERT_EQ(get_ref_for_path(path.c_str(), &ref), B_OK);
		message.AddRef("refs", &ref);
	}
	DragPayload payload;
	ASSERT_EQ(drag_payload_for_message(message, &payload), B_OK);
	const DragPayload::Offer* uris = payload.Find(kUriListType);
	ASSERT_NE(uris, nullptr);
	// No byte that a uri-list reader could split or misread goes out raw.
	EXPECT_EQ(uris->data.find(' '), std::string::npos);
	EXPECT_EQ(uris->data.find('#'), std::string::npos);
	BMessage back;
	ASSERT_EQ(message_from_uri_list(uris->data.data(), uris->data.size(), &back), B_OK);
	EXPECT_EQ(Paths(back), (std::vector<std::string>{plain, spaced}));

	// The platform's own type comes first and wins over the uri-list.
	ASSERT_EQ(payload.offers.size(), 2u);
	EXPECT_EQ(payload.offers[0].type, kDragMessageType);
	BMessage dropped;
	ASSERT_EQ(drop_message_from_payload(payload, &dropped), B_OK);
	EXPECT_EQ(flat(dropped), flat(message));

	// A message without refs offers only itself.
	DragPayload plainPayload;
	ASSERT_EQ(drag_payload_for_message(BMessage('none'), &plainPayload), B_OK);
	EXPECT_EQ(plainPayload.offers.size(), 1u);
}

TEST_F(DropDataTest, FlattenedMessagesAreTakenWholeOrNotAtAll)
{
	BMessage archive(B_ARCHIVED_OBJECT);
	archive.AddString("class", "PictureView");
	archive.AddData("pixels", B_RAW_TYPE, std::string(3000, 'p').data(), 3000);
	std::string bytes = flat(archive);

	BMessage message;
	ASSERT_EQ(drop_message_from_data(kDragMessageType, bytes.data(), bytes.size(), &message),
	          B_OK);
	EXPECT_EQ(flat(message), bytes);

	for (size_t cut : {size_t(0), size_t(1), size_t(8), bytes.size() / 2, bytes.size() - 1}) {
		BMessage untouched('keep');
		EXPECT_NE(drop_message_from_data(kDragMessageType, bytes.data(), cut, &untouched), B_OK)
		    << cut;
		EXPECT_EQ(untouched.what, (uint32) 'keep');
	}
	std::string garbled = bytes;
	for (size_t i = 0; i < garbled.size(); i += 7)
		garbled[i] = static_cast<char>(garbled[i] ^ 0x5a);
	BMessage untouched('keep');
	drop_message_from_data(kDragMessageType, garbled.data(), garbled.size(), &untouched);
	EXPECT_NE(drop_message_from_data("text/plain", bytes.data(), bytes.size(), &untouched), B_OK);
	EXPECT_EQ(drop_message_from_data(kDragMessageType, bytes.data(), kMaxDropSize + 1, &untouched),
	          B_BAD_VALUE)
	    << "the size bound is checked before the bytes are read";
	EXPECT_EQ(untouched.what, (uint32) 'keep');
}
