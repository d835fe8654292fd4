#include <stdlib.h>

#include <gtest/gtest.h>

#include "display/x11/X11EventThread.h"

using BPrivate::coalesce_events;

namespace {

xcb_generic_event_t* motion(xcb_window_t window, int16_t x, uint16_t state = 0)
{
	auto event = (xcb_motion_notify_event_t*) calloc(1, sizeof(xcb_generic_event_t));
	event->response_type = XCB_MOTION_NOTIFY;
	event->event = window;
	event->event_x = x;
	event->state = state;
	event->same_screen = 1;
	return (xcb_generic_event_t*) event;
}

xcb_generic_event_t* configure(xcb_window_t window, uint16_t width)
{
	auto event = (xcb_configure_notify_event_t*) calloc(1, sizeof(xcb_generic_event_t));
	event->response_type = XCB_CONFIGURE_NOTIFY;
	event->event = window;
	event->window = window;
	event->width = width;
	return (xcb_generic_event_t*) event;
}

xcb_generic_event_t* press(xcb_window_t window)
{
	auto event = (xcb_button_press_event_t*) calloc(1, sizeof(xcb_generic_event_t));
	event->response_type = XCB_BUTTON_PRESS;
	event->event = window;
	return (xcb_generic_event_t*) event;
}

void release_all(std::vector<xcb_generic_event_t*>& events)
{
	for (auto event : events)
		free(event);
	events.clear();
}

} // namespace

TEST(CoalesceTest, RunsOfMotionKeepTheLast)
{
	std::vector<xcb_generic_event_t*> events = {motion(1, 10), motion(1, 11), motion(1, 12)};
	coalesce_events(events);
	ASSERT_EQ(events.size(), 1u);
	EXPECT_EQ(((xcb_motion_notify_event_t*) events[0])->event_x, 12);
	release_all(events);
}

TEST(CoalesceTest, InputOrderAndDifferencesSurvive)
{
	// A press between motions, a button held in one but not the other, and
	// motions in different windows must all stay, in order.
	std::vector<xcb_generic_event_t*> events = {motion(1, 1), press(1),
	                                            motion(1, 2), motion(1, 3, XCB_BUTTON_MASK_1),
	                                            motion(2, 4), motion(2, 5)};
	coalesce_events(events);
	ASSERT_EQ(events.size(), 5u);
	EXPECT_EQ(events[0]->response_type, XCB_MOTION_NOTIFY);
	EXPECT_EQ(events[1]->response_type, XCB_BUTTON_PRESS);
	EXPECT_EQ(((xcb_motion_notify_event_t*) events[2])->event_x, 2);
	EXPECT_EQ(((xcb_motion_notify_event_t*) events[3])->event_x, 3);
	EXPECT_EQ(((xcb_motion_notify_event_t*) events[4])->event_x, 5);
	release_all(events);
}

TEST(CoalesceTest, RunsOfConfigureKeepTheLastPerWindow)
{
	std::vector<xcb_generic_event_t*> events = {configure(1, 100), configure(1, 200),
	                                            configure(2, 50), configure(1, 300)};
	coalesce_events(events);
	ASSERT_EQ(events.size(), 3u);
	EXPECT_EQ(((xcb_configure_notify_event_t*) events[0])->width, 200);
	EXPECT_EQ(((xcb_configure_notify_event_t*) events[1])->width, 50);
	EXPECT_EQ(((xcb_configure_notify_event_t*) events[2])->width, 300);
	release_all(events);
}
