#include <gtest/gtest.h>

#include <List.h>

TEST(List, AddRemoveMoveAndOutOfRangeIndexes)
{
	int a, b, c, d;
	BList list;
	EXPECT_TRUE(list.IsEmpty());
	EXPECT_TRUE(list.AddItem(&a));
	EXPECT_TRUE(list.AddItem(&c));
	EXPECT_TRUE(list.AddItem(&b, 1));
	EXPECT_FALSE(list.AddItem(&d, 5));
	EXPECT_FALSE(list.AddItem(&d, -1));
	EXPECT_EQ(list.CountItems(), 3);
	EXPECT_EQ(list.ItemAt(0), &a);
	EXPECT_EQ(list.ItemAt(1), &b);
	EXPECT_EQ(list.ItemAt(2), &c);
	EXPECT_EQ(list.ItemAt(3), nullptr);
	EXPECT_EQ(list.ItemAt(-1), nullptr);
	EXPECT_EQ(list.LastItem(), &c);
	EXPECT_EQ(list.IndexOf(&d), -1);

	EXPECT_TRUE(list.MoveItem(0, 2));
	EXPECT_EQ(list.ItemAt(0), &b);
	EXPECT_EQ(list.ItemAt(2), &a);
	EXPECT_TRUE(list.SwapItems(0, 2));
	EXPECT_EQ(list.ItemAt(0), &a);
	EXPECT_FALSE(list.SwapItems(0, 3));

	// Adding a list to itself doubles it.
	EXPECT_TRUE(list.AddList(&list, 1));
	EXPECT_EQ(list.CountItems(), 6);
	EXPECT_EQ(list.ItemAt(1), &a);
	EXPECT_EQ(list.ItemAt(4), &c);

	BList copy(list);
	EXPECT_TRUE(copy == list);
	EXPECT_TRUE(list.RemoveItems(1, 100));
	EXPECT_EQ(list.CountItems(), 1);
	EXPECT_EQ(list.RemoveItem((int32) 5), nullptr);
	EXPECT_TRUE(list.RemoveItem(&a));
	EXPECT_FALSE(list.RemoveItem(&a));
	EXPECT_TRUE(list.IsEmpty());
	EXPECT_EQ(copy.CountItems(), 6);

	for (int i = 0; i < 1000; i++)
		list.AddItem(&d);
	EXPECT_EQ(list.CountItems(), 1000);
	list.MakeEmpty();
	EXPECT_EQ(list.FirstItem(), nullptr);
}
