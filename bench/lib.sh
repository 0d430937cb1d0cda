# Shared by the benchmarks: alternating measurement of our command and its
# peer, and the rows of bench/report.sh's table.

# bench_measure RUNS PREPARE COMMAND...: runs the shell command lines in turn,
# RUNS rounds, PREPARE before each; prints per command "median_s median_kb"
# (wall time and peak resident size of the largest process).
bench_measure() {
  local runs=$1 prepare=$2
  shift 2
  local out
  out=$(mktemp)
  local round i
  for ((round = 0; round < runs; round++)); do
    for ((i = 1; i <= $#; i++)); do
      eval "$prepare"
      local start end
      start=$(date +%s%N)
      /usr/bin/time -f '%M' -o "$out.kb" sh -c "${!i}" >/dev/null 2>&1 || { echo "bench: failed: ${!i}" >&2; rm -f "$out"*; return 1; }
      end=$(date +%s%N)
      echo "$i $(((end - start) / 1000)) $(tail -n 1 "$out.kb")" >>"$out"
    done
  done
  for ((i = 1; i <= $#; i++)); do
    local time kb
    time=$(awk -v i="$i" '$1 == i { print $2 }' "$out" | sort -n | awk '{ v[NR] = $1 } END { printf "%.4f", v[int((NR + 1) / 2)] / 1e6 }')
    kb=$(awk -v i="$i" '$1 == i { print $3 }' "$out" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
    echo "$time $kb"
  done
  rm -f "$out" "$out.kb"
}

# bench_row NAME OURS_S PEER_NAME PEER_S OURS_KB PEER_KB GOAL: one row of the
# report's table (to BENCH_TABLE when set); "-" for a figure not measured.
bench_row() {
  [[ -n ${BENCH_TABLE:-} ]] || return 0
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$@" >>"$BENCH_TABLE"
}
