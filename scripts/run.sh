#!/usr/bin/env bash
# Starts the wizard when there is a display and the wizard is built; the
# terminal front end otherwise.
set -eu
bin=$1
if [[ -x "$bin/mediaconv" && -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  exec "$bin/mediaconv"
fi
if [[ -x "$bin/mediaconv" ]]; then
  echo "mediaconv: no display found (DISPLAY is not set); use $bin/mediaconv-cli on a terminal." >&2
else
  echo "mediaconv: the wizard window is not part of this build yet; use $bin/mediaconv-cli." >&2
fi
exec "$bin/mediaconv-cli" --help
