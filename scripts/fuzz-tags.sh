#!/usr/bin/env bash
# Fuzzes the tag readers and writers (ID3v1, ID3v2, RIFF INFO) with libFuzzer under
# AddressSanitizer and UBSan. Usage: scripts/fuzz-tags.sh [seconds] (default 120).
# Seeds are made here by other programs (mutagen, id3lib, ffmpeg) from a short tone;
# the first byte picks the format (0 MP3, 1 WAV). New inputs and crash files stay in
# build/fuzz; every crash becomes a regression test in tags_test.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-120}
. scripts/fuzz-build.sh tags_fuzz
corpus=build/fuzz/tags-corpus seeds=build/fuzz/tags-seeds work=build/fuzz/tags-work
mkdir -p "$corpus" "$seeds" "$work"
if [ -z "$(ls -A "$seeds")" ]; then
  sox -n -r 8000 -c 1 -b 16 "$work/tone.wav" synth 0.05 sine 440
  lame --quiet -b 8 "$work/tone.wav" "$work/tone.mp3"
  cp "$work/tone.mp3" "$work/v24.mp3"
  mid3v2 -t "Titre" -a "Artiste" -g 17 -c "Remarque" --TXXX "a:b" "$work/v24.mp3"
  cp "$work/tone.mp3" "$work/v23.mp3"
  id3v2 -t "Titre" -a "Artiste" -g 119 -T 3 -c "Remarque" "$work/v23.mp3"
  /usr/bin/python3 tests/native/tags_peer.py make23 "$work/tone.mp3"
  ffmpeg -v error -y -i "$work/tone.wav" -metadata artist=A -metadata title=T -metadata comment=C -c copy "$work/info.wav"
  for f in v24 v23 tone; do { printf '\0'; head -c 3000 "$work/$f.mp3"; tail -c 128 "$work/$f.mp3"; } > "$seeds/$f"; done
  { printf '\1'; cat "$work/info.wav"; } > "$seeds/info"
fi
cd build/fuzz
./tests/fuzz/tags_fuzz -max_total_time="$seconds" -max_len=8192 -timeout=10 -artifact_prefix=tags- \
  tags-corpus tags-seeds
