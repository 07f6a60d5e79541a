#!/usr/bin/env bash
# Starts Lyravox for `make run`. With a display it opens the window on the user's playlist
# (the demo song when the list is empty). Without one it runs under Xvfb with null audio and
# echoes each highlighted lyric line, closing after the first track.
set -euo pipefail
player=$1; shift
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$player" "$@"
fi
echo "No display: running Lyravox under Xvfb with the lyric echo (audio to a null output)." >&2
export LYRAVOX_AUDIO=null
exec xvfb-run -a -s "-screen 0 1280x800x24" "$player" --echo-lyrics --exit-after-track "$@"
