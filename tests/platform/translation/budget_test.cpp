// Decompression bombs: a small file whose picture claims the largest size a
// bitmap may have is decoded within the bitmap plus the decoding budget, or
// refused, and quickly. Each case runs in a child process of its own, whose
// peak resident size is its cost.

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <Bitmap.h>
#include <TranslationUtils.h>

#include <gtest/gtest.h>

namespace {

const int64 kBudget = int64(64) << 20;
// Libraries' own first use (loaders, caches) besides the picture.
const int64 kSlack = int64(48) << 20;

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's shadow of every touched byte counts too.
const bool kMeasured = false;
#else
const bool kMeasured = true;
#endif

int64 peak_resident_bytes()
{
	rusage usage;
	getrusage(RUSAGE_SELF, &usage);
	return int64(usage.ru_maxrss) * 1024;
}

struct Outcome {
	bool ended = false;     // within the deadline
	bool decoded = false;   // a bitmap came out
	bool withinBudget = false;
	int64 growth = 0;       // peak resident growth while decoding, bytes
	int64 bitmapBytes = 0;
};

// Decodes |path| in a child; what it cost.
Outcome decode_in_child(const std::string& path)
{
	int pipes[2];
	EXPECT_EQ(pipe(pipes), 0);
	pid_t child = fork();
	if (child == 0) {
		close(pipes[0]);
		int64 before = peak_resident_bytes();
		BBitmap* bitmap = BTranslationUtils::GetBitmap(path.c_str());
		int64 report[3] = {bitmap != NULL ? 1 : 0, peak_resident_bytes() - before,
		                   bitmap != NULL ? int64(bitmap->BitsLength()) : 0};
		ssize_t written = write(pipes[1], report, sizeof(report));
		_exit(written == sizeof(report) ? 0 : 1);
	}
	close(pipes[1]);
	Outcome outcome;
	// A generous bound: a hang, not a slow machine, fails here.
	for (int i = 0; i < 6000; i++) {
		int status;
		if (waitpid(child, &status, WNOHANG) == child) {
			int64 report[3] = {0, 0, 0};
			outcome.ended = read(pipes[0], report, sizeof(report)) == sizeof(report) &&
			                WIFEXITED(status) && WEXITSTATUS(status) == 0;
			outcome.decoded = report[0] != 0;
			outcome.growth = report[1];
			outcome.bitmapBytes = report[2];
			outcome.withinBudget = outcome.growth <= outcome.bitmapBytes + kBudget + kSlack;
			break;
		}
		usleep(10000);
	}
	if (!outcome.ended) {
		kill(child, SIGKILL);
		waitpid(child, NULL, 0);
	}
	close(pipes[0]);
	return outcome;
}

class DecodingBudget : public testing::Test {
protected:
	void SetUp() override
	{
		char pattern[] = "/tmp/pl-budget-XXXXXX";
		ASSERT_NE(mkdtemp(pattern), nullptr);
		fDir = pattern;
	}
	void TearDown() override
	{
		std::error_code ignored;
		std::filesystem::remove_all(fDir, ignored);
	}
	std::string Path(const char* name) const { return fDir + "/" + name; }

	void Write(const std::string& path, const std::string& bytes)
	{
		std::ofstream out(path, std::ios::binary);
		out << bytes;
		ASSERT_TRUE(out.good());
	}

	void Expect(const Outcome& outcome)
	{
		EXPECT_TRUE(outcome.ended);
		if (kMeasured) {
			EXPECT_TRUE(outcome.withinBudget)
			    << (outcome.growth >> 20) << " MiB for a bitmap of "
			    << (outcome.bitmapBytes >> 20) << " MiB";
		}
	}

	// Three frames of 200 x 150 (ffmpeg's test picture), their canvas then
	// claimed to be |width| x |height| (the VP8X chunk's 24-bit sizes less
	// one, at bytes 24 and 27).
	void WriteAnimation(const std::string& path, uint32 width, uint32 height)
	{
		ASSERT_EQ(system(("ffmpeg -v error -y -f lavfi -i testsrc=size=200x150:rate=10 "
		                  "-frames:v 3 -c:v libwebp_anim -loop 0 " +
		                  path)
		                     .c_str()),
		          0);
		std::ifstream in(path, std::ios::binary);
		std::string bytes((std::istreambuf_iterator<char>(in)), {});
		ASSERT_GT(bytes.size(), 30u);
		ASSERT_EQ(bytes.substr(12, 4), "VP8X");
		uint32 sizes[2] = {width - 1, height - 1};
		for (int i = 0; i < 2; i++) {
			for (int b = 0; b < 3; b++)
				bytes[24 + i * 3 + b] = char((sizes[i] >> (8 * b)) & 0xff);
		}
		Write(path, bytes);
	}

	std::string fDir;
};

TEST_F(DecodingBudget, AnimationGivesItsFirstFrameOnATransparentCanvas)
{
	std::string path = Path("canvas.webp");
	WriteAnimation(path, 400, 300);
	BBitmap* bitmap = BTranslationUtils::GetBitmap(path.c_str());
	ASSERT_NE(bitmap, nullptr);
	EXPECT_EQ(bitmap->Bounds(), BRect(0, 0, 399, 299));
	EXPECT_EQ(bitmap->ColorSpace(), B_RGBA32);
	const uint8* bits = static_cast<const uint8*>(bitmap->Bits());
	// The frame at the top left is opaque; the canvas beyond it is clear.
	EXPECT_EQ(bits[10 * bitmap->BytesPerRow() + 10 * 4 + 3], 255);
	EXPECT_EQ(bits[290 * bitmap->BytesPerRow() + 390 * 4 + 3], 0);
	delete bitmap;
}

TEST_F(DecodingBudget, AnimationOnAHugeCanvasGivesItsFirstFrameOnly)
{
	std::string path = Path("canvas.webp");
	WriteAnimation(path, 16384, 16384);

	Outcome outcome = decode_in_child(path);
	Expect(outcome);
	EXPECT_TRUE(outcome.decoded);
	EXPECT_EQ(outcome.bitmapBytes, int64(16384) * 16384 * 4);
}

TEST_F(DecodingBudget, HugeVectorPictureIsRenderedWithinTheBudget)
{
	std::string path = Path("huge.svg");
	Write(path, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16384\" height=\"16384\">"
	            "<rect width=\"16384\" height=\"16384\" fill=\"red\"/></svg>");
	Outcome outcome = decode_in_child(path);
	Expect(outcome);
	EXPECT_TRUE(outcome.decoded);
	// Smaller than claimed, no larger than the budget.
	EXPECT_GT(outcome.bitmapBytes, 0);
	EXPECT_LE(outcome.bitmapBytes, kBudget);
}

TEST_F(DecodingBudget, HugeRasterPictureOfALenientLoaderIsRefused)
{
	// A GIF whose screen and only image are 16384 x 16384, in 40 bytes: two
	// colours and an image of nothing but the LZW clear and end codes.
	std::string path = Path("huge.gif");
	const unsigned char gif[] = {'G', 'I', 'F', '8', '9', 'a', 0x00, 0x40, 0x00, 0x40, 0x80, 0, 0,
	                             0xff, 0, 0, 0, 0, 0xff, 0x2c, 0, 0, 0, 0, 0x00, 0x40, 0x00,
	                             0x40, 0x00, 0x02, 0x02, 0x4c, 0x01, 0x00, 0x3b};
	Write(path, std::string(reinterpret_cast<const char*>(gif), sizeof(gif)));
	Outcome outcome = decode_in_child(path);
	Expect(outcome);
	EXPECT_FALSE(outcome.decoded);
}

// libjxl keeps the frame in float planes, 18 bytes a pixel, and 61 with
// alpha: JPEG XL has a budget of its own, 1 GiB, within which a picture is
// decoded, and beyond which it is refused however small its file.
TEST_F(DecodingBudget, JpegXlWithinItsBudgetIsDecodedAndBeyondRefused)
{
	const int64 kJxlBudget = int64(1) << 30;
	const struct {
		const char* size;
		const char* color;
		bool decoded;
	} cases[] = {
	    {"1700x1700", "orange", true},
	    // 9 MP: a photo, beyond what the other decoders may hold.
	    {"3000x3000", "orange", true},
	    // 20 MP with alpha: 1.2 GiB.
	    {"4500x4500", "rgba(255,128,0,0.5)", false},
	};
	for (const auto& each : cases) {
		SCOPED_TRACE(each.size);
		std::string png = Path("flat.png");
		std::string jxl = Path("flat.jxl");
		ASSERT_EQ(system(("convert -size " + std::string(each.size) + " 'xc:" + each.color +
		                  "' " + png + " && cjxl -d 0 -e 1 " + png + " " + jxl +
		                  " >/dev/null 2>&1")
		                     .c_str()),
		          0);
		Outcome outcome = decode_in_child(jxl);
		ASSERT_TRUE(outcome.ended);
		EXPECT_EQ(outcome.decoded, each.decoded);
		if (kMeasured) {
			EXPECT_LE(outcome.growth, outcome.bitmapBytes + kJxlBudget);
		}
	}
}

} // namespace
