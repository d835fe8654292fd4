// What playing a 1080p H.264 clip costs the processor: a video view in an
// offscreen window, its own playback thread paced by the clip's time stamps,
// measured as the process's processor time over a fixed stretch of wall time
// and divided by the seconds of video shown in it; against FFmpeg decoding
// the same clip and converting it to BGRA (B_RGB32) with libswscale, with
// the same decoder threading, in the same run. Counters: processor seconds
// per second of video for both, and their ratio.
//
// The clip (1920 x 1080, 30 fps, 4 s) is made with the ffmpeg CLI in a
// temporary folder that is removed afterwards.

#include <Application.h>
#include <Entry.h>
#include <OS.h>
#include <Window.h>

#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "content/PLVideoView.h"
#include "display/offscreen/OffscreenControl.h"

namespace {

const int kWidth = 1920;
const int kHeight = 1080;
const int kFramesPerSecond = 30;
const int kClipSeconds = 4;

// Playback runs this long before measuring (the decoder's threads start,
// the first frames come), then is measured for this long.
const bigtime_t kWarmUp = 1000000;
const bigtime_t kMeasured = 5000000;

double process_seconds()
{
	timespec now;
	clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
	return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The clip in a folder of its own, for the life of the process.
class Clip {
public:
	Clip()
	{
		char folder[] = "/tmp/pl-playback-bench-XXXXXX";
		if (mkdtemp(folder) == NULL)
			return;
		fFolder = folder;
		std::string path = fFolder + "/clip-1080p.mp4";
		std::string command = "ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i "
		                      "testsrc2=s=" +
		                      std::to_string(kWidth) + "x" + std::to_string(kHeight) +
		                      ":r=" + std::to_string(kFramesPerSecond) +
		                      ":d=" + std::to_string(kClipSeconds) +
		                      " -c:v libx264 -preset veryfast -crf 23 -pix_fmt yuv420p " + path;
		if (system(command.c_str()) == 0)
			fPath = path;
	}

	~Clip()
	{
		if (!fPath.empty())
			unlink(fPath.c_str());
		if (!fFolder.empty())
			rmdir(fFolder.c_str());
	}

	// Empty when the clip could not be made.
	const std::string& Path() const { return fPath; }

private:
	std::string fFolder;
	std::string fPath;
};

const Clip& clip()
{
	static Clip sClip;
	return sClip;
}

// A video view that counts the frames its playback thread draws: each
// drawing of a frame begins with the strip at the view's top.
class CountingVideoView : public PLVideoView {
public:
	CountingVideoView(const entry_ref& ref) : PLVideoView(ref) {}

	virtual void Draw(BRect updateRect)
	{
		if (updateRect.top == Bounds().top)
			fFrames++;
		PLVideoView::Draw(updateRect);
	}

	// With the window locked.
	int64 Frames() const { return fFrames; }

private:
	int64 fFrames = 0;
};

struct Measure {
	double processorSeconds = 0;
	double videoSeconds = 0;
};

// Decodes the whole clip |passes| times with libavcodec and converts every
// frame to BGRA into one buffer, as the view's frames are; what it costs
// after the decoder is open.
bool measure_ffmpeg(const std::string& path, int passes, Measure* measure)
{
	AVFormatContext* context = NULL;
	if (avformat_open_input(&context, path.c_str(), NULL, NULL) < 0)
		return false;
	bool ok = false;
	AVCodecContext* decoder = NULL;
	AVPacket* packet = av_packet_alloc();
	AVFrame* frame = av_frame_alloc();
	SwsContext* converter = NULL;
	std::vector<uint8_t> bgra(size_t(kWidth) * 4 * kHeight);
	int stream = -1;
	const AVCodec* codec = NULL;
	if (avformat_find_stream_info(context, NULL) >= 0)
		stream = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
	if (stream >= 0 && codec != NULL && packet != NULL && frame != NULL)
		decoder = avcodec_alloc_context3(codec);
	if (decoder != NULL &&
	    avcodec_parameters_to_context(decoder, context->streams[stream]->codecpar) >= 0) {
		decoder->thread_count = 0;
		decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
		ok = avcodec_open2(decoder, codec, NULL) >= 0;
	}

	int64_t frames = 0;
	double start = process_seconds();
	for (int pass = 0; ok && pass < passes; pass++) {
		if (pass > 0) {
			av_seek_frame(context, stream, 0, AVSEEK_FLAG_BACKWARD);
			avcodec_flush_buffers(decoder);
		}
		for (;;) {
			int error = avcodec_receive_frame(decoder, frame);
			if (error == AVERROR(EAGAIN)) {
				if (av_read_frame(context, packet) < 0) {
					avcodec_send_packet(decoder, NULL);
				} else {
					if (packet->stream_index == stream)
						avcodec_send_packet(decoder, packet);
					av_packet_unref(packet);
				}
				continue;
			}
			if (error < 0)
				break;
			if (converter == NULL) {
				converter = sws_getContext(frame->width, frame->height,
				                           (AVPixelFormat) frame->format, kWidth, kHeight,
				                           AV_PIX_FMT_BGRA, SWS_BILINEAR, NULL, NULL, NULL);
				if (converter == NULL) {
					ok = false;
					break;
				}
				sws_setColorspaceDetails(converter, sws_getCoefficients(frame->colorspace),
				                         frame->color_range == AVCOL_RANGE_JPEG,
				                         sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16,
				                         1 << 16);
			}
			uint8_t* planes[4] = {bgra.data(), NULL, NULL, NULL};
			int strides[4] = {kWidth * 4, 0, 0, 0};
			sws_scale(converter, frame->data, frame->linesize, 0, frame->height, planes, strides);
			benchmark::DoNotOptimize(bgra.data());
			av_frame_unref(frame);
			frames++;
		}
	}
	measure->processorSeconds += process_seconds() - start;
	measure->videoSeconds += double(frames) / kFramesPerSecond;

	sws_freeContext(converter);
	av_frame_free(&frame);
	av_packet_free(&packet);
	avcodec_free_context(&decoder);
	avformat_close_input(&context);
	return ok && frames > 0;
}

// Plays the clip in a window of its own and measures a stretch of it; the
// window is gone again when this returns.
bool measure_view(const std::string& path, Measure* measure)
{
	entry_ref ref;
	if (get_ref_for_path(path.c_str(), &ref) != B_OK)
		return false;
	CountingVideoView* view = new CountingVideoView(ref);
	if (view->InitCheck() != B_OK) {
		delete view;
		return false;
	}
	BWindow* window =
	    new BWindow(view->Bounds().OffsetToCopy(0, 0), "playback", B_TITLED_WINDOW, 0);
	window->AddChild(view);
	window->Show();
	snooze(kWarmUp);

	window->Lock();
	int64 firstFrames = view->Frames();
	window->Unlock();
	double start = process_seconds();
	snooze(kMeasured);
	double end = process_seconds();
	window->Lock();
	int64 frames = view->Frames() - firstFrames;
	window->Quit();

	measure->processorSeconds += end - start;
	measure->videoSeconds += double(frames) / kFramesPerSecond;
	return frames > 0;
}

void BM_PlaybackProcessorTime(benchmark::State& state)
{
	if (clip().Path().empty()) {
		state.SkipWithError("cannot make the clip with the ffmpeg CLI");
		return;
	}
	Measure view;
	Measure ffmpeg;
	for (auto _ : state) {
		// One after the other, so that neither pays for the other's threads.
		if (!measure_ffmpeg(clip().Path(), 2, &ffmpeg)) {
			state.SkipWithError("FFmpeg cannot decode the clip");
			return;
		}
		if (!measure_view(clip().Path(), &view)) {
			state.SkipWithError("the video view plays nothing");
			return;
		}
	}
	double viewCost = view.processorSeconds / view.videoSeconds;
	double ffmpegCost = ffmpeg.processorSeconds / ffmpeg.videoSeconds;
	state.counters["view_cpu_s_per_video_s"] = viewCost;
	state.counters["ffmpeg_cpu_s_per_video_s"] = ffmpegCost;
	state.counters["view_to_ffmpeg"] = viewCost / ffmpegCost;
	// Below 1 when the view could not keep up with the clip's pace.
	state.counters["view_video_s_per_wall_s"] =
	    view.videoSeconds / (double(kMeasured) / 1e6 * double(state.iterations()));
}
BENCHMARK(BM_PlaybackProcessorTime)->Iterations(2)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
	// Room for a whole 1080p frame on the offscreen display.
	BPrivate::OffscreenControl::Get()->SetScreenSize(2560, 1440);
	new BApplication("application/x-vnd.bench-playback");
	benchmark::Initialize(&argc, argv);
	if (benchmark::ReportUnrecognizedArguments(argc, argv))
		return 1;
	benchmark::RunSpecifiedBenchmarks();
	benchmark::Shutdown();
	return 0;
}
