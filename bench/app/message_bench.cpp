#include <Message.h>

#include <string>
#include <vector>

#include <Entry.h>
#include <benchmark/benchmark.h>

namespace {

// The fields a mouse or key message carries on its way to a view.
BMessage input_event()
{
	BMessage message('_MMV');
	message.AddInt64("when", 1234567);
	message.AddPoint("where", BPoint(100, 200));
	message.AddPoint("be:view_where", BPoint(10, 20));
	message.AddInt32("buttons", 1);
	message.AddInt32("modifiers", 0);
	message.AddInt32("clicks", 1);
	message.AddInt32("be:transit", 1);
	message.AddFloat("be:wheel_delta_x", 0);
	message.AddFloat("be:wheel_delta_y", 0);
	message.AddString("bytes", "a");
	message.AddInt32("key", 38);
	message.AddInt32("raw_char", 'a');
	return message;
}

// A replicant-like archive of about 2 KB: view, dragger, pop-up menu, items.
BMessage archive()
{
	BMessage items[6];
	for (int i = 0; i < 6; i++) {
		items[i].what = 'ITEM';
		items[i].AddString("class", "BMenuItem");
		items[i].AddString("_label", ("Menu item number " + std::to_string(i)).c_str());
		BMessage invoke('Mabc');
		invoke.AddInt32("index", i);
		items[i].AddMessage("_msg", &invoke);
		items[i].AddBool("_marked", i == 2);
	}
	BMessage submenu('MENU');
	submenu.AddString("class", "BMenu");
	for (int i = 3; i < 6; i++)
		submenu.AddMessage("_items", &items[i]);
	BMessage popup('MENU');
	popup.AddString("class", "BPopUpMenu");
	for (int i = 0; i < 3; i++)
		popup.AddMessage("_items", &items[i]);
	popup.AddMessage("_submenu", &submenu);
	BMessage dragger('ARCV');
	dragger.AddString("class", "BDragger");
	dragger.AddString("_name", "_dragger_");
	dragger.AddRect("_frame", BRect(632, 472, 639, 479));
	dragger.AddInt32("_rel", 1);
	dragger.AddMessage("_popup", &popup);
	BMessage view('ARCV');
	view.AddString("class", "ImageView");
	view.AddString("add_on", "application/x-vnd.Example-Viewer");
	view.AddString("_name", "image view");
	view.AddRect("_frame", BRect(0, 0, 639, 479));
	view.AddInt32("_resize_mode", 0x1234);
	view.AddInt32("_flags", 0x2000000);
	view.AddMessage("_views", &dragger);
	view.AddFloat("magnification", 1.5f);
	view.AddPoint("offset", BPoint(12, 34));
	entry_ref ref(2049, 123456, "picture.jpg");
	view.AddRef("ref", &ref);
	view.AddString("about", "An example viewer, version 1.0, with a fairly long about text.");
	return view;
}

// What the event thread and a view do per input event: build the message,
// then read a few fields back.
void BM_BuildAndReadEvent(benchmark::State& state)
{
	for (auto _ : state) {
		BMessage message = input_event();
		int32 buttons;
		int32 modifiers;
		BPoint where;
		message.FindInt32("buttons", &buttons);
		message.FindInt32("modifiers", &modifiers);
		message.FindPoint("be:view_where", &where);
		benchmark::DoNotOptimize(buttons + modifiers + where.x);
	}
}
BENCHMARK(BM_BuildAndReadEvent);

// One AddInt32 and one FindInt32 on a message that already has 12 fields.
void BM_AddFindInt32(benchmark::State& state)
{
	BMessage message = input_event();
	int32 i = 0;
	for (auto _ : state) {
		if ((++i & 1023) == 0) {
			state.PauseTiming();
			message.RemoveName("be:delta");
			state.ResumeTiming();
		}
		message.AddInt32("be:delta", i);
		int32 delta;
		message.FindInt32("be:delta", &delta);
		benchmark::DoNotOptimize(delta);
	}
}
BENCHMARK(BM_AddFindInt32);

void BM_FindInt32(benchmark::State& state)
{
	BMessage message = input_event();
	for (auto _ : state) {
		int32 value;
		message.FindInt32("modifiers", &value);
		benchmark::DoNotOptimize(value);
	}
}
BENCHMARK(BM_FindInt32);

void BM_FlattenArchive(benchmark::State& state)
{
	BMessage message = archive();
	std::vector<char> buffer(message.FlattenedSize());
	state.counters["bytes"] = buffer.size();
	for (auto _ : state) {
		message.Flatten(buffer.data(), buffer.size());
		benchmark::DoNotOptimize(buffer.data());
	}
}
BENCHMARK(BM_FlattenArchive);

void BM_UnflattenArchive(benchmark::State& state)
{
	BMessage message = archive();
	std::vector<char> buffer(message.FlattenedSize());
	message.Flatten(buffer.data(), buffer.size());
	for (auto _ : state) {
		BMessage copy;
		copy.Unflatten(buffer.data());
		benchmark::DoNotOptimize(copy.what);
	}
}
BENCHMARK(BM_UnflattenArchive);

} // namespace

BENCHMARK_MAIN();
