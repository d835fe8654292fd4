// The image view: loading a picture into a view sized to it, failures
// reported through InitCheck(), the archive a replicant is made from, and
// restoring one by its class name.

#include <Archivable.h>
#include <Bitmap.h>
#include <Message.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "content/PLImageView.h"
#include "platform/interface/InterfaceTestSupport.h"
#include "state/PLControlApplicationState.h"
#include "state/PLControlNullState.h"
#include "state/PLControlReplicantState.h"
#include "viewer/ViewerTestSupport.h"

static const char* const kSignature = "application/x-vnd.Tarvosk.Pelivant2";

TEST(ImageView, LoadsThePictureIntoAViewSizedToIt)
{
	InterfaceTestApp app;
	PLImageView view(ref_for(sample_path("harbour-at-dusk.jpg")));
	ASSERT_EQ(view.InitCheck(), B_OK);
	EXPECT_EQ(view.Bounds(), BRect(0, 0, 639, 479));
	EXPECT_STREQ(view.FileName(), "harbour-at-dusk.jpg");
	EXPECT_EQ(view.Magnification(), 1.0f);
	EXPECT_EQ(view.Offset(), BPoint(0, 0));
	EXPECT_EQ(state_of(&view), PLControlApplicationState::Instance());
	EXPECT_FALSE(view.IsReplicant());
	// The application gives every view to a window that follows its size.
	EXPECT_EQ(view.ResizingMode(), uint32(B_FOLLOW_ALL_SIDES));
	EXPECT_EQ(view.Flags() & 0xffff0000,
	          B_FULL_UPDATE_ON_RESIZE | B_WILL_DRAW | B_FRAME_EVENTS | B_NAVIGABLE);
}

TEST(ImageView, FilesThatAreNoPictureFailInitCheck)
{
	InterfaceTestApp app;
	for (const char* name : {"notes.txt", "no-such-file.png"}) {
		PLImageView* view = new PLImageView(ref_for(sample_path(name)));
		EXPECT_EQ(view->InitCheck(), B_ERROR) << name;
		// It keeps its first frame; deleting it frees no bitmap.
		EXPECT_EQ(view->Bounds(), BRect(0, 0, 7, 7)) << name;
		delete view;
	}

	// A truncated picture is a failure too, not a crash.
	char path[] = "/tmp/pl-truncated-XXXXXX";
	int fd = mkstemp(path);
	ASSERT_GE(fd, 0);
	FILE* source = fopen(sample_path("quadrants.png").c_str(), "rb");
	ASSERT_NE(source, (FILE*) NULL);
	char buffer[60];
	size_t length = fread(buffer, 1, sizeof(buffer), source);
	fclose(source);
	ASSERT_EQ(write(fd, buffer, length), ssize_t(length));
	close(fd);
	PLImageView truncated(ref_for(path));
	EXPECT_EQ(truncated.InitCheck(), B_ERROR);
	unlink(path);
}

TEST(ImageView, ArchiveCarriesTheModelAndTheSignatureTwice)
{
	InterfaceTestApp app;
	PLImageView view(ref_for(sample_path("quadrants.png")));
	ASSERT_EQ(view.InitCheck(), B_OK);
	view.SetAboutContents("About this");

	BMessage archive;
	ASSERT_EQ(view.Archive(&archive, true), B_OK);
	const char* className;
	ASSERT_EQ(archive.FindString("class", &className), B_OK);
	EXPECT_STREQ(className, "PLImageView");
	const char* addOn;
	ASSERT_EQ(archive.FindString("add_on", 0, &addOn), B_OK);
	EXPECT_STREQ(addOn, kSignature);
	ASSERT_EQ(archive.FindString("add_on", 1, &addOn), B_OK);
	EXPECT_STREQ(addOn, kSignature);
	EXPECT_TRUE(archive.GetBool("PL:lock", false));
	const char* about;
	ASSERT_EQ(archive.FindString("PL:about", &about), B_OK);
	EXPECT_STREQ(about, "About this");
	float magnification;
	ASSERT_EQ(archive.FindFloat("PL:magnification", &magnification), B_OK);
	EXPECT_EQ(magnification, 1.0f);
	BPoint offset;
	ASSERT_EQ(archive.FindPoint("PL:offset", &offset), B_OK);
	EXPECT_EQ(offset, BPoint(0, 0));
	entry_ref ref;
	ASSERT_EQ(archive.FindRef("PL:ref", &ref), B_OK);
	EXPECT_EQ(ref, view.Ref());
}

TEST(ImageView, ARestoredViewIsAReplicantWithTheSameModelAndPicture)
{
	InterfaceTestApp app;
	BMessage archive;
	{
		PLImageView view(ref_for(sample_path("quadrants.png")));
		ASSERT_EQ(view.InitCheck(), B_OK);
		view.SetAboutContents("Pictures");
		ASSERT_EQ(view.Archive(&archive, true), B_OK);
	}
	// A zoomed and scrolled view, as a user leaves it.
	archive.ReplaceFloat("PL:magnification", 1.5874011516571045f);
	archive.ReplacePoint("PL:offset", BPoint(-12, -7));

	// By class name, as a host does.
	BArchivable* object = instantiate_object(&archive);
	PLImageView* restored = dynamic_cast<PLImageView*>(object);
	ASSERT_NE(restored, (PLImageView*) NULL);
	EXPECT_TRUE(restored->IsReplicant());
	EXPECT_EQ(state_of(restored), PLControlReplicantState::Instance());
	EXPECT_EQ(restored->Magnification(), 1.5874011516571045f);
	EXPECT_EQ(restored->Offset(), BPoint(-12, -7));
	EXPECT_STREQ(restored->FileName(), "quadrants.png");
	EXPECT_EQ(restored->AboutContents(), "Pictures");
	EXPECT_EQ(restored->IsLocked(), true);

	// It shows the same picture: red at the top-left quadrant's centre.
	BWindow* window = make_document_window(BRect(100, 100, 299, 199));
	restored->MoveTo(0, 0);
	restored->ResizeTo(199, 99);
	ASSERT_TRUE(show_with_view(window, restored));
	// Magnified 1.5874 from (-12, -7): bitmap point (16, 12) lands near
	// (13, 12), the lime quadrant's (48, 12) near (64, 12).
	EXPECT_TRUE(close_color(window_pixel(window, 13, 12), make_color(255, 0, 0)));
	EXPECT_TRUE(close_color(window_pixel(window, 70, 12), make_color(0, 255, 0)));
	EXPECT_TRUE(close_color(window_pixel(window, 13, 50), make_color(0, 0, 255)));
	quit_window(window);
}

TEST(ImageView, ARestoredViewWhoseFileIsGoneShowsTheNullStateAndKeepsItsModel)
{
	InterfaceTestApp app;
	char directory[] = "/tmp/pl-gone-XXXXXX";
	ASSERT_NE(mkdtemp(directory), (char*) NULL);
	std::string path = std::string(directory) + "/gone.png";
	ASSERT_EQ(link(sample_path("quadrants.png").c_str(), path.c_str()), 0);

	BMessage archive;
	{
		PLImageView view(ref_for(path));
		ASSERT_EQ(view.InitCheck(), B_OK);
		ASSERT_EQ(view.Archive(&archive, true), B_OK);
	}
	archive.ReplaceFloat("PL:magnification", 0.5f);
	archive.ReplacePoint("PL:offset", BPoint(3, 4));
	unlink(path.c_str());
	rmdir(directory);

	PLImageView* restored = dynamic_cast<PLImageView*>(PLImageView::Instantiate(&archive));
	ASSERT_NE(restored, (PLImageView*) NULL);
	EXPECT_EQ(state_of(restored), PLControlNullState::Instance());
	BMessage again;
	ASSERT_EQ(restored->Archive(&again, true), B_OK);
	EXPECT_EQ(again.GetFloat("PL:magnification", 0), 0.5f);
	BPoint offset;
	ASSERT_EQ(again.FindPoint("PL:offset", &offset), B_OK);
	EXPECT_EQ(offset, BPoint(3, 4));
	entry_ref before, after;
	archive.FindRef("PL:ref", &before);
	again.FindRef("PL:ref", &after);
	EXPECT_EQ(before, after);
	delete restored;
}

TEST(ImageView, InstantiateRefusesOtherClassesAndDamagedArchives)
{
	InterfaceTestApp app;
	BMessage archive;
	archive.AddString("class", "PLVideoView");
	EXPECT_EQ(PLImageView::Instantiate(&archive), (BArchivable*) NULL);

	// Our class name over a model that makes no sense: it still restores, in
	// the null state, with a usable magnification.
	BMessage damaged;
	damaged.AddString("class", "PLImageView");
	damaged.AddFloat("PL:magnification", -3.0f);
	damaged.AddPoint("PL:offset", BPoint(NAN, 4));
	BArchivable* object = PLImageView::Instantiate(&damaged);
	PLImageView* view = dynamic_cast<PLImageView*>(object);
	ASSERT_NE(view, (PLImageView*) NULL);
	EXPECT_GT(view->Magnification(), 0.0f);
	EXPECT_EQ(view->Offset(), BPoint(0, 0));
	EXPECT_STREQ(view->FileName(), "");
	EXPECT_EQ(state_of(view), PLControlNullState::Instance());
	delete view;
}
