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
# A bare session has no runtime folder; Qt wants one.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR=/tmp/lyravox-runtime-$(id -u)
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  export XDG_RUNTIME_DIR
fi
# Without a track of its own it plays the demo song the build synthesized, in a throwaway home
# folder so that the user's playlist stays as it is.
if [ $# -eq 0 ]; then
  demo="$(cd "$(dirname "$player")/.." && pwd)/data/demo/demo.wav"
  if [ -f "$demo" ]; then
    set -- "$demo"
    if [ -z "${LYRAVOX_HOME:-}" ]; then
      LYRAVOX_HOME=$(mktemp -d)
      export LYRAVOX_HOME
      trap 'rm -rf "$LYRAVOX_HOME"' EXIT
      xvfb-run -a -s "-screen 0 1280x800x24" "$player" --echo-lyrics --exit-after-track "$@"
      exit $?
    fi
  fi
fi
exec xvfb-run -a -s "-screen 0 1280x800x24" "$player" --echo-lyrics --exit-after-track "$@"
