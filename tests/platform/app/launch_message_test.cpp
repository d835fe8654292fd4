// What a launch may hand to a running application, as the running one
// rebuilds it: dropped state kept, files that are gone left out, and
// everything it cannot make sense of refused.

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include <AppDefs.h>
#include <Entry.h>
#include <Message.h>
#include <Path.h>

#include "app/LaunchHandoff.h"
#include "app/LaunchSpawn.h"
#include "app/MessagePrivate.h"

using BPrivate::accept_launch_message;
using BPrivate::kHandedMessage;
using BPrivate::wrap_launch_message;

namespace {

// Through the wire and back, as the running instance gets it.
status_t hand(const BMessage& message, BMessage* received)
{
	BMessage wire;
	std::vector<char> frame;
	status_t status = wrap_launch_message(message, &wire);
	if (status == B_OK)
		status = BPrivate::launch_frame(wire, &frame);
	if (status != B_OK)
		return status;
	BMessage unflattened;
	status = BMessage::Private(unflattened).Unflatten(frame.data() + 4, frame.size() - 4);
	if (status != B_OK)
		return status;
	return accept_launch_message(unflattened, "/usr/bin/app", received);
}

} // namespace

TEST(LaunchMessageTest, ADroppedMessageArrivesDroppedWhereItWasDropped)
{
	BMessage drop(B_ARCHIVED_OBJECT);
	drop.AddString("class", "PictureView");
	drop.AddInt32("value", 9);
	BPrivate::MessageDelivery* delivery = BMessage::Private(drop).Delivery();
	ASSERT_NE(delivery, nullptr);
	delivery->wasDropped = true;
	delivery->dropPoint = BPoint(120.5f, 300);
	delivery->dropOffset = BPoint(4, 7);

	BMessage received;
	ASSERT_EQ(hand(drop, &received), B_OK);
	EXPECT_EQ(received.what, (uint32) B_ARCHIVED_OBJECT);
	EXPECT_STREQ(received.GetString("class"), "PictureView");
	EXPECT_EQ(received.GetInt32("value", 0), 9);
	ASSERT_TRUE(received.WasDropped());
	BPoint offset;
	EXPECT_EQ(received.DropPoint(&offset), BPoint(120.5f, 300));
	EXPECT_EQ(offset, BPoint(4, 7));

	// A message that was only sent stays only sent.
	BMessage sent('TEST');
	ASSERT_EQ(hand(sent, &received), B_OK);
	EXPECT_EQ(received.what, (uint32) 'TEST');
	EXPECT_FALSE(received.WasDropped());
}

TEST(LaunchMessageTest, RefsAreRebuiltFromTheirPathsAndPointersRemoved)
{
	char folder[] = "/tmp/pl-launch-message-XXXXXX";
	ASSERT_NE(mkdtemp(folder), nullptr);
	const std::string present = std::string(folder) + "/present.png";
	close(open(present.c_str(), O_CREAT | O_WRONLY, 0644));
	entry_ref presentRef, goneRef;
	ASSERT_EQ(get_ref_for_path(present.c_str(), &presentRef), B_OK);
	ASSERT_EQ(get_ref_for_path((std::string(folder) + "/gone.png").c_str(), &goneRef), B_OK);

	BMessage refs(B_REFS_RECEIVED);
	refs.AddRef("refs", &goneRef);
	refs.AddRef("refs", &presentRef);
	refs.AddPointer("pointer", &refs);
	refs.AddString("text", "kept");
	BMessage received;
	ASSERT_EQ(hand(refs, &received), B_OK);
	type_code type;
	int32 count = 0;
	ASSERT_EQ(received.GetInfo("refs", &type, &count), B_OK);
	EXPECT_EQ(count, 1);
	entry_ref ref;
	ASSERT_EQ(received.FindRef("refs", &ref), B_OK);
	EXPECT_STREQ(BPath(&ref).Path(), present.c_str());
	EXPECT_FALSE(received.HasPointer("pointer"));
	EXPECT_STREQ(received.GetString("text"), "kept");

	// Nothing left to open: refused, so that the launch opens nothing.
	unlink(present.c_str());
	EXPECT_EQ(hand(refs, &received), B_BAD_VALUE);
	rmdir(folder);
}

TEST(LaunchMessageTest, RefusesWhatIsNotALaunch)
{
	BMessage received;
	// Only a B_ARGV_RECEIVED or a wrapped message.
	EXPECT_EQ(accept_launch_message(BMessage('TEST'), "/a", &received), B_BAD_VALUE);
	// A wrapper without its message, or a dropped one without its place.
	EXPECT_EQ(accept_launch_message(BMessage(kHandedMessage), "/a", &received), B_BAD_VALUE);
	BMessage inner('TEST');
	BMessage noPoint(kHandedMessage);
	noPoint.AddMessage("message", &inner);
	noPoint.AddBool("dropped", true);
	EXPECT_EQ(accept_launch_message(noPoint, "/a", &received), B_BAD_VALUE);
	// A command line goes unwrapped, with its own checks.
	BMessage argv(B_ARGV_RECEIVED);
	argv.AddInt32("argc", 2);
	argv.AddString("argv", "x");
	argv.AddString("argv", "y");
	argv.AddString("cwd", "/");
	BMessage wrapped(kHandedMessage);
	wrapped.AddMessage("message", &argv);
	EXPECT_EQ(accept_launch_message(wrapped, "/a", &received), B_BAD_VALUE);
	ASSERT_EQ(accept_launch_message(argv, "/a", &received), B_OK);
	EXPECT_STREQ(received.GetString("argv", 0, ""), "/a");
}

TEST(LaunchMessageTest, AnInitialMessageIsTakenOnlyFromTheRostersSealedMemfd)
{
	// A frame that would be accepted, in an ordinary file.
	BMessage message('TEST');
	std::vector<char> frame;
	BMessage wire;
	ASSERT_EQ(wrap_launch_message(message, &wire), B_OK);
	ASSERT_EQ(BPrivate::launch_frame(wire, &frame), B_OK);
	char path[] = "/tmp/pl-launch-frame-XXXXXX";
	int fd = mkstemp(path);
	ASSERT_GE(fd, 3);
	unlink(path);
	ASSERT_EQ(write(fd, frame.data(), frame.size()), (ssize_t) frame.size());
	lseek(fd, 0, SEEK_SET);

	for (std::string variable : {std::to_string(fd), std::string("0"), std::string("-1"),
	                             std::string("3x"), std::string("")}) {
		setenv(BPrivate::kInitialMessageVariable, variable.c_str(), 1);
		std::vector<BMessage> messages;
		BPrivate::take_initial_messages("/a", &messages);
		EXPECT_TRUE(messages.empty()) << variable;
		// Taken away either way, so that no child of ours sees it.
		EXPECT_EQ(getenv(BPrivate::kInitialMessageVariable), nullptr);
	}
	// Not the roster's, so not ours to close.
	EXPECT_NE(fcntl(fd, F_GETFD), -1);
	close(fd);
}
