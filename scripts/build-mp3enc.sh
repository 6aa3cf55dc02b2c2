#!/usr/bin/env bash
# Builds the Windows MP3 encoder component (mp3enc.exe) from Debian's `lame`
# source package, cross-compiled with MinGW-w64 and linked statically.
#
#   build-mp3enc.sh OUTPUT_EXE [WORK_DIR]
#
# Nothing is done when OUTPUT_EXE already exists. The source is fetched with
# `apt-get source` through a private, temporary apt configuration whose entries
# are this machine's own Debian entries turned into source entries, so the
# system's apt state is left untouched.
set -eu
out=${1:?usage: build-mp3enc.sh OUTPUT_EXE [WORK_DIR]}
[ -f "$out" ] && exit 0
mkdir -p "$(dirname "$out")"
out_dir=$(cd "$(dirname "$out")" && pwd)
out="$out_dir/$(basename "$out")"
work=${2:-$out_dir/mp3enc-work}
host=x86_64-w64-mingw32
jobs=${MP3ENC_JOBS:-1}

for tool in apt-get dpkg-source $host-gcc make; do
  command -v "$tool" >/dev/null || { echo "build-mp3enc: $tool is missing (run scripts/install-deps.sh)" >&2; exit 1; }
done

rm -rf "$work"
mkdir -p "$work"
apt_dir="$work/apt"
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
: >"$apt_dir/sources.list"

# deb822 files: every stanza becomes a source stanza (Types, URIs, Suites,
# Components and Signed-By kept as they are).
n=0
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  n=$((n + 1))
  sed 's/^Types:.*$/Types: deb-src/' "$f" >"$apt_dir/sources.list.d/src$n.sources"
done
# One-line files: each `deb` line becomes a `deb-src` line.
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$f" ] || continue
  sed -n 's/^[[:space:]]*deb\([[:space:]]\)/deb-src\1/p' "$f" >>"$apt_dir/sources.list"
done
if [ "$n" -eq 0 ] && [ ! -s "$apt_dir/sources.list" ]; then
  echo "build-mp3enc: no Debian entries found in the system's apt sources" >&2
  exit 1
fi

apt_private=(
  -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o "APT::Sandbox::User=$(id -un)"
)
log="$work/build.log"
echo "build-mp3enc: fetching the lame source package" >&2
(
  cd "$work"
  apt-get -q "${apt_private[@]}" update
  apt-get -q "${apt_private[@]}" source lame
) >"$log" 2>&1 || { echo "build-mp3enc: fetching the source failed; see $log" >&2; tail -20 "$log" >&2; exit 1; }

src=$(find "$work" -maxdepth 1 -type d -name 'lame-*' | head -n 1)
[ -n "$src" ] || { echo "build-mp3enc: no unpacked source in $work" >&2; exit 1; }

echo "build-mp3enc: cross-compiling the encoder front end" >&2
(
  cd "$src"
  # -static: the program must start on a bare Windows without MinGW's runtime DLLs.
  ./configure --host=$host --disable-shared --enable-static --disable-gtktest \
    --disable-decoder --disable-frontend-sndfile LDFLAGS=-static
  make -j"$jobs"
) >>"$log" 2>&1 || { echo "build-mp3enc: the build failed; see $log" >&2; tail -20 "$log" >&2; exit 1; }

exe="$src/frontend/lame.exe"
[ -f "$exe" ] || { echo "build-mp3enc: $exe was not produced" >&2; exit 1; }
# Only DLLs that every Windows has may be imported.
if command -v $host-objdump >/dev/null; then
  extra=$($host-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' |
    grep -viE '^(kernel32|msvcrt|user32|advapi32|ws2_32|winmm)\.dll$' || true)
  [ -z "$extra" ] || { echo "build-mp3enc: unexpected DLL imports: $extra" >&2; exit 1; }
fi
$host-strip -o "$out.tmp" "$exe" 2>/dev/null || cp "$exe" "$out.tmp"
mv "$out.tmp" "$out"
rm -rf "$work"
echo "build-mp3enc: built $out" >&2
