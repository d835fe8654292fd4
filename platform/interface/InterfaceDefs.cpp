#include <InterfaceDefs.h>

#include "display/ClickCounter.h"
#include "display/DisplayBackend.h"

using BPrivate::display_backend;
using BPrivate::DisplayBackend;

const float B_LIGHTEN_MAX_TINT = 0.0f;
const float B_LIGHTEN_2_TINT = 0.385f;
const float B_LIGHTEN_1_TINT = 0.590f;
const float B_NO_TINT = 1.0f;
const float B_DARKEN_1_TINT = 1.147f;
const float B_DARKEN_2_TINT = 1.295f;
const float B_DARKEN_3_TINT = 1.407f;
const float B_DARKEN_4_TINT = 1.555f;
const float B_DARKEN_MAX_TINT = 2.0f;
const float B_HIGHLIGHT_BACKGROUND_TINT = B_DARKEN_2_TINT;
const float B_DISABLED_LABEL_TINT = B_DARKEN_3_TINT;
const float B_DISABLED_MARK_TINT = B_LIGHTEN_2_TINT;

rgb_color ui_color(color_which which)
{
	// One fixed, neutral scheme: light grey panels and menus, a blue selection.
	switch (which) {
		case B_PANEL_BACKGROUND_COLOR:
		case B_MENU_BACKGROUND_COLOR:
		case B_CONTROL_BACKGROUND_COLOR:
			return make_color(216, 216, 216);
		case B_WINDOW_TAB_COLOR:
			return make_color(255, 203, 0);
		case B_KEYBOARD_NAVIGATION_COLOR:
		case B_NAVIGATION_PULSE_COLOR:
		case B_CONTROL_HIGHLIGHT_COLOR:
			return make_color(0, 0, 229);
		case B_DESKTOP_COLOR:
			return make_color(51, 102, 152);
		case B_MENU_SELECTION_BACKGROUND_COLOR:
			return make_color(64, 112, 196);
		case B_MENU_SELECTED_ITEM_TEXT_COLOR:
		case B_SHINE_COLOR:
		case B_DOCUMENT_BACKGROUND_COLOR:
			return make_color(255, 255, 255);
		case B_MENU_SELECTED_BORDER_COLOR:
			return make_color(40, 70, 130);
		case B_TOOLTIP_BACKGROUND_COLOR:
			return make_color(255, 255, 220);
		case B_WINDOW_INACTIVE_TAB_COLOR:
			return make_color(232, 232, 232);
		case B_WINDOW_INACTIVE_TEXT_COLOR:
			return make_color(80, 80, 80);
		case B_CONTROL_BORDER_COLOR:
			return make_color(128, 128, 128);
		case B_MENU_ITEM_TEXT_COLOR:
		case B_PANEL_TEXT_COLOR:
		case B_DOCUMENT_TEXT_COLOR:
		case B_CONTROL_TEXT_COLOR:
		case B_SHADOW_COLOR:
		case B_TOOLTIP_TEXT_COLOR:
		case B_WINDOW_TEXT_COLOR:
		default:
			return make_color(0, 0, 0);
	}
}

rgb_color tint_color(rgb_color color, float tint)
{
	auto channel = [tint](uint8 value) {
		float result = tint < 1.0f ? value + (255 - value) * (1.0f - tint) : value * (2.0f - tint);
		if (!(result > 0))
			return uint8(0);
		return result >= 255 ? uint8(255) : uint8(result + 0.5f);
	};
	return make_color(channel(color.red), channel(color.green), channel(color.blue), color.alpha);
}

int32 count_workspaces()
{
	DisplayBackend* backend = display_backend();
	return backend != NULL ? backend->CountWorkspaces() : 1;
}

int32 current_workspace()
{
	DisplayBackend* backend = display_backend();
	return backend != NULL ? backend->CurrentWorkspace() : 0;
}

void activate_workspace(int32 workspace)
{
	DisplayBackend* backend = display_backend();
	if (backend != NULL)
		backend->ActivateWorkspace(workspace);
}

uint32 modifiers()
{
	uint32 state = 0;
	DisplayBackend* backend = display_backend();
	if (backend != NULL)
		backend->GetPointer(NULL, NULL, &state);
	return state;
}

void set_mouse_position(int32 x, int32 y)
{
	DisplayBackend* backend = display_backend();
	if (backend != NULL)
		backend->WarpPointer(BPoint(x, y));
}

status_t get_mouse(BPoint* screenWhere, uint32* buttons)
{
	DisplayBackend* backend = display_backend();
	if (backend == NULL)
		return B_ERROR;
	backend->GetPointer(screenWhere, buttons, NULL);
	return B_OK;
}

status_t get_click_speed(bigtime_t* speed)
{
	if (speed == NULL)
		return B_BAD_VALUE;
	*speed = BPrivate::ClickCounter::kInterval;
	return B_OK;
}

bool focus_follows_mouse()
{
	DisplayBackend* backend = display_backend();
	return backend != NULL && backend->capabilities.focusFollowsMouse;
}
