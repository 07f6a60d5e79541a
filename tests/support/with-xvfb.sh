#!/usr/bin/env bash
# Runs a command with a private X server (Xvfb on a free display) and Qt's xcb platform, so
# that tests send pointer and key events through the window system.
set -u
fifo=$(mktemp -u)
mkfifo "$fifo" || exit 1
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fifo" 2>/dev/null &
xvfb=$!
display=""
read -r -t 20 display <"$fifo"
rm -f "$fifo"
if [ -z "$display" ]; then
  echo "with-xvfb: Xvfb did not start" >&2
  kill "$xvfb" 2>/dev/null
  exit 1
fi
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME=
"$@"
rc=$?
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
exit $rc
