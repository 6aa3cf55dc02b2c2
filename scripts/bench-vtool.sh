#!/usr/bin/env bash
# Conversion speed of vtool beside sox on the same 10-minute 44.1 kHz stereo WAV:
# WAV to AIFF, and WAV to 8 kHz mono WAV, as processor time (user + system, best of
# three runs each, steadier than the wall clock on a shared machine), and vtool's peak
# memory. Prints table rows "row|job|ours|peer|speed ratio|goal".
# Usage: bench-vtool.sh VTOOL WORKDIR
set -eu
vtool=${1:?usage: $0 VTOOL WORKDIR}
work=${2:?usage: $0 VTOOL WORKDIR}
mkdir -p "$work"
in="$work/ten-minutes.wav"
[ -f "$in" ] || sox -R -n -r 44100 -c 2 -b 16 "$in" synth 600 sine 200-6000 sine 441 gain -3
[ -x /usr/bin/time ] || { echo "bench-vtool: /usr/bin/time is missing" >&2; exit 1; }
measure() {  # measure OUTPUT COMMAND... : "cpu-seconds max-rss-kB", best of three fresh runs
  local out=$1 best="" rss=0 line cpu kb
  shift
  for _ in 1 2 3; do
    rm -f "$out"
    /usr/bin/time -o "$work/time.txt" -f '%U %S %M' "$@" > /dev/null 2>&1
    line=$(tail -n 1 "$work/time.txt")
    cpu=$(awk '{ printf "%.3f", $1 + $2 }' <<< "$line")
    kb=$(awk '{ print $3 }' <<< "$line")
    [ "$kb" -gt "$rss" ] && rss=$kb
    if [ -z "$best" ] || awk -v a="$cpu" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$cpu; fi
  done
  rm -f "$out"
  echo "$best $rss"
}
row() {  # row NAME OURS PEER GOAL
  printf 'row|%s|%.3f s|sox %.3f s|%sx|%s\n' "$1" "$2" "$3" "$(awk -v a="$2" -v b="$3" 'BEGIN { printf "%.2f", b / a }')" "$4"
}
# Warm the page cache so that both read the input from memory.
cat "$in" > /dev/null
read -r v vmem <<< "$(measure "$work/v.aif" "$vtool" convert "$in" "$work/v.aif")"
read -r s _ <<< "$(measure "$work/s.aif" sox "$in" "$work/s.aif")"
row "vtool WAV -> AIFF, 10 min" "$v" "$s" ">= 3.33x (0.3 of sox's time)"
read -r v vmem8 <<< "$(measure "$work/v8k.wav" "$vtool" convert "$in" "$work/v8k.wav" --rate 8000 --channels 1)"
read -r s _ <<< "$(measure "$work/s8k.wav" sox "$in" -r 8000 -c 1 "$work/s8k.wav")"
row "vtool WAV 44.1k stereo -> 8k mono, 10 min" "$v" "$s" ">= 2.00x (0.5 of sox's time)"
peak=$(( vmem > vmem8 ? vmem : vmem8 ))
printf 'row|vtool convert peak memory, 10 min|%.1f MiB|-|-|< 8 MiB\n' "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')"
