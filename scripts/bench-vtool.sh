#!/usr/bin/env bash
# Conversion speed of vtool beside sox on the same 10-minute 44.1 kHz stereo WAV:
# WAV to AIFF, and WAV to 8 kHz mono WAV. Prints the times and vtool/sox ratios of one run.
# Usage: bench-vtool.sh VTOOL WORKDIR
set -eu
vtool=${1:?usage: $0 VTOOL WORKDIR}
work=${2:?usage: $0 VTOOL WORKDIR}
mkdir -p "$work"
in="$work/ten-minutes.wav"
[ -f "$in" ] || sox -R -n -r 44100 -c 2 -b 16 "$in" synth 600 sine 200-6000 sine 441 gain -3
seconds() {  # seconds COMMAND... : wall time of one run
  local start end
  start=$(date +%s.%N)
  "$@" > /dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }' 
}
row() {  # row NAME VTOOL-SECONDS SOX-SECONDS
  printf '%-34s vtool %6.3f s   sox %6.3f s   ratio %5.2f\n' "$1" "$2" "$3" "$(awk -v a="$2" -v b="$3" 'BEGIN { printf "%.3f", a / b }')"
}
# Warm the page cache so that both read the input from memory.
cat "$in" > /dev/null
v=$(seconds "$vtool" convert "$in" "$work/v.aif")
s=$(seconds sox "$in" "$work/s.aif")
row "WAV -> AIFF (10 min)" "$v" "$s"
v=$(seconds "$vtool" convert "$in" "$work/v8k.wav" --rate 8000 --channels 1)
s=$(seconds sox "$in" -r 8000 -c 1 "$work/s8k.wav")
row "WAV 44.1k stereo -> 8k mono" "$v" "$s"
rm -f "$work/v.aif" "$work/s.aif" "$work/v8k.wav" "$work/s8k.wav"
