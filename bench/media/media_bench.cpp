// Decoding a 1080p H.264 clip: BMediaTrack::ReadFrames (decode plus the
// conversion to B_RGB32 straight into the caller's rows) against FFmpeg
// decoding alone (avcodec_receive_frame, no conversion) of the same clip.
// The clip is made with the ffmpeg CLI in /tmp when missing. Wall-clock
// time: decoding runs on FFmpeg's own threads.

#include <MediaFile.h>
#include <MediaTrack.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "storage/EntryRefPath.h"

namespace {

const char* kClip = "/tmp/pl-media-bench-1080p.mp4";
const int kWidth = 1920;
const int kHeight = 1080;

bool ensure_clip()
{
	struct stat st;
	if (stat(kClip, &st) == 0 && st.st_size > 0)
		return true;
	std::string command =
	    std::string("ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi ") +
	    "-i testsrc2=s=1920x1080:r=30:d=4 -c:v libx264 -preset veryfast -crf 23 " +
	    "-pix_fmt yuv420p " + kClip;
	return system(command.c_str()) == 0;
}

void BM_MediaTrackReadFrames(benchmark::State& state)
{
	if (!ensure_clip()) {
		state.SkipWithError("cannot make the clip with ffmpeg");
		return;
	}
	entry_ref ref;
	BPrivate::ref_for_path(kClip, &ref);
	BMediaFile file(&ref);
	if (file.InitCheck() != B_OK) {
		state.SkipWithError("cannot open the clip");
		return;
	}
	BMediaTrack* track = file.TrackAt(0);
	media_format format;
	format.u.raw_video.display.format = B_RGB32;
	// Padded rows, as a bitmap may have them.
	format.u.raw_video.display.bytes_per_row = kWidth * 4 + 64;
	if (track == NULL || track->DecodedFormat(&format) != B_OK) {
		state.SkipWithError("no decoded format");
		return;
	}
	std::vector<uint8> bits(size_t(format.u.raw_video.display.bytes_per_row) * kHeight);
	for (auto _ : state) {
		int64 count;
		if (track->ReadFrames(bits.data(), &count) != B_OK) {
			state.PauseTiming();
			int64 frame = 0;
			track->SeekToFrame(&frame);
			state.ResumeTiming();
			track->ReadFrames(bits.data(), &count);
		}
		benchmark::DoNotOptimize(bits.data());
	}
	state.SetItemsProcessed(state.iterations());
}

// The same clip decoded by libavcodec alone, with the same threading.
void BM_FFmpegDecodeOnly(benchmark::State& state)
{
	if (!ensure_clip()) {
		state.SkipWithError("cannot make the clip with ffmpeg");
		return;
	}
	AVFormatContext* context = NULL;
	if (avformat_open_input(&context, kClip, NULL, NULL) < 0 ||
	    avformat_find_stream_info(context, NULL) < 0) {
		state.SkipWithError("cannot open the clip");
		return;
	}
	int stream = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, NULL, 0);
	const AVCodec* codec = avcodec_find_decoder(context->streams[stream]->codecpar->codec_id);
	AVCodecContext* decoder = avcodec_alloc_context3(codec);
	avcodec_parameters_to_context(decoder, context->streams[stream]->codecpar);
	decoder->thread_count = 0;
	decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
	avcodec_open2(decoder, codec, NULL);
	AVPacket* packet = av_packet_alloc();
	AVFrame* frame = av_frame_alloc();

	auto next_frame = [&]() -> bool {
		while (true) {
			int error = avcodec_receive_frame(decoder, frame);
			if (error == 0)
				return true;
			if (error != AVERROR(EAGAIN))
				return false;
			if (av_read_frame(context, packet) < 0) {
				avcodec_send_packet(decoder, NULL);
				continue;
			}
			if (packet->stream_index == stream)
				avcodec_send_packet(decoder, packet);
			av_packet_unref(packet);
		}
	};
	for (auto _ : state) {
		if (!next_frame()) {
			state.PauseTiming();
			av_seek_frame(context, stream, 0, AVSEEK_FLAG_BACKWARD);
			avcodec_flush_buffers(decoder);
			state.ResumeTiming();
			next_frame();
		}
		benchmark::DoNotOptimize(frame->data[0]);
		av_frame_unref(frame);
	}
	state.SetItemsProcessed(state.iterations());
	av_frame_free(&frame);
	av_packet_free(&packet);
	avcodec_free_context(&decoder);
	avformat_close_input(&context);
}

} // namespace

BENCHMARK(BM_FFmpegDecodeOnly)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_MediaTrackReadFrames)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

BENCHMARK_MAIN();
