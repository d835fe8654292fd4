// Key translation with the US keymap compiled from names: no X server needed.
#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include "display/x11/X11KeyMap.h"
#include <InterfaceDefs.h>

using namespace BPrivate;

namespace {

// evdev key codes as X numbers them (kernel code + 8).
enum : uint32 {
	kKeyEscape = 9,
	kKeyMinus = 20,
	kKeyEqual = 21,
	kKeyBackspace = 22,
	kKeyTab = 23,
	kKeyI = 31,
	kKeyReturn = 36,
	kKeyControlLeft = 37,
	kKeyA = 38,
	kKeyShiftLeft = 50,
	kKeySlash = 61,
	kKeyShiftRight = 62,
	kKeyAltLeft = 64,
	kKeyF1 = 67,
	kKeyKP7 = 79,
	kKeyKPAdd = 86,
	kKeyKP1 = 87,
	kKeyKPEnter = 104,
	kKeyControlRight = 105,
	kKeyHome = 110,
	kKeyUp = 111,
	kKeyPageUp = 112,
	kKeyLeft = 113,
	kKeyRight = 114,
	kKeyEnd = 115,
	kKeyDown = 116,
	kKeyPageDown = 117,
	kKeyInsert = 118,
	kKeyDelete = 119,
	kKeySuperLeft = 133,
};

// Core modifier state bits.
enum : uint16 {
	kShift = 1,
	kLock = 2,
	kControl = 4,
	kAlt = 8,
	kNumLock = 16,
	kSuper = 64,
};

class KeyMapTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		fContext = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
		ASSERT_NE(fContext, nullptr);
		xkb_rule_names names = {"evdev", "pc105", "us", "", ""};
		xkb_keymap* keymap =
		    xkb_keymap_new_from_names(fContext, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
		ASSERT_NE(keymap, nullptr);
		fKeyMap = new X11KeyMap(keymap);
		xkb_keymap_unref(keymap);
	}

	void TearDown() override
	{
		delete fKeyMap;
		xkb_context_unref(fContext);
	}

	std::string Bytes(uint32 keycode, uint16 state = 0, const uint8* pressed = nullptr)
	{
		TranslatedKey key = fKeyMap->Translate(keycode, state, true, pressed);
		EXPECT_EQ((size_t) key.byteCount, strlen(key.bytes));
		return std::string(key.bytes, (size_t) key.byteCount);
	}

	static void Press(uint8* pressed, uint32 keycode)
	{
		pressed[keycode / 8] |= 1 << (keycode % 8);
	}

	xkb_context* fContext = nullptr;
	X11KeyMap* fKeyMap = nullptr;
};

} // namespace

TEST_F(KeyMapTest, PrintableKeysFollowShift)
{
	EXPECT_EQ(Bytes(kKeyA), "a");
	EXPECT_EQ(Bytes(kKeyA, kShift), "A");
	EXPECT_EQ(Bytes(kKeyA, kLock), "A");
	EXPECT_EQ(Bytes(kKeyEqual), "=");
	EXPECT_EQ(Bytes(kKeyEqual, kShift), "+");
	EXPECT_EQ(Bytes(kKeyMinus), "-");
	EXPECT_EQ(Bytes(kKeySlash), "/");
	EXPECT_EQ(Bytes(kKeyKPAdd), "+");
}

TEST_F(KeyMapTest, ControlKeepsNonLettersAndMakesControlCodesOfLetters)
{
	// X's own Control transformation would give 0x1F for '/' and nothing
	// useful for '+'; a Be application expects the plain character with the
	// control bit, so that Control-'+' can zoom.
	TranslatedKey plus = fKeyMap->Translate(kKeyEqual, kShift | kControl, true, nullptr);
	EXPECT_STREQ(plus.bytes, "+");
	EXPECT_EQ(plus.modifiers & (B_CONTROL_KEY | B_SHIFT_KEY),
	          (uint32) (B_CONTROL_KEY | B_SHIFT_KEY));
	EXPECT_EQ(Bytes(kKeyMinus, kControl), "-");
	EXPECT_EQ(Bytes(kKeySlash, kControl), "/");
	EXPECT_EQ(Bytes(kKeyKPAdd, kControl), "+");
	// Control-i is B_TAB and Control-a is 0x01, as on a Be keymap.
	EXPECT_EQ(Bytes(kKeyI, kControl), "\x09");
	EXPECT_EQ(Bytes(kKeyA, kControl), "\x01");
	// Alt is the command key: the letter stays a letter for shortcuts.
	TranslatedKey commandA = fKeyMap->Translate(kKeyA, kAlt, true, nullptr);
	EXPECT_STREQ(commandA.bytes, "a");
	EXPECT_NE(commandA.modifiers & B_COMMAND_KEY, 0u);
}

TEST_F(KeyMapTest, SpecialKeysGiveTheBeBytes)
{
	EXPECT_EQ(Bytes(kKeyReturn), "\x0a");
	EXPECT_EQ(Bytes(kKeyKPEnter), "\x0a");
	EXPECT_EQ(Bytes(kKeyReturn, kControl), "\x0a");
	EXPECT_EQ(Bytes(kKeyBackspace), "\x08");
	EXPECT_EQ(Bytes(kKeyTab), "\x09");
	EXPECT_EQ(Bytes(kKeyTab, kShift), "\x09");
	EXPECT_EQ(Bytes(kKeyEscape), "\x1b");
	EXPECT_EQ(Bytes(kKeyLeft), "\x1c");
	EXPECT_EQ(Bytes(kKeyRight), "\x1d");
	EXPECT_EQ(Bytes(kKeyUp), "\x1e");
	EXPECT_EQ(Bytes(kKeyDown), "\x1f");
	EXPECT_EQ(Bytes(kKeyHome), "\x01");
	EXPECT_EQ(Bytes(kKeyEnd), "\x04");
	EXPECT_EQ(Bytes(kKeyPageUp), "\x0b");
	EXPECT_EQ(Bytes(kKeyPageDown), "\x0c");
	EXPECT_EQ(Bytes(kKeyInsert), "\x05");
	EXPECT_EQ(Bytes(kKeyDelete), "\x7f");
	EXPECT_EQ(Bytes(kKeyF1), "\x10");
}

TEST_F(KeyMapTest, FunctionKeysHaveBeKeyCodes)
{
	EXPECT_EQ(fKeyMap->Translate(kKeyF1, 0, true, nullptr).key, B_F1_KEY);
	EXPECT_EQ(fKeyMap->Translate(kKeyF1 + 4, 0, true, nullptr).key, B_F5_KEY);
	EXPECT_EQ(fKeyMap->Translate(kKeyA, 0, true, nullptr).key, (int32) kKeyA);
}

TEST_F(KeyMapTest, KeypadFollowsNumLock)
{
	EXPECT_EQ(Bytes(kKeyKP1, kNumLock), "1");
	EXPECT_EQ(Bytes(kKeyKP7), "\x01"); // KP_Home
	EXPECT_NE(fKeyMap->Translate(kKeyKP1, kNumLock, true, nullptr).modifiers & B_NUM_LOCK, 0u);
}

TEST_F(KeyMapTest, RawCharIgnoresModifiers)
{
	EXPECT_EQ(fKeyMap->Translate(kKeyA, kShift | kControl, true, nullptr).rawChar, (uint32) 'a');
	EXPECT_EQ(fKeyMap->Translate(kKeyEqual, kShift, true, nullptr).rawChar, (uint32) '=');
	EXPECT_EQ(fKeyMap->Translate(kKeyReturn, 0, true, nullptr).rawChar, (uint32) B_ENTER);
}

TEST_F(KeyMapTest, ModifierKeysTypeNothing)
{
	for (uint32 code :
	     {kKeyShiftLeft, kKeyShiftRight, kKeyControlLeft, kKeyAltLeft, kKeySuperLeft}) {
		EXPECT_TRUE(fKeyMap->IsModifierKey(code)) << code;
		EXPECT_EQ(Bytes(code), "") << code;
	}
	EXPECT_FALSE(fKeyMap->IsModifierKey(kKeyA));
}

TEST_F(KeyMapTest, ModifierBitsWithSides)
{
	EXPECT_EQ(fKeyMap->Modifiers(0, nullptr), 0u);
	uint32 all = fKeyMap->Modifiers(kShift | kControl | kAlt | kSuper | kLock | kNumLock, nullptr);
	EXPECT_EQ(all & 0xff, (uint32) (B_SHIFT_KEY | B_CONTROL_KEY | B_COMMAND_KEY | B_OPTION_KEY |
	                                B_CAPS_LOCK | B_NUM_LOCK));

	uint8 pressed[32] = {};
	Press(pressed, kKeyShiftRight);
	Press(pressed, kKeyControlRight);
	uint32 right = fKeyMap->Modifiers(kShift | kControl, pressed);
	EXPECT_EQ(right & (B_LEFT_SHIFT_KEY | B_RIGHT_SHIFT_KEY), (uint32) B_RIGHT_SHIFT_KEY);
	EXPECT_EQ(right & (B_LEFT_CONTROL_KEY | B_RIGHT_CONTROL_KEY), (uint32) B_RIGHT_CONTROL_KEY);

	// A held key whose modifier is not on sets no side bit.
	EXPECT_EQ(fKeyMap->Modifiers(0, pressed), 0u);
	// A modifier whose key was not seen counts as the left one.
	EXPECT_NE(fKeyMap->Modifiers(kAlt, nullptr) & B_LEFT_COMMAND_KEY, 0u);
}

TEST_F(KeyMapTest, ModifierKeysReportTheStateAfterThem)
{
	uint8 pressed[32] = {};
	Press(pressed, kKeyShiftLeft);
	TranslatedKey shiftDown = fKeyMap->Translate(kKeyShiftLeft, 0, true, pressed);
	EXPECT_EQ(shiftDown.modifiers, (uint32) (B_SHIFT_KEY | B_LEFT_SHIFT_KEY));
	EXPECT_EQ(shiftDown.byteCount, 0);

	// Releasing one Shift while the other is held keeps Shift on.
	Press(pressed, kKeyShiftRight);
	pressed[kKeyShiftLeft / 8] &= (uint8) ~(1 << (kKeyShiftLeft % 8));
	TranslatedKey leftUp = fKeyMap->Translate(kKeyShiftLeft, kShift, false, pressed);
	EXPECT_EQ(leftUp.modifiers, (uint32) (B_SHIFT_KEY | B_RIGHT_SHIFT_KEY));
	pressed[kKeyShiftRight / 8] &= (uint8) ~(1 << (kKeyShiftRight % 8));
	EXPECT_EQ(fKeyMap->Translate(kKeyShiftRight, kShift, false, pressed).modifiers, 0u);

	// Control released: gone; the bytes of the key still follow the state
	// before the event.
	EXPECT_EQ(fKeyMap->Translate(kKeyControlLeft, kControl, false, pressed).modifiers, 0u);
}

TEST_F(KeyMapTest, UnknownKeyCodesAreHarmless)
{
	for (uint32 code : {0u, 1u, 7u, 255u, 256u, 100000u}) {
		TranslatedKey key = fKeyMap->Translate(code, 0xffff, true, nullptr);
		EXPECT_EQ(key.byteCount, (int32) strlen(key.bytes));
		EXPECT_FALSE(fKeyMap->IsModifierKey(code));
	}
}
