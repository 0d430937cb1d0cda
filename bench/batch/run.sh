#!/usr/bin/env bash
# Batches on every core: 20 WAV files of 30 s to MP3 preset 2 with
# --jobs 2 against xargs -P2 running the ffmpeg CLI with the same options and
# against --jobs 1; 20 clips of 3 s at 1280x720 to AVI preset 3 with --jobs 2
# against --jobs 1. Runs alternate; medians of RUNS (default 5).
# Usage: bench/batch/run.sh <bin folder>
set -euo pipefail
bin=$(cd "${1:?usage: run.sh <bin folder>}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib.sh"
runs=${RUNS:-5}
cli="$bin/mediaconv-cli"
[[ -x $cli ]] || { echo "batch: $cli is not built" >&2; exit 1; }

data="$bin/../bench-data/batch"
mkdir -p "$data/wav" "$data/clips"
for i in $(seq -w 1 20); do
  wav="$data/wav/tone$i.wav"
  [[ -s $wav ]] || ffmpeg -nostdin -v error -y -f lavfi -i "sine=frequency=$((200 + 10#$i * 20)):sample_rate=44100:duration=30" \
    -ac 2 "$wav.part.wav" && [[ -s $wav ]] || mv "$data/wav/tone$i.wav.part.wav" "$wav"
  clip="$data/clips/clip$i.mp4"
  [[ -s $clip ]] || { ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=3" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=3" -ac 2 -c:v libx264 -preset veryfast \
    -b:v 4000k -pix_fmt yuv420p -c:a aac -b:a 128k "$clip.part.mp4" && mv "$clip.part.mp4" "$clip"; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
prepare="rm -rf $work/out && mkdir -p $work/out"

mp3="--format MP3 --preset 2"
jobs2="$cli convert --quiet --jobs 2 $mp3 --out $work/out $data/wav/*.wav"
jobs1="$cli convert --quiet --jobs 1 $mp3 --out $work/out $data/wav/*.wav"
xargs2="printf '%s\n' $data/wav/*.wav | xargs -P2 -n1 sh -c 'ffmpeg -nostdin -v error -y -i \"\$0\" -vn -c:a libmp3lame -ac 2 -ar 48000 -b:a 256k $work/out/\$(basename \"\$0\" .wav).mp3'"
read -r t2 m2 tx mx t1 m1 <<<"$(bench_measure "$runs" "$prepare" "$jobs2" "$xargs2" "$jobs1" | tr '\n' ' ')"
awk -v a="$t2" -v b="$tx" -v c="$t1" -v m="$m2" -v n="$mx" 'BEGIN {
  printf "batch mp3 x20: --jobs 2 %.2f s, xargs -P2 ffmpeg %.2f s, ratio %.3f (goal <= 0.85); --jobs 1 %.2f s, ratio %.3f (goal <= 0.6); peak %d kB vs %d kB per ffmpeg\n",
    a, b, a / b, c, a / c, m, n }'
bench_row "batch mp3 x20 --jobs 2" "$t2" "xargs -P2 ffmpeg" "$tx" "$m2" "$mx" "time <= 0.85"
bench_row "batch mp3 x20 --jobs 2" "$t2" "--jobs 1" "$t1" "$m2" "$m1" "time <= 0.6"

avi="--format AVI --preset 3"
read -r a2 n2 a1 n1 <<<"$(bench_measure "$runs" "$prepare" \
  "$cli convert --quiet --jobs 2 $avi --out $work/out $data/clips/*.mp4" \
  "$cli convert --quiet --jobs 1 $avi --out $work/out $data/clips/*.mp4" | tr '\n' ' ')"
awk -v a="$a2" -v b="$a1" 'BEGIN {
  printf "batch avi x20: --jobs 2 %.2f s, --jobs 1 %.2f s, ratio %.3f (goal <= 1.0)\n", a, b, a / b }'
bench_row "batch avi x20 --jobs 2" "$a2" "--jobs 1" "$a1" "$n2" "$n1" "time <= 1.0"
