// The video view as the application makes it: which track it takes, what
// makes it refuse a file, its size and its archive.
#include <Archivable.h>
#include <Message.h>

#include <stdio.h>
#include <unistd.h>

#include <memory>

#include <gtest/gtest.h>

#include "app/AppSignature.h"
#include "content/PLVideoView.h"
#include "platform/interface/InterfaceTestSupport.h"
#include "state/PLControlNullState.h"
#include "state/PLControlReplicantState.h"
#include "viewer/VideoTestSupport.h"
#include "viewer/ViewerTestSupport.h"

TEST(VideoViewInit, ViewIsOneFrameLargeAtFullSize)
{
	InterfaceTestApp app;
	struct Case {
		const char* name;
		float right;
		float bottom;
	} cases[] = {
	    {"clip-colours.mp4", 63, 47}, {"clip-h264.mp4", 319, 239},      {"clip-vp9.webm", 319, 239},
	    {"clip-mpeg4.avi", 319, 239}, {"clip-odd-161x97.mkv", 160, 96}, {"clip-10bit.mp4", 63, 47},
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.name);
		PLVideoView view(test::sample_ref(c.name));
		ASSERT_EQ(view.InitCheck(), B_OK);
		EXPECT_EQ(view.Bounds(), BRect(0, 0, c.right, c.bottom));
	}
}

TEST(VideoViewInit, FirstVideoTrackIsTakenAfterAnAudioTrack)
{
	InterfaceTestApp app;
	// Audio, then 160x120 video.
	PLVideoView view(test::sample_ref("clip-audio-first.mkv"));
	ASSERT_EQ(view.InitCheck(), B_OK);
	EXPECT_EQ(view.Bounds(), BRect(0, 0, 159, 119));
}

TEST(VideoViewInit, FilesWithoutPlayableVideoAreRefused)
{
	InterfaceTestApp app;
	// No video track at all.
	{
		PLVideoView view(test::sample_ref("clip-audio-only.ogg"));
		EXPECT_EQ(view.InitCheck(), B_ERROR);
	}
	// Not media, and no file at all: the media kit's reason.
	{
		PLVideoView view(test::sample_ref("notes.txt"));
		EXPECT_NE(view.InitCheck(), B_OK);
		EXPECT_EQ(view.Bounds(), BRect(0, 0, 7, 7)) << "a refused view keeps its first size";
	}
	entry_ref missing = test::sample_ref("clip-colours.mp4");
	missing.set_name("no-such-clip.mp4");
	PLVideoView view(missing);
	EXPECT_EQ(view.InitCheck(), B_ENTRY_NOT_FOUND);
}

TEST(VideoViewInit, DamagedClipsAreRefusedOrPlayable)
{
	InterfaceTestApp app;
	// Cut copies of a clip either fail to open or give a view of the clip's
	// size; none crashes or leaks (the sanitizer runs check that).
	FILE* in = fopen(test::sample_path("clip-h264.mp4").c_str(), "rb");
	ASSERT_NE(in, nullptr);
	std::vector<char> data(1 << 20);
	size_t size = fread(data.data(), 1, data.size(), in);
	fclose(in);
	char dir[] = "/tmp/pl-video-XXXXXX";
	ASSERT_NE(mkdtemp(dir), nullptr);
	std::string path = std::string(dir) + "/cut.mp4";
	for (double fraction : {0.0, 0.01, 0.05, 0.2, 0.6}) {
		SCOPED_TRACE(fraction);
		FILE* out = fopen(path.c_str(), "wb");
		ASSERT_NE(out, nullptr);
		fwrite(data.data(), 1, size_t(size * fraction), out);
		fclose(out);
		PLVideoView view(test::ref_for(path));
		if (view.InitCheck() == B_OK)
			EXPECT_EQ(view.Bounds(), BRect(0, 0, 319, 239));
		else
			EXPECT_EQ(view.Bounds(), BRect(0, 0, 7, 7));
	}
	unlink(path.c_str());
	rmdir(dir);
}

TEST(VideoViewArchive, AddOnTwiceAndTheClassName)
{
	InterfaceTestApp app;
	PLVideoView view(test::sample_ref("clip-colours.mp4"));
	ASSERT_EQ(view.InitCheck(), B_OK);
	BMessage archive;
	ASSERT_EQ(view.Archive(&archive, true), B_OK);

	type_code type;
	int32 count = 0;
	ASSERT_EQ(archive.GetInfo("add_on", &type, &count), B_OK);
	EXPECT_EQ(type, B_STRING_TYPE);
	ASSERT_EQ(count, 2);
	for (int32 i = 0; i < count; i++) {
		const char* signature = NULL;
		ASSERT_EQ(archive.FindString("add_on", i, &signature), B_OK);
		EXPECT_STREQ(signature, kPLAppSignature);
	}
	EXPECT_TRUE(validate_instantiation(&archive, "PLVideoView"));
	entry_ref ref;
	EXPECT_EQ(archive.FindRef("PL:ref", &ref), B_OK);
	EXPECT_EQ(ref, test::sample_ref("clip-colours.mp4"));
}

TEST(VideoViewArchive, InstantiateOnlyItsOwnClass)
{
	InterfaceTestApp app;
	PLVideoView view(test::sample_ref("clip-colours.mp4"));
	BMessage archive;
	ASSERT_EQ(view.Archive(&archive, true), B_OK);

	std::unique_ptr<BArchivable> restored(PLVideoView::Instantiate(&archive));
	PLVideoView* video = dynamic_cast<PLVideoView*>(restored.get());
	ASSERT_NE(video, nullptr);
	EXPECT_EQ(video->InitCheck(), B_OK);

	// Found by its class name, as a replicant host finds it.
	std::unique_ptr<BArchivable> byName(instantiate_object(&archive));
	EXPECT_NE(dynamic_cast<PLVideoView*>(byName.get()), nullptr);

	BMessage other;
	other.AddString("class", "PLImageView");
	EXPECT_EQ(PLVideoView::Instantiate(&other), nullptr);
}

TEST(VideoViewArchive, RestoredViewTellsWhetherItsClipIsThere)
{
	InterfaceTestApp app;
	PLVideoView view(test::sample_ref("clip-colours.mp4"));
	BMessage archive;
	ASSERT_EQ(view.Archive(&archive, true), B_OK);
	{
		PLVideoView restored(&archive);
		EXPECT_EQ(restored.InitCheck(), B_OK);
		EXPECT_EQ(state_of(&restored), PLControlReplicantState::Instance());
	}

	// The clip gone: the view keeps its archived frame and says so.
	entry_ref missing = test::sample_ref("clip-colours.mp4");
	missing.set_name("gone.mp4");
	archive.ReplaceRef("PL:ref", &missing);
	PLVideoView restored(&archive);
	EXPECT_NE(restored.InitCheck(), B_OK);
	EXPECT_EQ(state_of(&restored), PLControlNullState::Instance());
	EXPECT_EQ(restored.Bounds(), view.Bounds());
}
