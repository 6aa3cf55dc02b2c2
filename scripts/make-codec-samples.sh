#!/usr/bin/env bash
# Writes, with sox, WAV files in the codec formats the Win32 tests read through the
# system's codecs, each beside sox's own decoding of it (NAME.raw: signed 16-bit,
# little-endian). Usage: make-codec-samples.sh DIR
set -eu
dir=${1:?usage: $0 DIR}
rm -rf "$dir"; mkdir -p "$dir"
make() {  # make NAME RATE CHANNELS ENCODING...
  local name=$1 rate=$2 channels=$3; shift 3
  sox -R -n -r "$rate" -c "$channels" "$@" "$dir/$name.wav" synth 1.3 sine 300-3000 sine 440 gain -3
  sox -D "$dir/$name.wav" -t raw -e signed -b 16 -L "$dir/$name.raw"
}
make ima_mono_8000 8000 1 -e ima-adpcm
make ima_stereo_22050 22050 2 -e ima-adpcm
make ms_mono_8000 8000 1 -e ms-adpcm
make ms_stereo_44100 44100 2 -e ms-adpcm
make gsm_mono_8000 8000 1 -e gsm-full-rate
make ulaw_mono_8000 8000 1 -e u-law
make alaw_stereo_11025 11025 2 -e a-law
make pcm24_mono_48000 48000 1 -b 24
make pcm24_stereo_96000 96000 2 -b 24
