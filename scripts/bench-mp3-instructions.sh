#!/usr/bin/env bash
# Instructions the MP3 decoder alone spends per second of audio, counted by callgrind
# on a 30-second excerpt (repeatable whatever else the machine is doing), beside
# mpg123's whole process (which writes its output to /dev/null) on the same excerpt.
# Usage: bench-mp3-instructions.sh DECODE_TOOL WORK_FOLDER
# DECODE_TOOL decodes a file through the reader into nothing (bench/mp3_decode_only).
set -eu
tool=$1
work=$2
mkdir -p "$work"
sox -n -r 44100 -c 2 -b 16 "$work/excerpt.wav" synth 30 sine 220 sine 3520 vol 0.3 2>/dev/null
lame --quiet -b 128 -m j "$work/excerpt.wav" "$work/excerpt.mp3"
command -v valgrind >/dev/null || { echo "bench-mp3-instructions: valgrind is missing" >&2; exit 1; }
count() {  # count OUTFILE COMMAND... : total instructions
  local out=$1
  shift
  valgrind --tool=callgrind --callgrind-out-file="$out" "$@" >/dev/null 2>"$out.log"
  grep -E '^summary:|^totals:' "$out" | head -n 1 | awk '{ print $2 }'
}
# The decoder alone: instructions inside the decoder's functions (callgrind's inclusive
# cost of the reader's read calls), without the tool's start or any file writing.
ours_total=$(count "$work/ours.out" "$tool" "$work/excerpt.mp3")
ours=$(callgrind_annotate --inclusive=yes "$work/ours.out" 2>/dev/null |
  awk '/vt::Mp3Reader::read\(/ { gsub(",", "", $1); print $1; exit }')
[ -n "$ours" ] || ours=$ours_total
generic=$(count "$work/generic.out" mpg123 -q -s --cpu generic "$work/excerpt.mp3")
simd=$(count "$work/simd.out" mpg123 -q -s "$work/excerpt.mp3")
printf 'row|MP3 decoder instructions per audio second (callgrind, 30 s excerpt)|%.1f M|mpg123 generic %.1f M, default %.1f M (whole process)|%.2fx|reported\n' \
  "$(awk -v n="$ours" 'BEGIN { print n / 30e6 }')" "$(awk -v n="$generic" 'BEGIN { print n / 30e6 }')" \
  "$(awk -v n="$simd" 'BEGIN { print n / 30e6 }')" "$(awk -v a="$ours" -v b="$generic" 'BEGIN { printf "%.2f", b / a }')"
