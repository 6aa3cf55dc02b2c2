#!/usr/bin/env bash
# Tag edits on hour-long recordings: vtool tags beside mutagen's mid3v2 making the same
# edit, as whole processes (wall time, best of five runs each). Also the same edit on a
# one-minute file, to show the time does not grow with the length.
# Prints table rows "row|job|ours|peer|speed ratio|goal".
# Usage: bench-tags.sh VTOOL WORKDIR
set -eu
vtool=${1:?usage: $0 VTOOL WORKDIR}
work=${2:?usage: $0 VTOOL WORKDIR}
mkdir -p "$work"
command -v mid3v2 > /dev/null || { echo "bench-tags: mid3v2 (python3-mutagen) is missing" >&2; exit 1; }

# One hour of MP3 as 360 copies of a 10-second stream without a header frame (a
# valid stream, frame after frame); one minute as 6 copies. One hour of CD-quality WAV.
piece="$work/ten-seconds.mp3"
[ -f "$piece" ] || {
  sox -R -n -r 44100 -c 2 -b 16 "$work/ten-seconds.wav" synth 10 sine 200-6000 sine 441 gain -3
  lame --quiet -t -b 128 "$work/ten-seconds.wav" "$piece"
}
make_mp3() {  # make_mp3 OUT COPIES
  [ -f "$1" ] && return
  local i
  for ((i = 0; i < $2; i++)); do cat "$piece"; done > "$1.part"
  mv "$1.part" "$1"
}
make_mp3 "$work/hour.mp3" 360
make_mp3 "$work/minute.mp3" 6
[ -f "$work/hour.wav" ] || sox -R -n -r 44100 -c 2 -b 16 "$work/hour.wav" synth 3600 sine 441 gain -3
[ -f "$work/minute.wav" ] || sox -R -n -r 44100 -c 2 -b 16 "$work/minute.wav" synth 60 sine 441 gain -3

wall() {  # wall COMMAND... : seconds of wall time of one run
  local start=$EPOCHREALTIME
  "$@" > /dev/null 2>&1 || { echo "bench-tags: failed: $*" >&2; exit 1; }
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f", b - a }'
}
best() {  # best TIMES... : the smallest
  printf '%s\n' "$@" | sort -g | head -n 1
}
row() {  # row NAME OURS PEER GOAL
  printf 'row|%s|%.3f s|mid3v2 %.3f s|%sx|%s\n' "$1" "$2" "$3" "$(awk -v a="$2" -v b="$3" 'BEGIN { printf "%.2f", b / a }')" "$4"
}
# A title edit on a file that already has a tag with padding (each tool's own file,
# tagged first by that tool), five times with titles of one length.
edit_times() {  # edit_times TOOL FILE
  local tool=$1 file=$2 times=() i
  for i in 1 2 3 4 5; do
    if [ "$tool" = vtool ]; then
      times+=("$(wall "$vtool" tags "$file" "TITLE=Titre numéro $i de l'essai")")
    else
      times+=("$(wall mid3v2 -t "Titre numéro $i de l'essai" "$file")")
    fi
  done
  best "${times[@]}"
}
for length in hour minute; do
  cp "$work/$length.mp3" "$work/ours-$length.mp3"
  cp "$work/$length.mp3" "$work/peer-$length.mp3"
  "$vtool" tags "$work/ours-$length.mp3" "TITLE=Un premier titre assez long pour ID3v2" TENC=vtool > /dev/null
  mid3v2 -t "Un premier titre assez long pour ID3v2" "$work/peer-$length.mp3" > /dev/null
  cat "$work/ours-$length.mp3" "$work/peer-$length.mp3" > /dev/null
done
ours_hour=$(edit_times vtool "$work/ours-hour.mp3")
peer_hour=$(edit_times mid3v2 "$work/peer-hour.mp3")
ours_minute=$(edit_times vtool "$work/ours-minute.mp3")
row "Title edit, 1 h MP3 with a padded tag" "$ours_hour" "$peer_hour" ">= 1.00x"
printf 'row|Title edit, 1 h MP3 beside 1 min MP3 (ours)|%.3f s|1 min %.3f s|-|no growth with length\n' \
  "$ours_hour" "$ours_minute"

# A title edit on WAV: no peer writes RIFF INFO, so the goal is absolute.
wav_times=() minute_times=()
for i in 1 2 3 4 5; do
  wav_times+=("$(wall "$vtool" tags "$work/hour.wav" "TITLE=Titre numéro $i" "ARTIST=Artiste $i")")
  minute_times+=("$(wall "$vtool" tags "$work/minute.wav" "TITLE=Titre numéro $i" "ARTIST=Artiste $i")")
done
printf 'row|Title edit, 1 h WAV (1 min: %.3f s)|%.3f s|-|-|< 0.200 s, no growth with length\n' \
  "$(best "${minute_times[@]}")" "$(best "${wav_times[@]}")"

# A first tag on an untagged hour of MP3: the one rewrite. Fresh copies each run,
# made and read into the page cache outside the timing.
ours=() peer=()
for i in 1 2 3; do
  cp "$work/hour.mp3" "$work/first-ours.mp3"
  cp "$work/hour.mp3" "$work/first-peer.mp3"
  cat "$work/first-ours.mp3" "$work/first-peer.mp3" > /dev/null
  ours+=("$(wall "$vtool" tags "$work/first-ours.mp3" "TITLE=Un premier titre assez long pour ID3v2")")
  peer+=("$(wall mid3v2 -t "Un premier titre assez long pour ID3v2" "$work/first-peer.mp3")")
done
row "First tag on an untagged 1 h MP3 (one rewrite)" "$(best "${ours[@]}")" "$(best "${peer[@]}")" ">= 1.00x"
rm -f "$work"/first-*.mp3 "$work"/ours-*.mp3 "$work"/peer-*.mp3
