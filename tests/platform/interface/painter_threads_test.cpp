// Window threads draw at the same time: the glyph and pyramid caches they
// share must give every thread the same pixels as a lone thread gets.
#include <Bitmap.h>
#include <Font.h>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "interface/BitmapCache.h"
#include "interface/Painter.h"

using BPrivate::Painter;

namespace {

std::vector<uint32> render_text(float size)
{
	std::vector<uint32> pixels(200 * 50, 0xffffffff);
	Painter painter;
	painter.Attach(pixels.data(), 200, 50, 800);
	BFont font(be_plain_font);
	font.SetSize(size);
	painter.DrawString("Quick \xc3\xa9t\xc3\xa9 fox", 14, BPoint(2, 35), font, {0, 0, 0, 255});
	return pixels;
}

std::vector<uint32> render_reduced(const BBitmap* bitmap)
{
	std::vector<uint32> pixels(50 * 50, 0xffffffff);
	Painter painter;
	painter.Attach(pixels.data(), 50, 50, 200);
	painter.DrawBitmap(bitmap, bitmap->Bounds(), BRect(0, 0, 49, 49));
	return pixels;
}

} // namespace

TEST(PainterThreads, TextFromManyThreadsMatchesOneThread)
{
	std::vector<std::vector<uint32>> expected;
	for (int i = 0; i < 4; i++)
		expected.push_back(render_text(10 + 3 * i));
	std::atomic<int> mismatches{0};
	std::vector<std::thread> threads;
	for (int t = 0; t < 4; t++) {
		threads.emplace_back([&, t] {
			for (int round = 0; round < 20; round++) {
				int which = (t + round) % 4;
				if (render_text(10 + 3 * which) != expected[which])
					mismatches++;
			}
		});
	}
	for (auto& thread : threads)
		thread.join();
	EXPECT_EQ(mismatches, 0);
}

TEST(PainterThreads, PyramidSharedAndInvalidatedWhileDrawing)
{
	BBitmap bitmap(BRect(0, 0, 399, 399), B_RGB32);
	uint32* bits = static_cast<uint32*>(bitmap.Bits());
	for (int32 i = 0; i < 400 * 400; i++)
		bits[i] = 0x00336699;
	std::vector<uint32> expected = render_reduced(&bitmap);
	EXPECT_EQ(expected[25 * 50 + 25] & 0xffffff, 0x336699u);

	std::atomic<bool> stop{false};
	std::atomic<int> mismatches{0};
	std::vector<std::thread> threads;
	for (int t = 0; t < 3; t++) {
		threads.emplace_back([&] {
			for (int round = 0; round < 30; round++)
				if (render_reduced(&bitmap) != expected)
					mismatches++;
		});
	}
	// The pixels do not change, so forgetting the levels only costs rebuilds.
	std::thread forgetter([&] {
		while (!stop)
			BPrivate::bitmap_bits_changed(&bitmap);
	});
	for (auto& thread : threads)
		thread.join();
	stop = true;
	forgetter.join();
	EXPECT_EQ(mismatches, 0);
}
