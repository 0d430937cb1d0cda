#!/usr/bin/env bash
# Installs the Debian 12 packages that the build, the program and the tests
# need. Only what is missing is installed, so a second run is quick.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config make
  libavcodec-dev libavformat-dev libavutil-dev libavfilter-dev
  libswscale-dev libswresample-dev
  qt6-base-dev qt6-multimedia-dev libqt6dbus6
  libcurl4-openssl-dev libpcre2-dev libssl-dev openssl curl
  googletest libgtest-dev libgmock-dev
  ffmpeg xvfb xauth hyperfine
  # What the window needs at run time (and the artwork generator at build
  # time): its typeface, the platform plugins (xcb, offscreen) and the
  # multimedia backends that play the sounds through PulseAudio.
  fonts-dejavu-core qt6-qpa-plugins libqt6multimedia6
)
# make fuzz also needs clang and its libFuzzer runtime.
[[ "${1:-}" == fuzz ]] && packages+=(clang libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
