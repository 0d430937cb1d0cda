#!/usr/bin/env bash
# Probing plus a middle thumbnail for 100 short files: bench_prober (one
# process) against ffprobe + ffmpeg -ss <middle> -frames:v 1 per file.
# Usage: bench/prober/run.sh <bin folder>   (RUNS=n for more or fewer runs)
set -euo pipefail
bin=$(cd "${1:?usage: run.sh <bin folder>}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
runs=${RUNS:-5}
count=100
prober="$bin/bench_prober"
[[ -x $prober ]] || { echo "prober: $prober is not built" >&2; exit 1; }

# The inputs are made once per build tree: 1 to 3 s of testsrc2 and a sine
# tone, 320x240, H.264 and AAC in MP4, as a camera or a download gives them.
data="$bin/../bench-data/prober"
mkdir -p "$data"
list="$data/files.txt"
: >"$list.part"
for ((i = 0; i < count; i++)); do
  file="$data/clip$i.mp4"
  if [[ ! -s $file ]]; then
    seconds=$((1 + i % 3))
    ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=320x240:rate=25:duration=$seconds" \
      -f lavfi -i "sine=frequency=$((200 + 7 * i)):duration=$seconds" \
      -c:v libx264 -pix_fmt yuv420p -c:a aac "$file.part.mp4"
    mv "$file.part.mp4" "$file"
  fi
  echo "$file" >>"$list.part"
done
mv "$list.part" "$list"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/ours" "$work/cli"
ours="$prober --list $list --out $work/ours"
cli="$here/cli_probe.sh $list $work/cli"
# Both must produce every thumbnail before their times mean anything.
$ours && "$here/cli_probe.sh" "$list" "$work/cli"
[[ $(ls "$work/ours" | wc -l) -eq $count && $(ls "$work/cli" | wc -l) -eq $count ]] ||
  { echo "prober: thumbnails missing" >&2; exit 1; }

if command -v hyperfine >/dev/null; then
  hyperfine --style basic --warmup 1 --runs "$runs" --export-json "$work/times.json" \
    -n bench_prober "$ours" -n "ffprobe+ffmpeg" "$cli" >&2
  if command -v jq >/dev/null; then
    read -r ourMedian cliMedian < <(jq -r '.results | "\(.[0].median) \(.[1].median)"' "$work/times.json")
  else
    read -r ourMedian cliMedian < <(python3 -c 'import json, sys
r = json.load(open(sys.argv[1]))["results"]
print(r[0]["median"], r[1]["median"])' "$work/times.json")
  fi
else
  median() {
    local times=()
    for ((r = 0; r < runs; r++)); do
      local start=$(date +%s%N)
      eval "$1" >/dev/null
      times+=($(($(date +%s%N) - start)))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "%.6f", t[int((NR + 1) / 2)] / 1e9 }'
  }
  ourMedian=$(median "$ours")
  cliMedian=$(median "$cli")
fi
awk -v a="$ourMedian" -v b="$cliMedian" -v n="$count" 'BEGIN {
  printf "prober: %d files, median bench_prober %.3f s, ffprobe+ffmpeg %.3f s, ratio %.3f (goal <= 0.5)\n", n, a, b, a / b }'
[[ -z ${BENCH_TABLE:-} ]] ||
  printf 'prober %s files\t%s\tffprobe+ffmpeg\t%s\t-\t-\ttime <= 0.5\n' "$count" "$ourMedian" "$cliMedian" >>"$BENCH_TABLE"
