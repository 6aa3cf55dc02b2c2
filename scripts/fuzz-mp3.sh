#!/usr/bin/env bash
# Fuzzes the MP3 reader with libFuzzer under AddressSanitizer and UBSan.
# Usage: scripts/fuzz-mp3.sh [seconds]   (default 120). Seeds come from the shared
# test streams when they are there; the corpus and any crash files stay in build/fuzz.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-120}
cmake -S . -B build/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVT_SANITIZE=ON -DVT_FUZZ=ON -DVT_TESTS=OFF >/dev/null
cmake --build build/fuzz --target mp3_fuzz -j"${JOBS:-2}"
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
