#!/usr/bin/env bash
# Makes the small video clips committed under samples/ (the demo and the media
# kit's tests use them). Needs the ffmpeg CLI. The outputs are committed, so this
# only has to run again when a clip is added or changed; the tests rely on what
# each clip is said to contain below.
set -euo pipefail
out=${1:-$(cd "$(dirname "$0")" && pwd)}
cd "$out"

ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
counter="drawtext=fontfile=$font:text='%{frame_num}':x=8:y=8:fontsize=40:fontcolor=white:box=1:boxcolor=black"

# 320x240 H.264 (High, B-frames), 10 fps, 2 s = 20 frames, frame number drawn top left.
ff -f lavfi -i "testsrc2=s=320x240:r=10:d=2,$counter" \
	-c:v libx264 -preset slow -crf 30 -pix_fmt yuv420p -movflags +faststart clip-h264.mp4

# The same picture as VP9 in WebM (the container stores no per-stream duration).
ff -f lavfi -i "testsrc2=s=320x240:r=10:d=2,$counter" \
	-c:v libvpx-vp9 -b:v 150k -deadline good -cpu-used 4 -pix_fmt yuv420p clip-vp9.webm

# MPEG-4 part 2 in AVI, with B-frames (packed B-frames are what AVI writers do).
ff -f lavfi -i "testsrc2=s=320x240:r=10:d=2,$counter" \
	-c:v mpeg4 -q:v 6 -bf 2 -vtag XVID clip-mpeg4.avi

# Eight frames at 10 fps, each one flat colour given by the frame number N:
# red = bit 0, green = bit 1, blue = bit 2 (0 black, 1 red, 2 green, 3 yellow,
# 4 blue, 5 magenta, 6 cyan, 7 white), with a mid-grey (128) 16x16 block in the
# top-left corner. 64x48 H.264 at a very low quantiser, with B-frames so that decode order
# differs from presentation order.
ff -f lavfi -i "nullsrc=s=64x48:r=10:d=0.8,format=gbrp,geq=\
r='if(lt(X,16)*lt(Y,16),128,255*mod(N,2))':\
g='if(lt(X,16)*lt(Y,16),128,255*mod(floor(N/2),2))':\
b='if(lt(X,16)*lt(Y,16),128,255*mod(floor(N/4),2))'" \
	-c:v libx264 -qp 4 -bf 3 -g 8 -x264-params b-adapt=0:scenecut=0 -pix_fmt yuv420p clip-colours.mp4

# Odd size with non-square pixels: 161x97, 4:2:0 VP9, sample aspect 4:3,
# 10 frames at 10 fps; left half red, right half blue.
ff -f lavfi -i "color=c=red:s=161x97:r=10:d=1,format=gbrp,geq=\
r='if(lt(X,80),255,0)':g='0':b='if(lt(X,80),0,255)',setsar=4/3" \
	-c:v libvpx-vp9 -crf 20 -b:v 0 -deadline good -cpu-used 4 -pix_fmt yuv420p clip-odd-161x97.mkv

# 10-bit 4:2:0 H.264 (High 10), 64x48, 10 frames at 10 fps: top half green, bottom half magenta.
ff -f lavfi -i "nullsrc=s=64x48:r=10:d=1,format=gbrp,geq=\
r='if(lt(Y,24),0,255)':g='if(lt(Y,24),255,0)':b='if(lt(Y,24),0,255)'" \
	-c:v libx264 -crf 10 -pix_fmt yuv420p10le clip-10bit.mp4

# Matroska whose first track is audio (Vorbis) and second video (H.264, 160x120,
# 10 fps, 1 s).
ff -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=1" \
	-f lavfi -i "testsrc2=s=160x120:r=10:d=1" \
	-map 0:a -map 1:v -c:a libvorbis -q:a 0 -c:v libx264 -crf 32 -pix_fmt yuv420p clip-audio-first.mkv

# Matroska with two video tracks of 32x32, 5 frames at 10 fps: the first flat
# red, the second flat blue (MPEG-4 part 2, intra only).
ff -f lavfi -i "color=c=red:s=32x32:r=10:d=0.5" -f lavfi -i "color=c=blue:s=32x32:r=10:d=0.5" \
	-map 0:v -map 1:v -c:v mpeg4 -q:v 2 -g 1 -pix_fmt yuv420p clip-two-videos.mkv

# 1280x720 H.264, 25 fps, 10 frames: a frame size worth measuring drawing with.
ff -f lavfi -i "testsrc2=s=1280x720:r=25:d=0.4" \
	-c:v libx264 -preset slow -crf 38 -pix_fmt yuv420p -movflags +faststart clip-720p.mp4

# Ogg with a single audio track (Vorbis, 0.5 s) and no video at all.
ff -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=0.5" \
	-c:a libvorbis -q:a 0 clip-audio-only.ogg

ls -l clip-*
