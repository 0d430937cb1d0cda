#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
#   scripts/fuzz.sh [build dir] [target...]
# FUZZ_SECONDS (default 60) is the time per target; FUZZ_ARGS adds libFuzzer
# options (e.g. FUZZ_ARGS="-jobs=2 -workers=2"). Each target's corpus grows
# in <build dir>/fuzz/corpus/<target>, seeded from fuzz/corpus/<target>; a
# crashing input lands in <build dir>/fuzz/findings/<target>/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-fuzz}
shift || true
seconds=${FUZZ_SECONDS:-60}
clang=${CLANG:-clang}
clangxx=${CLANGXX:-clang++}

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
CC=$clang CXX=$clangxx cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMEDIACONV_FUZZ=ON -DMEDIACONV_TESTS=OFF -DMEDIACONV_GUI=OFF "${launcher[@]}" >/dev/null

if [ $# -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < <(cd "$root/fuzz/corpus" && ls)
fi
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

failed=()
printf '%-20s %12s %8s %s\n' target executions seconds result
for target in "${targets[@]}"; do
  corpus=$build/fuzz/corpus/$target
  findings=$build/fuzz/findings/$target
  mkdir -p "$corpus" "$findings"
  log=$build/fuzz/$target.log
  status=0
  # The leak check stays on: a leak on a bad input is a finding too.
  "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
    -artifact_prefix="$findings/" -print_final_stats=1 ${FUZZ_ARGS:-} \
    "$corpus" "$root/fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  if [ "$status" -eq 0 ]; then
    result="no finding"
  else
    result="FINDING (exit $status): $(ls "$findings" | tr '\n' ' ') see $log"
    failed+=("$target")
  fi
  printf '%-20s %12s %8s %s\n' "$target" "${runs:-?}" "${took:-?}" "$result"
done
[ ${#failed[@]} -eq 0 ] || { echo "findings in: ${failed[*]}" >&2; exit 1; }
