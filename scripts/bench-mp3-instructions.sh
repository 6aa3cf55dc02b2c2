#!/usr/bin/env bash
# Instructions the MP3 decoder spends per second of audio, counted by callgrind on a
# 30-second excerpt (repeatable whatever else the machine is doing).
# Usage: bench-mp3-instructions.sh VTOOL WORK_FOLDER
set -eu
vtool=$1
work=$2
mkdir -p "$work"
sox -n -r 44100 -c 2 -b 16 "$work/excerpt.wav" synth 30 sine 220 sine 3520 vol 0.3 2>/dev/null
lame --quiet -b 128 -m j "$work/excerpt.wav" "$work/excerpt.mp3"
command -v valgrind >/dev/null || { echo "mp3 instructions: valgrind not available"; exit 0; }
# Decoding only: the same conversion to a sink that keeps nothing is not available from
# the tool, so the count includes writing the WAV file, which is small beside decoding.
valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$vtool" convert "$work/excerpt.mp3" \
  "$work/decoded.wav" >/dev/null 2>"$work/callgrind.log"
total=$(grep -E '^summary:|^totals:' "$work/callgrind.out" | head -n 1 | awk '{print $2}')
echo "mp3 decode, 30 s of 128 kbit/s joint stereo: $total instructions, $((total / 30)) per second of audio"
