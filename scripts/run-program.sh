#!/usr/bin/env bash
# `make run`: starts the recorder under Wine with its own Wine prefix and sound server.
# With a display (DISPLAY set) the main window opens there and the program runs until
# it is closed. Without one (a fresh server, CI) it shows its main job on the private
# display: a spoken phrase played into the private sound device is recorded through
# the command switches, and the recording and a screenshot taken while it recorded are
# reported.
set -u
build=${1:-build/win32}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
envdir=$root/$build/runenv
program=$root/$build/app/vocatrack.exe
outer_display=${DISPLAY:-}

"$here/test-env.sh" start "$envdir" >/dev/null || exit 1
trap '"$here/test-env.sh" stop "$envdir" >/dev/null' EXIT
. "$envdir/env.sh"
wine=/usr/lib/wine/wine64

if [ -n "$outer_display" ]; then
  export DISPLAY=$outer_display
  echo "Vocatrack Sound Recorder runs on display $DISPLAY; close its window to end."
  "$wine" "$program"
  exit 0
fi

demo=$root/$build/demo
mkdir -p "$demo"
rm -f "$demo"/*.wav "$demo"/*.png
windows_demo="Z:${demo//\//\\}"
speech=$envdir/phrase.wav
espeak-ng -v fr -s 140 -w "$speech" "Bonjour. Ceci est un essai de l'enregistreur Vocatrack." 2>/dev/null \
  || sox -n -r 22050 -c 1 -b 16 "$speech" synth 2 sine 440 vol 0.25

echo "Starting Vocatrack Sound Recorder on the private display $DISPLAY"
"$wine" "$program" -outdir "$windows_demo" -record wav -s 22050 -m 1 -b 16 >/dev/null 2>&1 &
for _ in $(seq 100); do
  ls "$demo"/*.wav >/dev/null 2>&1 && break
  sleep 0.2
done
recording=$(ls "$demo"/*.wav 2>/dev/null | head -n 1)
if [ -z "$recording" ]; then
  echo "The recorder did not start a recording." >&2
  "$wine" "$program" -exit >/dev/null 2>&1
  exit 1
fi
paplay -d "$VT_PULSE_SINK" "$speech" &
player=$!
sleep 2.5
import -window root "$demo/recording.png" 2>/dev/null
wait "$player"
sleep 0.5
"$wine" "$program" -done >/dev/null 2>&1
"$wine" "$program" -exit >/dev/null 2>&1
for _ in $(seq 50); do pgrep -f "vocatrack.exe" >/dev/null || break; sleep 0.2; done

echo "Recording:  $recording"
echo "Format:     $(soxi -r "$recording") Hz, $(soxi -c "$recording") channel(s), $(soxi -b "$recording") bits, WAV"
echo "Length:     $(soxi -D "$recording") s"
echo "Peak level: $(sox "$recording" -n stat 2>&1 | awk '/Maximum amplitude/ {printf "%.1f dBFS", 20*log($3)/log(10)}')"
echo "Screenshot: $demo/recording.png"
