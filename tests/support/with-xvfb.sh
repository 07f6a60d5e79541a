#!/usr/bin/env bash
# Runs a command with a private X server (Xvfb on a free display) and Qt's xcb platform, so
# that tests send pointer and key events through the window system. LYRAVOX_XVFB_SCREENS
# ("1024x768x24 800x600x24") gives the server several screens instead of one.
set -u
screens=()
for geometry in ${LYRAVOX_XVFB_SCREENS:-1280x1024x24}; do
  screens+=(-screen "$((${#screens[@]} / 3))" "$geometry")
done
fifo=$(mktemp -u)
mkfifo "$fifo" || exit 1
Xvfb -displayfd 3 "${screens[@]}" -nolisten tcp -noreset 3>"$fifo" 2>/dev/null &
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
