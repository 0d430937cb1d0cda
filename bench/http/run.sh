#!/usr/bin/env bash
# A 256 MiB body over loopback: bench_http into memory with and without an
# OnProgress handler on the main thread (4096-byte blocks), against
# `curl -o /dev/null` on the same URL: medians of RUNS (default 5), rates and
# ratios (goals: >= 0.25 x curl with the handler, >= 0.8 x without); then the
# peak memory of the same run into a file (goal: under 64 MiB).
# Usage: bench/http/run.sh <bin folder>
set -euo pipefail
bin=$(cd "${1:?usage: run.sh <bin folder>}" && pwd)
runs=${RUNS:-5}
ours="$bin/bench_http"
[[ -x $ours ]] || { echo "http: $ours is not built" >&2; exit 1; }
size=$((256 * 1024 * 1024))

work=$(mktemp -d)
exec 3> >("$ours" serve "$size" "$work/port")
server=$!
trap 'exec 3>&-; wait $server 2>/dev/null || true; rm -rf "$work"' EXIT
for ((i = 0; i < 100; i++)); do [[ -s $work/port ]] && break; sleep 0.05; done
url="http://127.0.0.1:$(cat "$work/port")/blob"

hyperfine --style basic --warmup 1 --runs "$runs" --export-json "$work/times.json" \
  -n "bench_http+progress" "$ours fetch $url --progress" \
  -n "bench_http" "$ours fetch $url" \
  -n "curl" "curl -s -o /dev/null $url" >&2
read -r withHandler without curlTime < <(python3 -c 'import json, sys
r = json.load(open(sys.argv[1]))["results"]
print(r[0]["median"], r[1]["median"], r[2]["median"])' "$work/times.json")

/usr/bin/time -v "$ours" fetch "$url" --progress --file "$work/blob.bin" 2>"$work/time.txt" >/dev/null
peak=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt")
[[ $(stat -c %s "$work/blob.bin") -eq $size ]] || { echo "http: the file is incomplete" >&2; exit 1; }

awk -v a="$withHandler" -v b="$without" -v c="$curlTime" -v s="$size" -v p="$peak" 'BEGIN {
  mib = s / 1048576
  printf "http: 256 MiB over loopback, medians: with OnProgress %.0f MiB/s, without %.0f MiB/s, curl %.0f MiB/s\n", mib / a, mib / b, mib / c
  printf "http: ratio to curl with the handler %.2f (goal >= 0.25), without %.2f (goal >= 0.8)\n", c / a, c / b
  printf "http: peak memory into a file %.1f MiB (goal < 64)\n", p / 1024 }'
curlPeak=$(/usr/bin/time -f %M curl -s -o "$work/curl.bin" "$url" 2>&1 >/dev/null | tail -1)
if [[ -n ${BENCH_TABLE:-} ]]; then
  printf 'http 256 MiB, OnProgress\t%s\tcurl\t%s\t%s\t%s\tspeed >= 0.25 x curl\n' "$withHandler" "$curlTime" "$peak" "$curlPeak" >>"$BENCH_TABLE"
  printf 'http 256 MiB\t%s\tcurl\t%s\t-\t-\tspeed >= 0.8 x curl\n' "$without" "$curlTime" >>"$BENCH_TABLE"
fi
