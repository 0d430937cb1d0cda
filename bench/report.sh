#!/usr/bin/env bash
# Every benchmark side by side with its peer (ffmpeg, ffprobe, curl, xargs -P
# over ffmpeg), median of RUNS (default 5), then one table of wall-time and
# peak-memory ratios. Usage: bench/report.sh <bin folder>
set -uo pipefail
bin=$(cd "${1:?usage: bench/report.sh <bin folder>}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
export RUNS=${RUNS:-5}
export BENCH_TABLE
BENCH_TABLE=$(mktemp)
trap 'rm -f "$BENCH_TABLE"' EXIT

status=0
for script in "$here"/*/run.sh; do
  echo "== $(basename "$(dirname "$script")")"
  "$script" "$bin" || status=1
done

echo
printf '%-34s %-17s %9s %9s %7s %10s %10s %7s  %s\n' benchmark peer "ours s" "peer s" ratio "ours kB" "peer kB" ratio goal
awk -F'\t' '{
  time = ($4 > 0) ? sprintf("%.3f", $2 / $4) : "-"
  memory = ($5 != "-" && $6 != "-" && $6 > 0) ? sprintf("%.3f", $5 / $6) : "-"
  printf "%-34s %-17s %9.3f %9.3f %7s %10s %10s %7s  %s\n", $1, $3, $2, $4, time, $5, $6, memory, $7
}' "$BENCH_TABLE"
exit $status
