#include <InterfaceDefs.h>
#include <Screen.h>

#include <stdlib.h>

#include <gtest/gtest.h>

#include "display/offscreen/OffscreenControl.h"

using BPrivate::OffscreenControl;

class ScreenTest : public testing::Test {
protected:
	void SetUp() override
	{
		control = OffscreenControl::Get();
		ASSERT_NE(control, nullptr);
	}

	OffscreenControl* control = NULL;
};

TEST_F(ScreenTest, FrameIsTheScreenInInclusiveEdges)
{
	control->SetScreenSize(1024, 768);
	BScreen screen;
	ASSERT_TRUE(screen.IsValid());
	EXPECT_EQ(screen.Frame(), BRect(0, 0, 1023, 767));
	EXPECT_EQ(screen.ColorSpace(), B_RGB32);
	EXPECT_EQ(screen.ID().id, B_MAIN_SCREEN_ID.id);
	EXPECT_EQ(screen.SetToNext(), B_ERROR);
	control->SetScreenSize(1920, 1080);
	EXPECT_EQ(BScreen(B_MAIN_SCREEN_ID).Frame(), BRect(0, 0, 1919, 1079));

	screen_id other = {3};
	BScreen missing(other);
	EXPECT_FALSE(missing.IsValid());
	EXPECT_FALSE(missing.Frame().IsValid());
}

TEST_F(ScreenTest, WorkspacesPointerAndModifiers)
{
	control->SetWorkspaceCount(3);
	EXPECT_EQ(count_workspaces(), 3);
	activate_workspace(2);
	EXPECT_EQ(current_workspace(), 2);
	activate_workspace(5); // out of range: ignored
	activate_workspace(-1);
	EXPECT_EQ(current_workspace(), 2);
	activate_workspace(0);
	EXPECT_EQ(current_workspace(), 0);

	control->SetModifiers(B_SHIFT_KEY | B_LEFT_SHIFT_KEY | B_CONTROL_KEY);
	EXPECT_EQ(modifiers(), uint32(B_SHIFT_KEY | B_LEFT_SHIFT_KEY | B_CONTROL_KEY));
	control->SetModifiers(0);
	EXPECT_EQ(modifiers(), 0u);

	set_mouse_position(300, 200);
	BPoint where;
	uint32 buttons = 99;
	ASSERT_EQ(get_mouse(&where, &buttons), B_OK);
	EXPECT_EQ(where, BPoint(300, 200));
	EXPECT_EQ(buttons, 0u);
	control->PressButtons(2);
	get_mouse(&where, &buttons);
	EXPECT_EQ(buttons, 2u);
	control->ReleaseButtons(2);

	EXPECT_FALSE(focus_follows_mouse());
}

TEST(InterfaceDefs, BeValuesAndTints)
{
	EXPECT_EQ(B_ENTER, 0x0a);
	EXPECT_EQ(B_ESCAPE, 0x1b);
	EXPECT_EQ(B_DOWN_ARROW, 0x1f);
	EXPECT_EQ(B_COMMAND_KEY, 0x2);
	EXPECT_EQ(B_OPTION_KEY, 0x40);
	EXPECT_EQ(B_RIGHT_OPTION_KEY, 0x8000);

	rgb_color grey = make_color(100, 150, 200);
	rgb_color lighter = tint_color(grey, B_LIGHTEN_1_TINT);
	rgb_color darker = tint_color(grey, B_DARKEN_2_TINT);
	EXPECT_GT(lighter.red, grey.red);
	EXPECT_LT(darker.blue, grey.blue);
	EXPECT_EQ(tint_color(grey, B_NO_TINT), grey);
	EXPECT_EQ(tint_color(grey, B_LIGHTEN_MAX_TINT), make_color(255, 255, 255));
	EXPECT_EQ(tint_color(grey, B_DARKEN_MAX_TINT), make_color(0, 0, 0));
	// Menu text reads on the menu background.
	rgb_color menu = ui_color(B_MENU_BACKGROUND_COLOR);
	rgb_color text = ui_color(B_MENU_ITEM_TEXT_COLOR);
	EXPECT_GT(abs(menu.red - text.red) + abs(menu.green - text.green), 200);
}
