#!/usr/bin/env bash
# Fuzzes conversion and playback chains (converters, speed filter, copy into a writer)
# with libFuzzer under AddressSanitizer and UBSan, over fuzzed WAV, AIFF and MP3 input.
# Usage: scripts/fuzz-chains.sh [seconds]   (default 120). Seeds: eight chain bytes in
# front of the reader corpus and of the heads of the shared MP3 streams; the corpus and
# any crash files stay in build/fuzz.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-120}
. scripts/fuzz-build.sh chains_fuzz
corpus=build/fuzz/chains-corpus
mkdir -p "$corpus"
# Chain bytes: reader and chain kind, rate pick, channels and bits, free rate, two speeds, glide.
prefixes=('\x00\x05\x00\x00\x00\x80\x80\x00' '\x00\x00\x01\x00\x00\x80\x80\x00' '\x00\x08\x02\x00\x00\x10\x90\x32'
          '\x00\x03\x01\x00\x00\x20\x20\x00' '\x00\x09\x00\x00\x00\x80\x80\x00' '\x00\xff\x00\xff\xff\x80\x80\x00')
n=0
for f in tests/fuzz/readers-corpus/*; do
  # The reader corpus starts with its own reader byte (0 WAV, 1 AIFF): it becomes the
  # first chain byte, the other seven follow.
  for p in "${prefixes[@]}"; do
    { head -c 1 "$f"; printf "$p" | tail -c 7; tail -c +2 "$f"; } > "$corpus/seed-$n"
    n=$((n + 1))
  done
done
shared=../shared/mp3-vectors
if [ -d "$shared" ]; then
  for f in "$shared"/iso/*.bit "$shared"/odd/*; do
    for p in '\x02\x05\x00\x00\x00\x80\x80\x00' '\x06\x00\x01\x00\x00\x00\x20\x64'; do
      { printf "$p"; head -c 6000 "$f"; } > "$corpus/seed-$n"
      n=$((n + 1))
    done
  done
fi
cd build/fuzz
./tests/fuzz/chains_fuzz -max_total_time="$seconds" -max_len=20000 -timeout=20 -artifact_prefix=chains- chains-corpus
