#!/usr/bin/env bash
# Starts the wizard when there is a display to show it on; otherwise says so
# in one line, names the terminal front end and fails.
set -eu
bin=$1
if [[ -x "$bin/mediaconv" && -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]]; then
  exec "$bin/mediaconv"
fi
if [[ -x "$bin/mediaconv" ]]; then
  echo "mediaconv: the wizard needs a display (DISPLAY or WAYLAND_DISPLAY is not set); on a terminal use $bin/mediaconv-cli --help" >&2
else
  echo "mediaconv: this build has no wizard window; on a terminal use $bin/mediaconv-cli --help" >&2
fi
exit 1
