#!/usr/bin/env bash
# mediaconv-cli convert against the ffmpeg CLI given the same options, on a
# 20-second 1280x720 H.264/AAC source: AVI preset 3 (MPEG-4 1500 kbps with
# MP3 192 kbps, 44.1 kHz) and MP3 preset 2 (256 kbps, 48 kHz). Whole
# process wall time, median of RUNS (default 10) with hyperfine, run
# without a shell in between.
# Usage: bench/convert/run.sh <bin folder>
set -euo pipefail
bin=$(cd "${1:?usage: run.sh <bin folder>}" && pwd)
runs=${RUNS:-10}
cli="$bin/mediaconv-cli"
[[ -x $cli ]] || { echo "convert: $cli is not built" >&2; exit 1; }
command -v hyperfine >/dev/null || { echo "convert: hyperfine is needed" >&2; exit 1; }

data="$bin/../bench-data/convert"
mkdir -p "$data"
source="$data/source-720p-20s.mp4"
if [[ ! -s $source ]]; then
  ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=20" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=20" -ac 2 \
    -c:v libx264 -preset veryfast -b:v 4000k -pix_fmt yuv420p -c:a aac -b:a 128k "$source.part.mp4"
  mv "$source.part.mp4" "$source"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The CLI reads the user's settings for its defaults; give it none.
export XDG_CONFIG_HOME="$work/config"

# name | our format and preset | the ffmpeg CLI's options for the same preset | extension
cases=(
  "avi-preset-3|--format AVI --preset 3|-c:v mpeg4 -vtag XVID -b:v 1500k -c:a libmp3lame -ac 2 -ar 44100 -b:a 192k|avi"
  "mp3-preset-2|--format MP3 --preset 2|-vn -c:a libmp3lame -ac 2 -ar 48000 -b:a 256k|mp3"
)

status=0
for entry in "${cases[@]}"; do
  IFS='|' read -r name ourOptions cliOptions ext <<<"$entry"
  ours="$cli convert --quiet $ourOptions --out $work/ours $source"
  theirs="ffmpeg -nostdin -v error -y -i $source $cliOptions $work/cli.$ext"
  prepare="rm -rf $work/ours $work/cli.$ext"
  # Both must convert before their times mean anything.
  if ! (eval "$prepare" && eval "$ours" && eval "$theirs"); then
    echo "convert: $name failed" >&2
    status=1
    continue
  fi
  hyperfine -N --style basic --warmup 2 --runs "$runs" --prepare "$prepare" --export-json "$work/$name.json" \
    -n mediaconv-cli "$ours" -n ffmpeg "$theirs" >&2
  eval "$prepare"
  ourPeak=$(/usr/bin/time -f %M $ours 2>&1 >/dev/null | tail -1)
  cliPeak=$(/usr/bin/time -f %M $theirs 2>&1 >/dev/null | tail -1)
  python3 - "$work/$name.json" "$name" "$ourPeak" "$cliPeak" <<'PY'
import json, os, sys
ours, cli = (r["median"] for r in json.load(open(sys.argv[1]))["results"])
print(f"convert {sys.argv[2]}: median mediaconv-cli {ours:.3f} s, ffmpeg {cli:.3f} s, ratio {ours / cli:.3f} (goal <= 1.05); "
      f"peak {sys.argv[3]} kB vs {sys.argv[4]} kB")
if os.environ.get("BENCH_TABLE"):
    with open(os.environ["BENCH_TABLE"], "a") as table:
        table.write(f"convert {sys.argv[2]}\t{ours}\tffmpeg\t{cli}\t{sys.argv[3]}\t{sys.argv[4]}\ttime <= 1.05\n")
PY
done
exit $status
