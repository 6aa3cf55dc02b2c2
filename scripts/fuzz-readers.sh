#!/usr/bin/env bash
# Fuzzes the WAV and AIFF readers with libFuzzer under AddressSanitizer and UBSan.
# Usage: scripts/fuzz-readers.sh [seconds]   (default 120). Seeds come from the small
# corpus in tests/fuzz/readers-corpus (first byte: 0 WAV, 1 AIFF); new inputs and any
# crash files stay in build/fuzz. Every crash becomes a regression test in wav_reader_test.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-120}
. scripts/fuzz-build.sh readers_fuzz
mkdir -p build/fuzz/readers-corpus
cd build/fuzz
./tests/fuzz/readers_fuzz -max_total_time="$seconds" -max_len=4096 -timeout=10 -artifact_prefix=readers- \
  readers-corpus ../../tests/fuzz/readers-corpus
