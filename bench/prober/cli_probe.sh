#!/usr/bin/env bash
# The ffmpeg CLI doing what bench_prober does: describe each listed file,
# then write the picture from its middle.
set -euo pipefail
list=$1 out=$2
i=0
while IFS= read -r file; do
  duration=$(ffprobe -v error -show_format -show_streams "$file" | sed -n 's/^duration=//p' | head -n1)
  middle=$(awk -v d="$duration" 'BEGIN { printf "%.3f", d / 2 }')
  ffmpeg -nostdin -v error -y -ss "$middle" -i "$file" -frames:v 1 "$out/$i.bmp"
  i=$((i + 1))
done <"$list"
