#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and runs the CLI through its
# link in bin/: the program must find its edition file, settings and folders
# beside its real path in lib/mediaconv/, not beside the link.
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
prefix=/usr/local

DESTDIR=$stage cmake --install "$build" --prefix "$prefix" >/dev/null
root=$stage$prefix
fail() { echo "install_test: $*" >&2; exit 1; }

[[ -L $root/bin/mediaconv-cli ]] || fail "bin/mediaconv-cli is not a link"
[[ $(readlink "$root/bin/mediaconv-cli") == ../lib/mediaconv/mediaconv-cli ]] || fail "bin/mediaconv-cli is not relative"
[[ -x $root/lib/mediaconv/mediaconv-cli ]] || fail "lib/mediaconv/mediaconv-cli missing"
[[ -f $root/lib/mediaconv/lame.dll ]] || fail "lib/mediaconv/lame.dll missing"
[[ -f $root/share/man/man1/mediaconv-cli.1 ]] || fail "man page missing"
[[ -f $root/share/bash-completion/completions/mediaconv-cli ]] || fail "bash completion missing"
desktop=$root/share/applications/mediaconv.desktop
[[ -f $desktop ]] || fail "desktop entry missing"
grep -q '^Exec=mediaconv %F$' "$desktop" || fail "desktop entry without Exec=mediaconv %F"
grep -q '^MimeType=.*video/mp4;' "$desktop" || fail "desktop entry without media MIME types"
if [[ -f $build/bin/mediaconv ]]; then
  [[ -L $root/bin/mediaconv && -x $root/lib/mediaconv/mediaconv ]] || fail "the wizard is not installed with its link"
fi
if [[ -d $build/bin/sounds ]]; then
  for f in sounds/done.wav sounds/fail.wav sounds/res/main.bmp sounds/res2/main.bmp icons/PelmoraIcon.png; do
    [[ -f $root/lib/mediaconv/$f ]] || fail "lib/mediaconv/$f missing"
  done
  [[ -f $root/share/icons/hicolor/48x48/apps/mediaconv.png ]] || fail "hicolor icon missing"
fi

# An edition of its own beside the real executable, and a stored AVI preset
# in that edition's settings folder: only a program that read the edition
# file through its real path marks preset 7.
printf '[SYSTEM]\nName=Install Check\n' >"$root/lib/mediaconv/lame.dll"
config=$stage/config
mkdir -p "$config/Install Check"
printf '[System]\nOutputAVIPreset=7\n' >"$config/Install Check/system.dat"
out=$(cd / && XDG_CONFIG_HOME=$config HOME=$stage "$root/bin/mediaconv-cli" presets --format AVI)
grep -q '^\*  7  ' <<<"$out" || fail "presets through the link did not read the installed edition: $(head -c 600 <<<"$out")"
echo "install_test: ok"
