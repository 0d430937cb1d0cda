#!/usr/bin/env bash
# The four conversions of a converter's everyday work on a 20-second 1280x720
# H.264/AAC source, bench_transcode against the ffmpeg CLI with the same
# options: wall time (median of RUNS, default 5) and peak memory (median of
# the maximum resident sizes). Usage: bench/transcode/run.sh <bin folder>
set -euo pipefail
bin=$(cd "${1:?usage: run.sh <bin folder>}" && pwd)
runs=${RUNS:-5}
ours="$bin/bench_transcode"
[[ -x $ours ]] || { echo "transcode: $ours is not built" >&2; exit 1; }

data="$bin/../bench-data/transcode"
mkdir -p "$data"
source="$data/source-720p-20s.mp4"
if [[ ! -s $source ]]; then
  ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=20" \
    -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=20" \
    -c:v libx264 -preset veryfast -b:v 4000k -pix_fmt yuv420p -c:a aac -b:a 128k "$source.part.mp4"
  mv "$source.part.mp4" "$source"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# name | extension | our option lines | the CLI's options
cases=(
  "avi-mpeg4-mp3|avi|vcodec=mpeg4;b=1500000;acodec=libmp3lame;ab=192000|-c:v mpeg4 -b:v 1500k -c:a libmp3lame -b:a 192k"
  "mp4-x264-480p|mp4|vcodec=libx264;s=848x480;b=2600000;acodec=aac;ab=128000|-c:v libx264 -s 848x480 -b:v 2600k -c:a aac -b:a 128k"
  "mov-copy|mov|vcodec=copy;acodec=copy|-c copy"
  "mp3-extract|mp3|vn=1;acodec=libmp3lame;ab=192000|-vn -c:a libmp3lame -b:a 192k"
)

# Median of the maximum resident set sizes (kB) of RUNS runs of a command.
peak_kb() {
  local sizes=()
  for ((r = 0; r < runs; r++)); do
    sizes+=($(/usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -n 1))
  done
  printf '%s\n' "${sizes[@]}" | sort -n | awk '{ s[NR] = $1 } END { print s[int((NR + 1) / 2)] }'
}

# Median wall time (s) of RUNS runs of a command line.
median_s() {
  if command -v hyperfine >/dev/null; then
    hyperfine --style none --warmup 1 --runs "$runs" --export-json "$work/t.json" "$1" >/dev/null
    python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["results"][0]["median"])' "$work/t.json"
  else
    local times=()
    for ((r = 0; r < runs; r++)); do
      local start=$(date +%s%N)
      eval "$1" >/dev/null
      times+=($(($(date +%s%N) - start)))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "%.6f", t[int((NR + 1) / 2)] / 1e9 }'
  fi
}

status=0
for entry in "${cases[@]}"; do
  IFS='|' read -r name ext ourOptions cliOptions <<<"$entry"
  ourOut="$work/ours-$name.$ext"
  cliOut="$work/cli-$name.$ext"
  ourCommand="$ours $source $ourOut '$ourOptions'"
  cliCommand="ffmpeg -nostdin -v error -y -i $source $cliOptions $cliOut"
  # Both must convert before their numbers mean anything.
  if ! eval "$ourCommand" || ! eval "$cliCommand"; then
    echo "transcode: $name failed" >&2
    status=1
    continue
  fi
  ourTime=$(median_s "$ourCommand")
  cliTime=$(median_s "$cliCommand")
  ourPeak=$(peak_kb "$ours" "$source" "$ourOut" "$ourOptions")
  cliPeak=$(peak_kb ffmpeg -nostdin -v error -y -i "$source" $cliOptions "$cliOut")
  awk -v n="$name" -v a="$ourTime" -v b="$cliTime" -v m="$ourPeak" -v c="$cliPeak" 'BEGIN {
    printf "transcode %-14s time %.3f s vs ffmpeg %.3f s, ratio %.3f (goal <= 1.05); peak %d kB vs %d kB, ratio %.3f (goal <= 1.25)\n",
      n, a, b, a / b, m, c, m / c }'
  [[ -z ${BENCH_TABLE:-} ]] ||
    printf 'transcode %s\t%s\tffmpeg\t%s\t%s\t%s\ttime <= 1.05, memory <= 1.25\n' "$name" "$ourTime" "$cliTime" \
      "$ourPeak" "$cliPeak" >>"$BENCH_TABLE"
done
exit $status
