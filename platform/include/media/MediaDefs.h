#ifndef _MEDIA_DEFS_H
#define _MEDIA_DEFS_H

#include <GraphicsDefs.h>
#include <OS.h>
#include <SupportDefs.h>

// The part of the media kit's data types that reading a media file uses:
// formats (what a track holds, what ReadFrames delivers), buffer headers and
// the decode hints. A field of 0 in a format means "any" (a wildcard).

#define B_MEDIA_NAME_LENGTH 64

typedef int32 media_node_id;
typedef int32 media_buffer_id;
typedef int32 area_id;

enum media_type {
	B_MEDIA_NO_TYPE = -1,
	B_MEDIA_UNKNOWN_TYPE = 0,
	B_MEDIA_RAW_AUDIO = 1,
	B_MEDIA_RAW_VIDEO,
	B_MEDIA_VBL,
	B_MEDIA_TIMECODE,
	B_MEDIA_MIDI,
	B_MEDIA_TEXT,
	B_MEDIA_HTML,
	B_MEDIA_MULTISTREAM,
	B_MEDIA_PARAMETERS,
	B_MEDIA_ENCODED_AUDIO,
	B_MEDIA_ENCODED_VIDEO,
	B_MEDIA_PRIVATE = 90000,
	B_MEDIA_FIRST_USER_TYPE = 100000
};

// Which pixel comes first in a buffer and how each line is scanned.
enum video_orientation { B_VIDEO_TOP_LEFT_RIGHT = 1, B_VIDEO_BOTTOM_LEFT_RIGHT };

enum media_frame_flags { B_MEDIA_KEY_FRAME = 0x1 };

enum {
	B_MEDIA_BIG_ENDIAN = 1,
	B_MEDIA_LITTLE_ENDIAN = 2,
	B_MEDIA_HOST_ENDIAN = B_MEDIA_LITTLE_ENDIAN
};

enum media_display_flags {
	B_F1_DOMINANT = 0x1,
	B_F2_DOMINANT = 0x2,
	B_TOP_SCANLINE_F1 = 0x4,
	B_TOP_SCANLINE_F2 = 0x8
};

enum media_format_flags {
	B_MEDIA_RETAINED_DATA = 0x1,
	B_MEDIA_MULTIPLE_BUFFERS = 0x2,
	B_MEDIA_CONTIGUOUS_BUFFER = 0x4,
	B_MEDIA_LINEAR_UPDATES = 0x8,
	B_MEDIA_MAUI_UNDEFINED_FLAGS = ~0xf
};

struct media_raw_audio_format {
	enum {
		B_AUDIO_FLOAT = 0x24,
		B_AUDIO_INT = 0x4,
		B_AUDIO_SHORT = 0x2,
		B_AUDIO_UCHAR = 0x11,
		B_AUDIO_CHAR = 0x1,
		B_AUDIO_SIZE_MASK = 0xf
	};

	float frame_rate; // frames (one sample per channel) per second
	uint32 channel_count;
	uint32 format;      // B_AUDIO_FLOAT, ...
	uint32 byte_order;  // B_MEDIA_BIG_ENDIAN or B_MEDIA_LITTLE_ENDIAN
	size_t buffer_size; // bytes per buffer
};

struct media_multi_audio_info {
	uint32 channel_mask;
	int16 valid_bits;
	uint16 matrix_mask;
	uint32 _reserved_b[3];
};

struct media_multi_audio_format : public media_raw_audio_format, public media_multi_audio_info {};

struct media_encoded_audio_format {
	enum audio_encoding { B_ANY };

	media_raw_audio_format output; // what decoding gives
	audio_encoding encoding;
	float bit_rate;    // bits per second
	size_t frame_size; // samples per encoded frame, 0 if it varies
	media_multi_audio_info multi_info;
	uint32 _reserved_[3];
};

struct media_video_display_info {
	color_space format;
	uint32 line_width; // pixels
	uint32 line_count; // lines, all fields together
	uint32 bytes_per_row;
	uint32 pixel_offset; // from the start of the buffer to the first pixel
	uint32 line_offset;  // from the start of the buffer to the first line
	uint32 flags;        // media_display_flags
	uint32 _reserved_[3];
};

struct media_raw_video_format {
	float field_rate; // fields per second
	uint32 interlace; // fields per frame: 1 is progressive
	uint32 first_active;
	uint32 last_active;
	uint32 orientation;        // video_orientation
	uint16 pixel_width_aspect; // the shape of one pixel: 1:1 is square
	uint16 pixel_height_aspect;
	media_video_display_info display;
};

struct media_encoded_video_format {
	enum video_encoding { B_ANY };

	media_raw_video_format output; // what decoding gives (its size in pixels)
	float avg_bit_rate;            // bits per second
	float max_bit_rate;
	video_encoding encoding;
	size_t frame_size;
	int16 forward_history; // frames a frame may depend on, ahead and behind
	int16 backward_history;
	uint32 _reserved_[3];
};

struct media_multistream_format {
	enum {
		B_ANY = 0,
		B_VID = 1,
		B_AVI,
		B_MPEG1,
		B_MPEG2,
		B_QUICKTIME,
		B_PRIVATE = 90000,
		B_FIRST_USER_TYPE = 100000
	};
	enum { B_HEADER_HAS_FLAGS = 0x1, B_CLEAN_BUFFERS = 0x2, B_HOMOGENOUS_BUFFERS = 0x4 };

	struct vid_info {
		float frame_rate;
		uint16 width;
		uint16 height;
		color_space space;
		float sampling_rate;
		uint32 sample_format;
		uint16 byte_order;
		uint16 channel_count;
	};
	struct avi_info {
		uint32 us_per_frame;
		uint16 width;
		uint16 height;
		uint16 _reserved_;
		uint16 type_count;
		media_type types[5];
	};

	float avg_bit_rate;
	float max_bit_rate;
	uint32 avg_chunk_size;
	uint32 max_chunk_size;
	uint32 flags;
	int32 format;
	uint32 _reserved_[2];

	union {
		vid_info vid;
		avi_info avi;
	} u;
};

// A format: which kind of data, and the description of that kind in the
// member of "u" that "type" selects. Constructed with every byte zero, which
// is the complete wildcard.
struct media_format {
	media_type type;
	type_code user_data_type;
	uint8 user_data[48];
	uint32 _reserved_[3];
	uint16 require_flags; // media_format_flags
	uint16 deny_flags;    // media_format_flags

	union {
		media_multi_audio_format raw_audio;
		media_raw_video_format raw_video;
		media_multistream_format multistream;
		media_encoded_audio_format encoded_audio;
		media_encoded_video_format encoded_video;
		char _reserved_[96];
	} u;

	media_format();

	bool IsVideo() const { return type == B_MEDIA_ENCODED_VIDEO || type == B_MEDIA_RAW_VIDEO; }
	bool IsAudio() const { return type == B_MEDIA_ENCODED_AUDIO || type == B_MEDIA_RAW_AUDIO; }
	uint32 Width() const
	{
		return type == B_MEDIA_ENCODED_VIDEO ? u.encoded_video.output.display.line_width
		                                     : u.raw_video.display.line_width;
	}
	uint32 Height() const
	{
		return type == B_MEDIA_ENCODED_VIDEO ? u.encoded_video.output.display.line_count
		                                     : u.raw_video.display.line_count;
	}
	color_space ColorSpace() const
	{
		return type == B_MEDIA_ENCODED_VIDEO ? u.encoded_video.output.display.format
		                                     : u.raw_video.display.format;
	}
};

struct media_audio_header {
	int32 _reserved_[16];
};

struct media_video_header {
	uint32 _reserved_[12];
	float field_gamma;
	uint32 field_sequence; // frame number within the track
	uint16 field_number;
	uint16 pulldown_number;
	uint16 first_active_line;
	uint16 line_count; // lines written into the buffer
};

struct media_encoded_audio_header {
	int32 _reserved_0[14];
	uint32 buffer_flags;
	uint8 unused_mask;
	uint8 _reserved_2[3];
};

struct media_encoded_video_header {
	int32 _reserved_1[9];
	uint32 field_flags; // B_MEDIA_KEY_FRAME
	int16 forward_history;
	int16 backward_history;
	uint8 unused_mask;
	uint8 _reserved_2[3];
	float field_gamma;
	uint32 field_sequence;
	uint16 field_number;
	uint16 pulldown_number;
	uint16 first_active_line;
	uint16 line_count;
};

struct media_multistream_header {
	enum { B_MASTER_HEADER = 0x1, B_SUBSTREAM_HEADER = 0x2, B_COMPLETE_BUFFER = 0x4 };
	uint32 _reserved_[14];
	uint8 unused_mask;
	uint8 _reserved_2[3];
	uint32 flags;
};

// What came with one buffer of data. For ReadFrames: start_time is the
// frame's presentation time in microseconds from the start of the track.
struct media_header {
	enum { B_SEEK_TAG = 'TRST', B_TIME_CODE = 'TRTC' };

	media_type type;
	media_buffer_id buffer;
	int32 destination;
	media_node_id time_source;
	uint32 _deprecated_;
	uint32 size_used;     // bytes of the buffer that hold data
	bigtime_t start_time; // microseconds
	area_id owner;
	type_code user_data_type;
	uint8 user_data[64];
	uint32 _reserved_[2];
	off_t file_pos;   // where in the file the data came from, -1 if unknown
	size_t orig_size; // its size there
	uint32 data_offset;

	union {
		media_audio_header raw_audio;
		media_video_header raw_video;
		media_multistream_header multistream;
		media_encoded_audio_header encoded_audio;
		media_encoded_video_header encoded_video;
		char _reserved_[64];
	} u;
};

struct media_decode_info {
	bigtime_t time_to_decode; // 0: hurry; B_INFINITE_TIMEOUT: take the time needed
	int32 _pad[26];
	void* file_format_data;
	size_t file_format_data_size;
	void* codec_data;
	size_t codec_data_size;

	media_decode_info();
};

#endif
