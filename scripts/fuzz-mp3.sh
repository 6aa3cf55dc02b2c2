#!/usr/bin/env bash
# Fuzzes the MP3 reader with libFuzzer under AddressSanitizer and UBSan.
# Usage: scripts/fuzz-mp3.sh [seconds]   (default 120). Seeds come from the shared
# test streams when they are there; the corpus and any crash files stay in build/fuzz.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-120}
. scripts/fuzz-build.sh mp3_fuzz
corpus=build/fuzz/mp3-corpus
mkdir -p "$corpus"
shared=../shared/mp3-vectors
if [ -d "$shared" ]; then
  for f in "$shared"/odd/* "$shared"/iso/*.bit; do
    head -c 6000 "$f" > "$corpus/seed-$(basename "$f")"
  done
fi
cd build/fuzz
./tests/fuzz/mp3_fuzz -max_total_time="$seconds" -max_len=20000 -timeout=10 mp3-corpus
