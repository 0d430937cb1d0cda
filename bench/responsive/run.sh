#!/usr/bin/env bash
# The window's event loop while a 40 s 720p H.264 file converts into MP4
# through Step3: the longest gap between two loop turns (goal < 50 ms).
# Usage: bench/responsive/run.sh <bin folder>
set -euo pipefail
bin=$(cd "${1:?usage: run.sh <bin folder>}" && pwd)
[[ -x $bin/bench_responsive ]] || { echo "responsive: not built" >&2; exit 1; }
data="$bin/../bench-data/responsive"
mkdir -p "$data"
input="$data/hd40.mp4"
if [[ ! -s $input ]]; then
  ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=40" \
    -f lavfi -i "sine=duration=40" -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac "$data/part.mp4"
  mv "$data/part.mp4" "$input"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
line=$("$bin/bench_responsive" "$input" "$work" 2>/dev/null | grep '^run')
echo "responsive: $line"
gap=$(sed -E 's/.*longest gap ([0-9]+) ms.*/\1/' <<<"$line")
((gap < 50))
