#include <gtest/gtest.h>

#include <string.h>

#include <Looper.h>
#include <Menu.h>
#include <MenuItem.h>
#include <PopUpMenu.h>
#include <Message.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "ThreadTestUtils.h"
#include "interface/MenuPrivate.h"
#include "platform/interface/MessageInbox.h"
#include "support/ClassRegistry.h"

namespace {

// A menu class of the application's own, found again by its class name.
class ChoiceMenu : public BMenu {
public:
	ChoiceMenu(const char* name) : BMenu(name) { SetRadioMode(true); }
	ChoiceMenu(BMessage* archive) : BMenu(archive) {}

	static BArchivable* Instantiate(BMessage* archive)
	{
		if (!validate_instantiation(archive, "ChoiceMenu"))
			return NULL;
		return new ChoiceMenu(archive);
	}

	status_t Archive(BMessage* archive, bool deep) const override
	{
		status_t status = BMenu::Archive(archive, deep);
		if (status == B_OK)
			status = archive->AddString("choice:extra", "kept");
		return status;
	}

	// Records the stages it was called with and asks for |wanted| more rounds.
	bool AddDynamicItem(add_state state) override
	{
		stages.push_back(state);
		if (state == B_ABORT)
			return false;
		return wanted-- > 0;
	}

	std::vector<int> stages;
	int wanted = 0;
};

BPrivate::InstantiationRegistrar sChoiceMenuRegistrar("ChoiceMenu", ChoiceMenu::Instantiate);

std::vector<std::string> labels(const BMenu* menu)
{
	std::vector<std::string> result;
	for (int32 i = 0; i < menu->CountItems(); i++)
		result.push_back(menu->ItemAt(i)->Label());
	return result;
}

} // namespace

TEST(Menu, AddsInsertsAndRemovesItemsByIndexAndPointer)
{
	BMenu menu("top");
	EXPECT_EQ(menu.Layout(), B_ITEMS_IN_COLUMN);
	EXPECT_EQ(B_ITEMS_IN_ROW, 0);
	EXPECT_EQ(B_ITEMS_IN_MATRIX, 2);

	auto* b = new BMenuItem("b", new BMessage('bbbb'));
	EXPECT_TRUE(menu.AddItem(b));
	EXPECT_TRUE(menu.AddItem(new BMenuItem("a", NULL), 0));
	EXPECT_TRUE(menu.AddSeparatorItem());
	auto* late = new BMenuItem("late", NULL);
	EXPECT_FALSE(menu.AddItem(late, 5));
	EXPECT_FALSE(menu.AddItem(late, -1));
	EXPECT_TRUE(menu.AddItem(late, 3));
	EXPECT_FALSE(menu.AddItem(late)) << "an item belongs to one menu";
	auto* sub = new BMenu("sub");
	EXPECT_TRUE(menu.AddItem(sub, 1));

	EXPECT_EQ(labels(&menu), (std::vector<std::string>{"a", "sub", "b", "", "late"}));
	EXPECT_EQ(menu.CountItems(), 5);
	EXPECT_EQ(menu.ItemAt(5), nullptr);
	EXPECT_EQ(menu.ItemAt(-1), nullptr);
	EXPECT_EQ(menu.IndexOf(b), 2);
	EXPECT_EQ(menu.IndexOf(sub), 1);
	EXPECT_EQ(menu.SubmenuAt(1), sub);
	EXPECT_EQ(sub->Superitem(), menu.ItemAt(1));
	EXPECT_EQ(sub->Supermenu(), &menu);
	EXPECT_EQ(b->Menu(), &menu);
	BMenuItem stranger("stranger", NULL);
	EXPECT_EQ(menu.IndexOf(&stranger), -1);
	EXPECT_EQ(menu.IndexOf(static_cast<BMenu*>(NULL)), -1);
	EXPECT_FALSE(menu.ItemAt(3)->IsEnabled()) << "separators are never enabled";

	// By index: handed back undeleted and free.
	BMenuItem* removed = menu.RemoveItem(int32(2));
	ASSERT_EQ(removed, b);
	EXPECT_EQ(b->Menu(), nullptr);
	EXPECT_EQ(b->Message()->what, (uint32) 'bbbb');
	EXPECT_EQ(menu.RemoveItem(int32(9)), nullptr);
	delete b;

	EXPECT_TRUE(menu.RemoveItem(late));
	EXPECT_FALSE(menu.RemoveItem(late));
	delete late;

	// By submenu: the controlling item goes, the submenu is the caller's.
	EXPECT_TRUE(menu.RemoveItem(sub));
	EXPECT_EQ(sub->Superitem(), nullptr);
	EXPECT_EQ(labels(&menu), (std::vector<std::string>{"a", ""}));
	delete sub;

	// An item deleted while in its menu leaves it.
	delete menu.ItemAt(0);
	EXPECT_EQ(menu.CountItems(), 1);
}

TEST(Menu, RadioModeKeepsOneMarkAndLabelFromMarkedRenamesTheController)
{
	BMenu menu("plain");
	EXPECT_FALSE(menu.IsRadioMode());
	auto* one = new BMenuItem("one", NULL);
	auto* two = new BMenuItem("two", NULL);
	auto* three = new BMenuItem("three", NULL);
	menu.AddItem(one);
	menu.AddItem(two);
	menu.AddItem(three);
	EXPECT_EQ(menu.FindMarked(), nullptr);
	EXPECT_EQ(menu.FindMarkedIndex(), -1);

	three->SetMarked(true);
	two->SetMarked(true);
	EXPECT_TRUE(three->IsMarked()) << "outside radio mode marks pile up";
	EXPECT_EQ(menu.FindMarked(), two) << "the lowest index wins";

	menu.SetRadioMode(true);
	EXPECT_TRUE(two->IsMarked() && three->IsMarked()) << "switching the mode changes no marks";
	one->SetMarked(true);
	EXPECT_TRUE(one->IsMarked());
	EXPECT_FALSE(two->IsMarked());
	EXPECT_FALSE(three->IsMarked());
	one->SetMarked(false);
	EXPECT_EQ(menu.FindMarked(), nullptr);

	// Choosing an item of a radio menu marks it.
	three->SetMarked(true);
	EXPECT_EQ(two->Invoke(), B_BAD_VALUE) << "no message, but the choice still counts";
	EXPECT_EQ(menu.FindMarked(), two);
	EXPECT_FALSE(three->IsMarked());

	BMenu top("top");
	auto* sizes = new BMenu("Size");
	sizes->SetLabelFromMarked(true);
	EXPECT_TRUE(sizes->IsRadioMode());
	sizes->AddItem(new BMenuItem("Small", NULL));
	sizes->AddItem(new BMenuItem("Large", NULL));
	top.AddItem(sizes);
	sizes->ItemAt(1)->SetMarked(true);
	EXPECT_STREQ(top.ItemAt(0)->Label(), "Large");
}

TEST(Menu, FindItemSearchesEachSubmenuBeforeTheItemsAfterIt)
{
	BMenu menu("top");
	menu.AddItem(new BMenuItem("first", new BMessage('frst')));
	auto* sub = new BMenu("sub");
	auto* deep = new BMenu("deep");
	auto* deepTwin = new BMenuItem("twin", new BMessage('twin'));
	deep->AddItem(deepTwin);
	sub->AddItem(deep);
	sub->AddItem(new BMenuItem("only in sub", new BMessage('subb')));
	menu.AddItem(sub);
	menu.AddItem(new BMenuItem("twin", new BMessage('twin')));
	menu.AddSeparatorItem();

	EXPECT_EQ(menu.FindItem("twin"), deepTwin);
	EXPECT_EQ(menu.FindItem('twin'), deepTwin);
	EXPECT_STREQ(menu.FindItem('subb')->Label(), "only in sub");
	EXPECT_EQ(menu.FindItem("deep"), sub->ItemAt(0)) << "controlling items are found by label";
	EXPECT_EQ(menu.FindItem("absent"), nullptr);
	EXPECT_EQ(menu.FindItem('none'), nullptr);
	EXPECT_EQ(menu.FindItem(static_cast<const char*>(NULL)), nullptr);
	EXPECT_EQ(menu.FindItem(""), nullptr) << "a separator has no label to find";
	EXPECT_EQ(deep->FindItem("first"), nullptr) << "the search never climbs";
}

TEST(Menu, InvokeSendsACopyWithWhenSourceAndIndex)
{
	Target target;
	BMenu menu("top");
	auto* sub = new BMenu("sub");
	auto* nested = new BMenuItem("nested", new BMessage('nest'));
	sub->AddItem(nested);
	menu.AddItem(sub);
	BMessage* windowMessage = new BMessage('Mawr');
	windowMessage->AddInt32("index", 7);
	auto* window = new BMenuItem("window", windowMessage);
	menu.AddItem(window);
	auto* plain = new BMenuItem("plain", new BMessage('plan'));
	menu.AddItem(plain);

	ASSERT_EQ(menu.SetTargetForItems(target.handler), B_OK);
	EXPECT_EQ(window->Target(), target.handler);
	EXPECT_EQ(nested->Target(), nullptr) << "submenus keep their own targets";
	EXPECT_FALSE(nested->Messenger().IsValid());

	bigtime_t before = system_time();
	ASSERT_EQ(plain->Invoke(), B_OK);
	ASSERT_EQ(window->Invoke(), B_OK);
	std::vector<BMessage> received = target.handler->WaitFor(2);
	ASSERT_EQ(received.size(), 2u);

	const BMessage* sent = &received[0];
	EXPECT_EQ(sent->what, (uint32) 'plan');
	EXPECT_EQ(sent->GetInt32("index", -99), 2);
	EXPECT_GE(sent->GetInt64("when", -1), before);
	void* source = NULL;
	EXPECT_EQ(sent->FindPointer("source", &source), B_OK);
	EXPECT_EQ(source, plain);
	EXPECT_FALSE(plain->Message()->HasInt32("index")) << "the item's own message is untouched";

	sent = &received[1];
	EXPECT_EQ(sent->GetInt32("index", 0, -99), 7) << "the message's own index stays first";
	EXPECT_EQ(sent->GetInt32("index", 1, -99), 1);

	// A disabled item, or one in a disabled menu, sends nothing.
	plain->SetEnabled(false);
	EXPECT_EQ(plain->Invoke(), B_ERROR);
	plain->SetEnabled(true);
	menu.SetEnabled(false);
	EXPECT_FALSE(plain->IsEnabled());
	EXPECT_FALSE(nested->IsEnabled());
	EXPECT_EQ(plain->Invoke(), B_ERROR);
	window->SetMessage(new BMessage('last'));
	menu.SetEnabled(true);
	ASSERT_EQ(window->Invoke(), B_OK);
	received = target.handler->WaitFor(3);
	ASSERT_EQ(received.size(), 3u);
	EXPECT_EQ(received[2].what, (uint32) 'last') << "nothing came from the disabled items";

	// A handler without a looper refuses to be a target.
	BHandler loose("loose");
	EXPECT_EQ(menu.SetTargetForItems(&loose), B_BAD_VALUE);
	EXPECT_EQ(menu.SetTargetForItems(BMessenger()), B_OK);
	EXPECT_EQ(window->Target(), nullptr);
}

TEST(Menu, ShortcutImpliesTheCommandKey)
{
	BMenuItem item("Copy", NULL, 'C', B_SHIFT_KEY);
	uint32 modifiers = 0;
	EXPECT_EQ(item.Shortcut(&modifiers), 'C');
	EXPECT_EQ(modifiers, uint32(B_SHIFT_KEY | B_COMMAND_KEY));
	BMenuItem none("None", NULL, 0, B_SHIFT_KEY);
	EXPECT_EQ(none.Shortcut(&modifiers), 0);
	EXPECT_EQ(modifiers, 0u);
}

TEST(Menu, ArchiveRestoresDerivedMenusItemsMessagesAndMarks)
{
	Target target;
	BMenu menu("top");
	menu.SetRadioMode(true);
	menu.AddItem(new BMenuItem("Lock", new BMessage('Mtlr'), 'L', B_OPTION_KEY));
	auto* choices = new ChoiceMenu("Workspaces");
	for (int32 i = -1; i < 3; i++) {
		BMessage* message = new BMessage('Mswr');
		message->AddInt32("workspace", i);
		choices->AddItem(new BMenuItem(i < 0 ? "All" : std::to_string(i + 1).c_str(), message));
	}
	choices->ItemAt(2)->SetMarked(true);
	menu.AddItem(choices);
	menu.AddSeparatorItem();
	auto* disabled = new BMenuItem("Disabled", NULL);
	disabled->SetEnabled(false);
	menu.AddItem(disabled);
	menu.ItemAt(0)->SetMarked(true);
	menu.SetTargetForItems(target.handler);
	choices->SetTargetForItems(target.handler);

	BMessage archive;
	ASSERT_EQ(menu.Archive(&archive), B_OK);
	EXPECT_STREQ(archive.GetString("class"), "BMenu");
	EXPECT_EQ(archive.GetInt32("_layout", -1), int32(B_ITEMS_IN_COLUMN));
	EXPECT_TRUE(archive.GetBool("_radio"));
	BMessage lockArchive;
	ASSERT_EQ(archive.FindMessage("_items", 0, &lockArchive), B_OK);
	EXPECT_STREQ(lockArchive.GetString("_label"), "Lock");
	EXPECT_TRUE(lockArchive.GetBool("_marked"));
	EXPECT_FALSE(lockArchive.HasBool("_disable"));
	EXPECT_EQ(lockArchive.GetInt32("_shortcut", -1), 'L');
	EXPECT_EQ(lockArchive.GetInt32("_mods", -1), int32(B_OPTION_KEY | B_COMMAND_KEY));
	BMessage message;
	EXPECT_EQ(lockArchive.FindMessage("_msg", &message), B_OK);
	EXPECT_EQ(message.what, (uint32) 'Mtlr');
	BMessage submenuItemArchive, submenuArchive;
	ASSERT_EQ(archive.FindMessage("_items", 1, &submenuItemArchive), B_OK);
	ASSERT_EQ(submenuItemArchive.FindMessage("_submenu", &submenuArchive), B_OK);
	EXPECT_STREQ(submenuArchive.GetString("class"), "ChoiceMenu");
	EXPECT_STREQ(submenuArchive.GetString("_name"), "Workspaces");

	BMessage shallow;
	ASSERT_EQ(menu.Archive(&shallow, false), B_OK);
	EXPECT_FALSE(shallow.HasMessage("_items"));

	BArchivable* object = instantiate_object(&archive);
	BMenu* copy = dynamic_cast<BMenu*>(object);
	ASSERT_NE(copy, nullptr);
	EXPECT_TRUE(copy->IsRadioMode());
	EXPECT_EQ(labels(copy), (std::vector<std::string>{"Lock", "Workspaces", "", "Disabled"}));
	EXPECT_NE(dynamic_cast<BSeparatorItem*>(copy->ItemAt(2)), nullptr);
	EXPECT_TRUE(copy->ItemAt(0)->IsMarked());
	EXPECT_EQ(copy->ItemAt(0)->Command(), (uint32) 'Mtlr');
	uint32 modifiers = 0;
	EXPECT_EQ(copy->ItemAt(0)->Shortcut(&modifiers), 'L');
	EXPECT_EQ(modifiers, uint32(B_OPTION_KEY | B_COMMAND_KEY));
	EXPECT_FALSE(copy->ItemAt(3)->IsEnabled());
	EXPECT_EQ(copy->ItemAt(0)->Target(), nullptr) << "targets are not archived";

	auto* restored = dynamic_cast<ChoiceMenu*>(copy->SubmenuAt(1));
	ASSERT_NE(restored, nullptr);
	EXPECT_TRUE(restored->IsRadioMode());
	EXPECT_EQ(restored->Superitem(), copy->ItemAt(1));
	EXPECT_EQ(restored->FindMarkedIndex(), 2);
	EXPECT_EQ(restored->ItemAt(2)->Message()->GetInt32("workspace", -99), 1);
	EXPECT_EQ(copy->FindItem("3"), restored->ItemAt(3));
	restored->ItemAt(0)->SetMarked(true);
	EXPECT_EQ(restored->FindMarkedIndex(), 0) << "radio mode works on the restored menu";
	delete copy;

	// An archive of another class is refused by name.
	EXPECT_EQ(ChoiceMenu::Instantiate(&archive), nullptr);
	BMessage junk;
	junk.AddString("class", "BMenu");
	junk.AddMessage("_items", &archive); // a menu where an item should be
	junk.AddInt32("_layout", 77);
	BMenu* odd = dynamic_cast<BMenu*>(instantiate_object(&junk));
	ASSERT_NE(odd, nullptr);
	EXPECT_EQ(odd->CountItems(), 0);
	EXPECT_EQ(odd->Layout(), B_ITEMS_IN_ROW);
	delete odd;
}

TEST(Menu, DynamicItemsAreAskedForUntilTheMenuIsSatisfiedOrAbandoned)
{
	ChoiceMenu menu("dynamic");
	EXPECT_TRUE(BPrivate::MenuAccess::AddDynamicItems(&menu, [] { return true; }));
	EXPECT_EQ(menu.stages, (std::vector<int>{0}));

	menu.stages.clear();
	menu.wanted = 3;
	EXPECT_TRUE(BPrivate::MenuAccess::AddDynamicItems(&menu, [] { return true; }));
	EXPECT_EQ(menu.stages, (std::vector<int>{0, 1, 1, 1}));

	menu.stages.clear();
	menu.wanted = 5;
	int rounds = 0;
	EXPECT_FALSE(BPrivate::MenuAccess::AddDynamicItems(&menu, [&] { return ++rounds < 2; }));
	EXPECT_EQ(menu.stages, (std::vector<int>{0, 1, 2}));
}

TEST(PopUpMenu, ModesFollowTheConstructorAndSurviveArchiving)
{
	BPopUpMenu plain(NULL, false, false);
	EXPECT_FALSE(plain.IsRadioMode());
	EXPECT_FALSE(plain.IsLabelFromMarked());

	BPopUpMenu field("field");
	EXPECT_TRUE(field.IsRadioMode()) << "a pop-up starts in radio mode";
	EXPECT_TRUE(field.IsLabelFromMarked());

	// Asking for the label from the marked item forces radio mode whatever
	// the radio flag says.
	BPopUpMenu forced("forced", false, true);
	EXPECT_TRUE(forced.IsRadioMode());

	plain.AddItem(new BMenuItem("About", new BMessage('_ABR')));
	plain.SetAsyncAutoDestruct(true);
	BMessage archive;
	ASSERT_EQ(plain.Archive(&archive), B_OK);
	EXPECT_STREQ(archive.GetString("class"), "BPopUpMenu");
	auto* copy = dynamic_cast<BPopUpMenu*>(instantiate_object(&archive));
	ASSERT_NE(copy, nullptr);
	EXPECT_FALSE(copy->IsRadioMode());
	EXPECT_TRUE(copy->AsyncAutoDestruct());
	ASSERT_EQ(copy->CountItems(), 1);
	EXPECT_STREQ(copy->ItemAt(0)->Label(), "About");
	delete copy;

	archive.ReplaceString("class", "BMenu");
	EXPECT_EQ(BPopUpMenu::Instantiate(&archive), nullptr) << "refused by class name";
}
