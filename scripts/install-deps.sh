#!/usr/bin/env bash
# Installs, from Debian's packages only, whatever the build and the tests need
# and this machine lacks. Quick when everything is already there.
set -eu
packages=(
  build-essential cmake make pkg-config
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-tools
  wine wine64
  xvfb x11-utils xdotool imagemagick
  pulseaudio pulseaudio-utils
  sox libsox-fmt-all mpg123 lame
  googletest libgtest-dev
  dpkg-dev python3 espeak-ng valgrind
  clang libclang-rt-14-dev ffmpeg
  python3-aiosmtpd python3-pyftpdlib python3-openssl python3-mutagen id3v2 libimage-exiftool-perl
  python3-cryptography
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
