#!/usr/bin/env bash
# Runs every benchmark (bench/<name>/run.sh) against the executables in the
# given bin folder. Each one prints its medians and its ratio to the CLI.
set -euo pipefail
bin=$(cd "${1:?usage: bench/run.sh <bin folder>}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
status=0
for script in "$here"/*/run.sh; do
  echo "== $(basename "$(dirname "$script")")"
  "$script" "$bin" || status=1
done
exit $status
