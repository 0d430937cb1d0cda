#!/usr/bin/env bash
# Adding 100 short files to Step1 (bench_filelist: TFileListPage::AddFiles,
# offscreen) against probing them with a thumbnail (bench_prober) on the same
# files, the prober benchmark's inputs. The page may cost at most 1.2 x.
# Usage: bench/filelist/run.sh <bin folder>   (RUNS=n for more or fewer runs)
set -euo pipefail
bin=$(cd "${1:?usage: run.sh <bin folder>}" && pwd)
runs=${RUNS:-9}
count=100
[[ -x $bin/bench_filelist && -x $bin/bench_prober ]] || { echo "filelist: not built" >&2; exit 1; }

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
hyperfine --style basic --warmup 1 --runs "$runs" --export-json "$work/times.json" -N \
  -n bench_filelist "$bin/bench_filelist --list $list" -n bench_prober "$bin/bench_prober --list $list" >&2
python3 -c 'import json, sys
r = json.load(open(sys.argv[1]))["results"]
ratio = r[0]["median"] / r[1]["median"]
print("filelist: page %.3f s, prober %.3f s (medians), ratio %.2f (goal <= 1.20)" % (r[0]["median"], r[1]["median"], ratio))
import os
if os.environ.get("BENCH_TABLE"):
    with open(os.environ["BENCH_TABLE"], "a") as table:
        table.write("filelist page\t%s\tbench_prober\t%s\t-\t-\ttime <= 1.20\n" % (r[0]["median"], r[1]["median"]))
sys.exit(0 if ratio <= 1.2 else 1)' "$work/times.json"
