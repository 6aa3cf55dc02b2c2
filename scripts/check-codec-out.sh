#!/usr/bin/env bash
# Checks with sox the codec WAV files that the Win32 codec test wrote through the
# system's codecs: header fields, and at least every frame written comes back.
# Usage: check-codec-out.sh DIR
set -u
dir=${1:?usage: $0 DIR}
status=0
check() {  # check NAME RATE CHANNELS ENCODING-WORDS FRAMES
  local file="$dir/$1.wav"
  [ -f "$file" ] || { echo "$1: missing"; status=1; return; }
  local rate channels encoding samples
  rate=$(soxi -r "$file") channels=$(soxi -c "$file") encoding=$(soxi -e "$file") samples=$(soxi -s "$file")
  [ "$rate" = "$2" ] && [ "$channels" = "$3" ] && [[ "$encoding" == *"$4"* ]] \
    || { echo "$1: sox sees $rate Hz, $channels channels, $encoding"; status=1; }
  sox "$file" -t raw -e signed -b 16 - 2>/dev/null | wc -c | {
    read -r bytes
    [ $(( bytes / 2 / $3 )) -ge "$5" ] || { echo "$1: sox decodes $(( bytes / 2 / $3 )) frames of $5"; exit 1; }
  } || status=1
  echo "$1: $rate Hz, $channels ch, $encoding, $samples frames"
}
# Names, formats and frame counts as codec_files_test writes them (2 s + 123 frames).
check ima_mono 8000 1 "IMA" 16123
check ima_stereo 22050 2 "IMA" 44223
check ulaw_mono 8000 1 "u-law" 16123
check alaw_stereo 8000 2 "A-law" 16123
check gsm_mono 8000 1 "GSM" 16123
exit $status
