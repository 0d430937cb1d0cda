#!/usr/bin/env bash
# mediaconv-cli download against curl -o of the same media address: one
# 256 MiB media answer (SIZE bytes) from the loopback video service, reached
# through the proxy setting. Whole process wall time, median of RUNS
# (default 5) with hyperfine, and the peak resident memory of the CLI.
# Goals: at most 4 x curl's time, peak memory under 64 MiB.
# Usage: bench/download/run.sh <bin folder>
set -euo pipefail
bin=$(cd "${1:?usage: run.sh <bin folder>}" && pwd)
runs=${RUNS:-5}
size=${SIZE:-268435456}
cli="$bin/mediaconv-cli"
service="$bin/bench_video_service"
for tool in "$cli" "$service"; do
  [[ -x $tool ]] || { echo "download: $tool is not built" >&2; exit 1; }
done
command -v hyperfine >/dev/null || { echo "download: hyperfine is needed" >&2; exit 1; }
command -v curl >/dev/null || { echo "download: curl is needed" >&2; exit 1; }

work=$(mktemp -d)
exec 3> >("$service" "$size" >"$work/port")
trap 'exec 3>&-; rm -rf "$work"' EXIT
for _ in $(seq 100); do [[ -s $work/port ]] && break; sleep 0.05; done
port=$(cat "$work/port")
# Only the service's hosts go through the proxy; nothing leaves the machine.
export http_proxy="http://127.0.0.1:$port" no_proxy="" NO_PROXY=""
export XDG_CONFIG_HOME="$work/config"

page="http://www.youtube.com/watch?v=big"
media="http://youtube.com/get_video?video_id=big&&t=tok&"
ours="$cli download --no-prefer --quiet --out $work/ours $page"
theirs="curl -s -f -o $work/curl.flv $media"
prepare="rm -rf $work/ours $work/curl.flv"

eval "$prepare"
$ours
$theirs
stored="$work/ours/Big & Long.flv"
[[ $(stat -c %s "$stored") == "$size" && $(stat -c %s "$work/curl.flv") == "$size" ]] ||
  { echo "download: a download is incomplete" >&2; exit 1; }
cmp -s "$stored" "$work/curl.flv" || { echo "download: the files differ" >&2; exit 1; }

eval "$prepare"
peak=$(/usr/bin/time -f %M $ours 2>&1 >/dev/null | tail -1)
hyperfine -N --style basic --warmup 1 --runs "$runs" --prepare "$prepare" --export-json "$work/times.json" \
  -n mediaconv-cli "$ours" -n curl "$theirs" >&2
eval "$prepare"
curlPeak=$(/usr/bin/time -f %M $theirs 2>&1 >/dev/null | tail -1)
python3 - "$work/times.json" "$size" "$peak" "$curlPeak" <<'PY'
import json, os, sys
ours, curl = (r["median"] for r in json.load(open(sys.argv[1]))["results"])
mib = int(sys.argv[2]) / 1048576
print(f"download {mib:.0f} MiB: median mediaconv-cli {ours:.3f} s, curl {curl:.3f} s, "
      f"ratio {ours / curl:.2f} (goal <= 4); peak memory {int(sys.argv[3]) / 1024:.1f} MiB (goal < 64)")
if os.environ.get("BENCH_TABLE"):
    with open(os.environ["BENCH_TABLE"], "a") as table:
        table.write(f"download {mib:.0f} MiB\t{ours}\tcurl\t{curl}\t{sys.argv[3]}\t{sys.argv[4]}\ttime <= 4\n")
PY
