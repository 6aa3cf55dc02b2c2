#!/usr/bin/env bash
# Runs every benchmark of `make bench` and prints one table: each job, our figure, the
# peer's figure from the same run, the speed ratio (peer time / our time: above 1 we are
# faster) and the goal. Progress goes to stderr.
# Usage: bench-table.sh NATIVE_TREE WIN32_TREE
set -eu
native=${1:?usage: $0 NATIVE_TREE WIN32_TREE}
win32=${2:?usage: $0 NATIVE_TREE WIN32_TREE}
here=$(cd "$(dirname "$0")" && pwd)
rows=$(mktemp)
trap 'rm -f "$rows"' EXIT
step() { echo "bench: $1" >&2; }

step "resampler beside sox"
"$native/bench/bench_pipeline" | grep '^row|' >> "$rows"
step "MP3 decoding beside mpg123"
mp3work="$(cd "$native" && pwd)/bench/mp3-work"
mkdir -p "$mp3work"
"$native/bench/bench_mp3" "$mp3work" | grep '^row|' >> "$rows"
step "MP3 decoder instructions (callgrind)"
"$here/bench-mp3-instructions.sh" "$native/bench/mp3_decode_only" "$native/bench/mp3-instructions" >> "$rows"
step "vtool conversions beside sox"
"$here/bench-vtool.sh" "$native/tools/vtool" "$native/bench/vtool-work" >> "$rows"
step "tag edits beside mid3v2"
"$here/bench-tags.sh" "$native/tools/vtool" "$native/bench/tags-work" >> "$rows"

step "Win32 build under Wine"
read -r cbr _ simd < "$mp3work/times.txt"
env="$PWD/$win32/benchenv"
VT_TESTENV_DIR="$env" "$here/test-env.sh" start "$env" >&2
# The Win32 bench reads the native run's file through Wine's Z: drive.
VT_TESTENV_DIR="$env" "$here/wine-run.sh" "$win32/bench/bench_mp3.exe" --ours "Z:$cbr" \
  "MP3 decode, 10 min CBR 128, Win32 build under Wine" "$simd" | tr -d '\r' | grep '^row|' >> "$rows" || true
VT_TESTENV_DIR="$env" "$here/wine-run.sh" "$win32/bench/bench_capture.exe" | tr -d '\r' |
  sed -n 's/^capture thread, 48 kHz stereo: \([0-9.]* ms\).*/row|Capture thread CPU per minute recorded, 48 kHz stereo (Wine)|\1|-|-|reported/p' >> "$rows" || true
"$here/test-env.sh" stop "$env" >&2 || true

echo
printf '| %s | %s | %s | %s | %s |\n' "Job" "Ours" "Peer, same run" "Speed ratio" "Goal"
printf '|---|---|---|---|---|\n'
awk -F'|' '{ printf "| %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6 }' "$rows"
