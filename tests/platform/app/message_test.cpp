#include <Message.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include <Entry.h>
#include <gtest/gtest.h>

#include "app/MessagePrivate.h"

TEST(Message, EveryTypeReadsBackInOrder)
{
	BMessage message('test');
	ASSERT_EQ(message.AddBool("bool", true), B_OK);
	ASSERT_EQ(message.AddBool("bool", false), B_OK);
	ASSERT_EQ(message.AddInt8("int8", -8), B_OK);
	ASSERT_EQ(message.AddUInt8("uint8", 250), B_OK);
	ASSERT_EQ(message.AddInt16("int16", -16000), B_OK);
	ASSERT_EQ(message.AddUInt16("uint16", 65000), B_OK);
	ASSERT_EQ(message.AddInt32("int32", -7), B_OK);
	ASSERT_EQ(message.AddInt32("int32", 1 << 30), B_OK);
	ASSERT_EQ(message.AddUInt32("uint32", 4000000000u), B_OK);
	ASSERT_EQ(message.AddInt64("int64", -(int64(1) << 40)), B_OK);
	ASSERT_EQ(message.AddUInt64("uint64", ~uint64(0)), B_OK);
	ASSERT_EQ(message.AddFloat("float", 1.5f), B_OK);
	ASSERT_EQ(message.AddDouble("double", -2.25), B_OK);
	ASSERT_EQ(message.AddString("string", "first"), B_OK);
	ASSERT_EQ(message.AddString("string", ""), B_OK);
	ASSERT_EQ(message.AddString("string", "third, longer than the others"), B_OK);
	ASSERT_EQ(message.AddPoint("point", BPoint(3.5f, -4)), B_OK);
	ASSERT_EQ(message.AddRect("rect", BRect(1, 2, 30, 40)), B_OK);
	ASSERT_EQ(message.AddPointer("pointer", &message), B_OK);
	entry_ref ref(3, 77, "file.png");
	ASSERT_EQ(message.AddRef("ref", &ref), B_OK);
	BMessage inner('innr');
	inner.AddString("label", "nested");
	ASSERT_EQ(message.AddMessage("message", &inner), B_OK);
	EXPECT_EQ(message.what, uint32('test'));

	bool b;
	EXPECT_EQ(message.FindBool("bool", 0, &b), B_OK);
	EXPECT_TRUE(b);
	EXPECT_EQ(message.FindBool("bool", 1, &b), B_OK);
	EXPECT_FALSE(b);
	int8 i8;
	EXPECT_EQ(message.FindInt8("int8", &i8), B_OK);
	EXPECT_EQ(i8, -8);
	uint8 u8;
	EXPECT_EQ(message.FindUInt8("uint8", &u8), B_OK);
	EXPECT_EQ(u8, 250);
	int16 i16;
	EXPECT_EQ(message.FindInt16("int16", &i16), B_OK);
	EXPECT_EQ(i16, -16000);
	uint16 u16;
	EXPECT_EQ(message.FindUInt16("uint16", &u16), B_OK);
	EXPECT_EQ(u16, 65000);
	int32 i32;
	EXPECT_EQ(message.FindInt32("int32", 1, &i32), B_OK);
	EXPECT_EQ(i32, 1 << 30);
	EXPECT_EQ(message.FindInt32("int32", &i32), B_OK);
	EXPECT_EQ(i32, -7);
	uint32 u32;
	EXPECT_EQ(message.FindUInt32("uint32", &u32), B_OK);
	EXPECT_EQ(u32, 4000000000u);
	int64 i64;
	EXPECT_EQ(message.FindInt64("int64", &i64), B_OK);
	EXPECT_EQ(i64, -(int64(1) << 40));
	uint64 u64;
	EXPECT_EQ(message.FindUInt64("uint64", &u64), B_OK);
	EXPECT_EQ(u64, ~uint64(0));
	float f;
	EXPECT_EQ(message.FindFloat("float", &f), B_OK);
	EXPECT_EQ(f, 1.5f);
	double d;
	EXPECT_EQ(message.FindDouble("double", &d), B_OK);
	EXPECT_EQ(d, -2.25);
	const char* s;
	EXPECT_EQ(message.FindString("string", 0, &s), B_OK);
	EXPECT_STREQ(s, "first");
	EXPECT_EQ(message.FindString("string", 1, &s), B_OK);
	EXPECT_STREQ(s, "");
	EXPECT_EQ(message.FindString("string", 2, &s), B_OK);
	EXPECT_STREQ(s, "third, longer than the others");
	BPoint point;
	EXPECT_EQ(message.FindPoint("point", &point), B_OK);
	EXPECT_EQ(point, BPoint(3.5f, -4));
	BRect rect;
	EXPECT_EQ(message.FindRect("rect", &rect), B_OK);
	EXPECT_EQ(rect, BRect(1, 2, 30, 40));
	void* pointer;
	EXPECT_EQ(message.FindPointer("pointer", &pointer), B_OK);
	EXPECT_EQ(pointer, &message);
	entry_ref foundRef;
	EXPECT_EQ(message.FindRef("ref", &foundRef), B_OK);
	EXPECT_EQ(foundRef, ref);
	BMessage foundInner;
	EXPECT_EQ(message.FindMessage("message", &foundInner), B_OK);
	EXPECT_EQ(foundInner.what, uint32('innr'));
	EXPECT_STREQ(foundInner.GetString("label"), "nested");
}

TEST(Message, RefsKeepAMissingNameApartFromAnEmptyOne)
{
	BMessage message;
	entry_ref unnamed(1, 2, NULL);
	entry_ref empty(1, 2, "");
	ASSERT_EQ(message.AddRef("r", &unnamed), B_OK);
	ASSERT_EQ(message.AddRef("r", &empty), B_OK);
	entry_ref found(9, 9, "x");
	ASSERT_EQ(message.FindRef("r", 0, &found), B_OK);
	EXPECT_EQ(found.name, nullptr);
	EXPECT_EQ(found.device, 1);
	ASSERT_EQ(message.FindRef("r", 1, &found), B_OK);
	ASSERT_NE(found.name, nullptr);
	EXPECT_STREQ(found.name, "");
}

TEST(Message, FailedFindsReportWhyAndStoreEmptyValues)
{
	BMessage message;
	message.AddInt32("number", 5);
	message.AddString("text", "hello");

	int32 i32 = 99;
	EXPECT_EQ(message.FindInt32("absent", &i32), B_NAME_NOT_FOUND);
	EXPECT_EQ(i32, 0);
	i32 = 99;
	EXPECT_EQ(message.FindInt32("text", &i32), B_BAD_TYPE);
	EXPECT_EQ(i32, 0);
	i32 = 99;
	EXPECT_EQ(message.FindInt32("number", 1, &i32), B_BAD_INDEX);
	EXPECT_EQ(i32, 0);
	EXPECT_EQ(message.FindInt32("number", -1, &i32), B_BAD_INDEX);

	bool b = true;
	EXPECT_EQ(message.FindBool("absent", &b), B_NAME_NOT_FOUND);
	EXPECT_FALSE(b);
	float f = 3;
	EXPECT_EQ(message.FindFloat("number", &f), B_BAD_TYPE);
	EXPECT_EQ(f, 0.0f);
	const char* s = "x";
	EXPECT_EQ(message.FindString("number", &s), B_BAD_TYPE);
	EXPECT_EQ(s, nullptr);
	s = "x";
	EXPECT_EQ(message.FindString("text", 1, &s), B_BAD_INDEX);
	EXPECT_EQ(s, nullptr);
	BRect rect(1, 1, 5, 5);
	EXPECT_EQ(message.FindRect("absent", &rect), B_NAME_NOT_FOUND);
	EXPECT_FALSE(rect.IsValid());
	BPoint point(4, 4);
	EXPECT_EQ(message.FindPoint("absent", &point), B_NAME_NOT_FOUND);
	EXPECT_EQ(point, BPoint(0, 0));
	void* pointer = &message;
	EXPECT_EQ(message.FindPointer("absent", &pointer), B_NAME_NOT_FOUND);
	EXPECT_EQ(pointer, nullptr);
	entry_ref ref(1, 2, "left over");
	EXPECT_EQ(message.FindRef("absent", &ref), B_NAME_NOT_FOUND);
	EXPECT_EQ(ref, entry_ref());
	const void* data = &message;
	ssize_t size = 7;
	EXPECT_EQ(message.FindData("number", B_STRING_TYPE, &data, &size), B_BAD_TYPE);
	EXPECT_EQ(data, nullptr);
	EXPECT_EQ(size, 0);
	EXPECT_EQ(message.FindData("number", B_ANY_TYPE, &data, &size), B_OK);
	EXPECT_EQ(size, 4);

	EXPECT_EQ(message.FindInt32(NULL, &i32), B_BAD_VALUE);
	EXPECT_EQ(message.GetInt32("absent", 42), 42);
	EXPECT_STREQ(message.GetString("absent", "fallback"), "fallback");
	EXPECT_FALSE(message.HasInt32("number", 1));
	EXPECT_TRUE(message.HasInt32("number"));
	EXPECT_FALSE(message.HasString("number"));
}

TEST(Message, AddRefusesBadNamesAndMixedTypes)
{
	BMessage message;
	std::string longest(B_FIELD_NAME_LENGTH, 'n');
	std::string tooLong(B_FIELD_NAME_LENGTH + 1, 'n');
	EXPECT_EQ(message.AddInt32(longest.c_str(), 1), B_OK);
	EXPECT_EQ(message.AddInt32(tooLong.c_str(), 1), B_BAD_VALUE);
	EXPECT_EQ(message.AddInt32("", 1), B_BAD_VALUE);
	EXPECT_EQ(message.AddInt32(NULL, 1), B_BAD_VALUE);
	EXPECT_EQ(message.AddString("s", NULL), B_BAD_VALUE);
	EXPECT_EQ(message.AddRef("r", NULL), B_BAD_VALUE);
	EXPECT_EQ(message.AddMessage("m", NULL), B_BAD_VALUE);

	ASSERT_EQ(message.AddInt32("value", 1), B_OK);
	EXPECT_EQ(message.AddInt64("value", 1), B_BAD_TYPE);
	EXPECT_EQ(message.AddString("value", "1"), B_BAD_TYPE);
	type_code type;
	int32 count;
	ASSERT_EQ(message.GetInfo("value", &type, &count), B_OK);
	EXPECT_EQ(type, uint32(B_INT32_TYPE));
	EXPECT_EQ(count, 1);
	EXPECT_EQ(message.CountNames(B_ANY_TYPE), 2);
}

TEST(Message, RawDataKeepsItsTypeSizeAndFixedFlag)
{
	BMessage message;
	const char blob[] = {1, 2, 3, 4, 5, 6};
	ASSERT_EQ(message.AddData("fixed", 'BLOB', blob, 3), B_OK);
	ASSERT_EQ(message.AddData("fixed", 'BLOB', blob + 3, 3), B_OK);
	EXPECT_EQ(message.AddData("fixed", 'BLOB', blob, 4), B_BAD_VALUE);
	EXPECT_EQ(message.AddData("fixed", 'BLOT', blob, 3), B_BAD_TYPE);
	ASSERT_EQ(message.AddData("var", 'BLOB', blob, 1, false), B_OK);
	ASSERT_EQ(message.AddData("var", 'BLOB', blob, 6, false), B_OK);
	EXPECT_EQ(message.AddData("var", 'BLOB', blob, 0, false), B_BAD_VALUE);
	EXPECT_EQ(message.AddData("var", 'BLOB', NULL, 2, false), B_BAD_VALUE);

	bool fixedSize;
	type_code type;
	int32 count;
	ASSERT_EQ(message.GetInfo("fixed", &type, &count, &fixedSize), B_OK);
	EXPECT_EQ(type, uint32('BLOB'));
	EXPECT_EQ(count, 2);
	EXPECT_TRUE(fixedSize);
	ASSERT_EQ(message.GetInfo("var", &type, &fixedSize), B_OK);
	EXPECT_FALSE(fixedSize);

	const void* data;
	ssize_t size;
	ASSERT_EQ(message.FindData("fixed", 'BLOB', 1, &data, &size), B_OK);
	ASSERT_EQ(size, 3);
	EXPECT_EQ(memcmp(data, blob + 3, 3), 0);
	ASSERT_EQ(message.FindData("var", 'BLOB', 1, &data, &size), B_OK);
	ASSERT_EQ(size, 6);
	EXPECT_EQ(memcmp(data, blob, 6), 0);

	// Typed fields added as raw data must have the size their finders read.
	int16 small = 1;
	EXPECT_EQ(message.AddData("int", B_INT32_TYPE, &small, sizeof(small)), B_BAD_VALUE);
	EXPECT_EQ(message.AddData("str", B_STRING_TYPE, "abc", 3), B_BAD_VALUE);
	EXPECT_EQ(message.AddData("str", B_STRING_TYPE, "abc", 4, false), B_OK);
	EXPECT_EQ(message.AddData("msg", B_MESSAGE_TYPE, blob, sizeof(blob), false), B_BAD_VALUE);

	// A bool stored as a byte other than 0 or 1 still reads as true.
	uint8 two = 2;
	ASSERT_EQ(message.AddData("flag", B_BOOL_TYPE, &two, 1), B_OK);
	EXPECT_TRUE(message.GetBool("flag"));
}

TEST(Message, ReplaceChangesExistingItemsOnly)
{
	BMessage message;
	EXPECT_EQ(message.ReplaceInt32("absent", 1), B_NAME_NOT_FOUND);
	EXPECT_TRUE(message.IsEmpty());

	message.AddInt32("n", 1);
	message.AddInt32("n", 2);
	EXPECT_EQ(message.ReplaceInt32("n", 1, 20), B_OK);
	EXPECT_EQ(message.ReplaceInt32("n", 2, 30), B_BAD_INDEX);
	EXPECT_EQ(message.ReplaceInt64("n", 30), B_BAD_TYPE);
	EXPECT_EQ(message.GetInt32("n", 0, -1), 1);
	EXPECT_EQ(message.GetInt32("n", 1, -1), 20);
	int32 count;
	message.GetInfo("n", NULL, &count);
	EXPECT_EQ(count, 2);

	message.AddString("s", "one");
	message.AddString("s", "two");
	message.AddString("s", "three");
	ASSERT_EQ(message.ReplaceString("s", 1, "a much longer second item"), B_OK);
	ASSERT_EQ(message.ReplaceString("s", 0, ""), B_OK);
	EXPECT_STREQ(message.GetString("s", 0, NULL), "");
	EXPECT_STREQ(message.GetString("s", 1, NULL), "a much longer second item");
	EXPECT_STREQ(message.GetString("s", 2, NULL), "three");

	message.AddRect("r", BRect(0, 0, 1, 1));
	ASSERT_EQ(message.ReplaceRect("r", BRect(5, 6, 7, 8)), B_OK);
	EXPECT_EQ(message.GetRect("r", BRect()), BRect(5, 6, 7, 8));

	BMessage inner('aaaa');
	message.AddMessage("m", &inner);
	inner.what = 'bbbb';
	inner.AddInt32("x", 3);
	ASSERT_EQ(message.ReplaceMessage("m", &inner), B_OK);
	BMessage found;
	ASSERT_EQ(message.FindMessage("m", &found), B_OK);
	EXPECT_EQ(found.what, uint32('bbbb'));
	EXPECT_EQ(found.GetInt32("x", 0), 3);

	const char blob[] = {9, 9};
	message.AddData("raw", 'BLOB', blob, 2);
	EXPECT_EQ(message.ReplaceData("raw", 'BLOB', blob, 1), B_BAD_VALUE);
}

TEST(Message, CopiesAreIndependent)
{
	BMessage inner('innr');
	inner.AddString("name", "inner");
	BMessage original('orig');
	original.AddInt32("n", 1);
	original.AddString("s", "text");
	original.AddMessage("m", &inner);

	BMessage copy(original);
	BMessage assigned;
	assigned.AddBool("old", true);
	assigned = original;

	original.ReplaceInt32("n", 2);
	original.ReplaceString("s", "changed");
	original.AddInt32("n", 3);
	original.RemoveName("m");
	original.what = 'chng';

	for (const BMessage* m : {&copy, &assigned}) {
		EXPECT_EQ(m->what, uint32('orig'));
		EXPECT_EQ(m->GetInt32("n", -1), 1);
		int32 count;
		m->GetInfo("n", NULL, &count);
		EXPECT_EQ(count, 1);
		EXPECT_STREQ(m->GetString("s"), "text");
		BMessage found;
		ASSERT_EQ(m->FindMessage("m", &found), B_OK);
		EXPECT_STREQ(found.GetString("name"), "inner");
		EXPECT_FALSE(m->HasBool("old"));
	}

	assigned = assigned;
	EXPECT_EQ(assigned.GetInt32("n", -1), 1);
	BMessage empty;
	assigned = empty;
	EXPECT_TRUE(assigned.IsEmpty());
	EXPECT_EQ(assigned.what, 0u);
}

TEST(Message, GetInfoWalksFieldsInInsertionOrder)
{
	BMessage message;
	message.AddInt32("b", 1);
	message.AddString("a", "x");
	message.AddInt32("c", 1);
	message.AddInt32("c", 2);
	message.AddFloat("d", 1);

	const char* expected[] = {"b", "a", "c", "d"};
	char* name;
	type_code type;
	int32 count;
	for (int32 i = 0; i < 4; i++) {
		ASSERT_EQ(message.GetInfo(B_ANY_TYPE, i, &name, &type, &count), B_OK);
		EXPECT_STREQ(name, expected[i]);
	}
	EXPECT_EQ(message.GetInfo(B_ANY_TYPE, 4, &name, &type, &count), B_BAD_INDEX);
	EXPECT_EQ(message.GetInfo(B_ANY_TYPE, -1, &name, &type, &count), B_BAD_INDEX);

	ASSERT_EQ(message.GetInfo(B_INT32_TYPE, 1, &name, &type, &count), B_OK);
	EXPECT_STREQ(name, "c");
	EXPECT_EQ(count, 2);
	EXPECT_EQ(message.GetInfo(B_INT32_TYPE, 2, &name, &type, &count), B_BAD_INDEX);
	EXPECT_EQ(message.GetInfo(B_RECT_TYPE, 0, &name, &type, &count), B_BAD_TYPE);

	EXPECT_EQ(message.CountNames(B_INT32_TYPE), 2);
	EXPECT_EQ(message.CountNames(B_STRING_TYPE), 1);
	EXPECT_EQ(message.CountNames(B_RECT_TYPE), 0);
	EXPECT_EQ(message.CountNames(B_ANY_TYPE), 4);
	EXPECT_EQ(message.GetInfo("absent", &type, &count), B_NAME_NOT_FOUND);
}

TEST(Message, RemovingKeepsTheOtherFieldsReachable)
{
	BMessage message;
	const int kFields = 300;
	char name[32];
	for (int i = 0; i < kFields; i++) {
		snprintf(name, sizeof(name), "field %d", i);
		ASSERT_EQ(message.AddInt32(name, i), B_OK);
	}
	message.AddInt32("field 7", 700);

	EXPECT_EQ(message.RemoveData("field 7", 2), B_BAD_INDEX);
	EXPECT_EQ(message.RemoveData("field 7", 0), B_OK);
	EXPECT_EQ(message.GetInt32("field 7", -1), 700);
	EXPECT_EQ(message.RemoveData("field 7"), B_OK);
	EXPECT_FALSE(message.HasInt32("field 7")); // its last item took the field with it
	EXPECT_EQ(message.RemoveName("field 7"), B_NAME_NOT_FOUND);
	for (int i = 0; i < kFields; i += 2) {
		snprintf(name, sizeof(name), "field %d", i);
		ASSERT_EQ(message.RemoveName(name), B_OK);
	}
	EXPECT_EQ(message.CountNames(B_ANY_TYPE), kFields / 2 - 1);
	for (int i = 0; i < kFields; i++) {
		snprintf(name, sizeof(name), "field %d", i);
		int32 expected = (i % 2 == 1 && i != 7) ? i : -1;
		EXPECT_EQ(message.GetInt32(name, -1), expected) << name;
	}
	char* first;
	ASSERT_EQ(message.GetInfo(B_ANY_TYPE, 0, &first, NULL), B_OK);
	EXPECT_STREQ(first, "field 1");

	EXPECT_EQ(message.Rename("field 1", "field 3"), B_NAME_IN_USE);
	EXPECT_EQ(message.Rename("field 1", "renamed"), B_OK);
	EXPECT_EQ(message.GetInt32("renamed", -1), 1);
	EXPECT_FALSE(message.HasInt32("field 1"));

	message.MakeEmpty();
	EXPECT_TRUE(message.IsEmpty());
	EXPECT_FALSE(message.HasInt32("field 3"));
	EXPECT_EQ(message.AddInt32("field 3", 3), B_OK);
	EXPECT_EQ(message.GetInt32("field 3", -1), 3);
}

TEST(Message, DeliveryFactsComeFromTheMessagingLayer)
{
	BMessage message;
	EXPECT_FALSE(message.WasDropped());
	EXPECT_FALSE(message.IsSourceRemote());
	BPoint offset(9, 9);
	EXPECT_EQ(message.DropPoint(&offset), BPoint(0, 0));
	EXPECT_EQ(offset, BPoint(0, 0));

	BPrivate::MessageDelivery* delivery = BMessage::Private(message).Delivery();
	ASSERT_NE(delivery, nullptr);
	delivery->wasDropped = true;
	delivery->sourceRemote = true;
	delivery->dropPoint = BPoint(100, 200);
	delivery->dropOffset = BPoint(5, 6);

	BMessage copy(message);
	for (const BMessage* m : {&message, &copy}) {
		EXPECT_TRUE(m->WasDropped());
		EXPECT_TRUE(m->IsSourceRemote());
		EXPECT_EQ(m->DropPoint(&offset), BPoint(100, 200));
		EXPECT_EQ(offset, BPoint(5, 6));
	}
	BMessage::Private(copy).ClearDelivery();
	EXPECT_FALSE(copy.WasDropped());
	EXPECT_TRUE(message.WasDropped());
}

TEST(Message, PrintToStreamShowsNestedFields)
{
	BMessage inner('innr');
	inner.AddString("leaf", "deep value");
	BMessage message('outr');
	message.AddInt32("count", 12);
	message.AddMessage("child", &inner);

	testing::internal::CaptureStdout();
	message.PrintToStream();
	std::string out = testing::internal::GetCapturedStdout();
	EXPECT_NE(out.find("'outr'"), std::string::npos) << out;
	EXPECT_NE(out.find("count = int32(12"), std::string::npos) << out;
	EXPECT_NE(out.find("'innr'"), std::string::npos) << out;
	EXPECT_NE(out.find("leaf = string(\"deep value\""), std::string::npos) << out;
}
