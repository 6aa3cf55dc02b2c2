#!/usr/bin/env bash
# The private world the Win32 tests run in: a Wine prefix (Windows Vista), an Xvfb
# display on a free number and a PulseAudio server whose null sink's monitor is the
# default input. `start DIR` brings it up and writes DIR/env.sh; `stop DIR` ends
# exactly the processes that `start` recorded in DIR/pids.
set -u
cmd=${1:-}
dir=${2:-}
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
WINE_LOADER=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64

stop_env() {
  if [ -f "$dir/pids" ]; then
    # The Wine server goes first so that every program of the prefix ends with it.
    while read -r name pid; do
      [ "$name" = wineserver ] || continue
      WINEPREFIX="$dir/prefix" "$WINESERVER" -k 2>/dev/null
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -9 "$pid" 2>/dev/null
    done < "$dir/pids"
    while read -r name pid; do
      [ "$name" = wineserver ] && continue
      kill "$pid" 2>/dev/null
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -9 "$pid" 2>/dev/null
    done < "$dir/pids"
    rm -f "$dir/pids"
  fi
  rm -f "$dir/env.sh"
}

wait_for() {  # wait_for SECONDS CONDITION...
  local tries=$(( $1 * 10 )); shift
  for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
  return 1
}

start_env() {
  stop_env
  : > "$dir/pids"
  local display=""
  for n in $(seq 91 199); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
  done
  [ -n "$display" ] || { echo "no free X display" >&2; return 1; }
  Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp > "$dir/xvfb.log" 2>&1 &
  echo "xvfb $!" >> "$dir/pids"
  wait_for 20 test -S "/tmp/.X11-unix/X$display" || { echo "Xvfb did not start" >&2; return 1; }

  local run="$dir/run"
  rm -rf "$run"; mkdir -p "$run"; chmod 700 "$run"
  XDG_RUNTIME_DIR="$run" HOME="$run" pulseaudio --daemonize=no -n --exit-idle-time=-1 --use-pid-file=no \
    --disable-shm=true \
    -L "module-native-protocol-unix socket=$run/pulse.sock auth-anonymous=1" \
    -L "module-null-sink sink_name=vtsink rate=44100 channels=2" \
    > "$dir/pulse.log" 2>&1 &
  echo "pulseaudio $!" >> "$dir/pids"
  export PULSE_SERVER="unix:$run/pulse.sock"
  wait_for 20 pactl info >/dev/null 2>&1 || { echo "PulseAudio did not start" >&2; return 1; }
  pactl set-default-sink vtsink && pactl set-default-source vtsink.monitor

  cat > "$dir/env.sh" <<ENV
export WINEPREFIX="$dir/prefix"
export WINEDEBUG=-all
# A test may add overrides of its own (VT_DLL_OVERRIDES, e.g. "mapi32=n").
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d\${VT_DLL_OVERRIDES:+;\$VT_DLL_OVERRIDES}"
export DISPLAY=":$display"
export XDG_RUNTIME_DIR="$run"
export PULSE_SERVER="unix:$run/pulse.sock"
export VT_PULSE_SINK=vtsink
export VT_TESTENV_DIR="$dir"
ENV
  . "$dir/env.sh"
  "$WINESERVER" -p -f > "$dir/wineserver.log" 2>&1 &
  echo "wineserver $!" >> "$dir/pids"
  if [ ! -f "$WINEPREFIX/.vocatrack-ready" ]; then
    "$WINE_LOADER" wineboot -i > "$dir/wineboot.log" 2>&1
    "$WINE_LOADER" winecfg -v vista >> "$dir/wineboot.log" 2>&1
    "$WINE_LOADER" reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' /v CurrentVersion 2>/dev/null \
      | grep -q '6\.0' || { echo "Wine prefix set-up failed (see $dir/wineboot.log)" >&2; return 1; }
    touch "$WINEPREFIX/.vocatrack-ready"
  else
    # Start the prefix's services here, with their output in the log: started by
    # the first test program instead, they would keep its output pipe open and
    # CTest would wait for them until the time-out.
    "$WINE_LOADER" wineboot > "$dir/wineboot.log" 2>&1
  fi
  # Components the installer would register (HKLM Software\Ardentine\Components\<name>,
  # value Path), from the paths the build gives: VT_COMPONENT_MP3EL for mp3el.
  if [ -n "${VT_COMPONENT_MP3EL:-}" ]; then
    "$WINE_LOADER" reg add 'HKLM\Software\Ardentine\Components\mp3el' /v Path /t REG_SZ \
      /d "Z:${VT_COMPONENT_MP3EL//\//\\}" /f >> "$dir/wineboot.log" 2>&1 \
      || { echo "registering the component mp3el failed" >&2; return 1; }
  fi
  # The first program of a session starts the prefix's services, which keep its standard
  # output: start them here, so that they do not hold a test's output pipe open.
  "$WINE_LOADER" cmd /c exit >> "$dir/wineboot.log" 2>&1
  echo "test environment up: display :$display, prefix $WINEPREFIX"
}

case "$cmd" in
  start) start_env || { stop_env; exit 1; } ;;
  stop) stop_env ;;
  *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
