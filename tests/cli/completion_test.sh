#!/usr/bin/env bash
# The bash completion offers every command and each command's options as
# --help lists them, and the format names that `presets` lists.
#   completion_test.sh <mediaconv-cli> <completion file>
set -euo pipefail
cli=$1
source "$2"
fail() { echo "completion_test: $*" >&2; exit 1; }
export XDG_CONFIG_HOME=$(mktemp -d) HOME
HOME=$XDG_CONFIG_HOME
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT

complete_line() {  # the words of a line; the last one is being completed
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _mediaconv_cli
  printf '%s\n' "${COMPREPLY[@]}" | sort
}

options_of() {  # the options that --help lists for a command
  "$cli" "$@" --help | sed -n 's/^  \(--[a-z-]*\).*/\1/p' | sort
}

commands=$("$cli" --help | sed -n '/^commands:/,/^$/s/^  \([a-z]*\) .*/\1/p' | sort)
[[ -n $commands ]] || fail "no commands in --help"
expected=$(printf '%s\n' $commands $(options_of) | sort)
[[ $(complete_line mediaconv-cli '') == "$expected" ]] || fail "first word offers $(complete_line mediaconv-cli '' | tr '\n' ' ')"
for command in $commands; do
  got=$(complete_line mediaconv-cli "$command" --)
  [[ $got == "$(options_of "$command")" ]] || fail "$command offers $(tr '\n' ' ' <<<"$got"), help lists $(options_of "$command" | tr '\n' ' ')"
done

formats=$("$cli" presets | sed -n 's/^\(video\|device\|audio\) \([^ ]*\) .*/\2/p' | sort)
[[ -n $formats ]] || fail "presets lists no format"
[[ $(complete_line mediaconv-cli convert --format '') == "$formats" ]] || fail "format names differ from presets: $(complete_line mediaconv-cli convert --format '' | tr '\n' ' ')"
[[ $(complete_line mediaconv-cli presets --class '') == $'audio\ndevice\nvideo' ]] || fail "classes"

# Files after convert, folders after --out.
dir=$(mktemp -d)
mkdir "$dir/sub" && touch "$dir/song.wav"
[[ $(complete_line mediaconv-cli convert "$dir/so") == "$dir/song.wav" ]] || fail "no file completion"
[[ $(complete_line mediaconv-cli convert --out "$dir/") == "$dir/sub" ]] || fail "--out offers more than folders"
rm -rf "$dir"
echo "completion_test: ok"
