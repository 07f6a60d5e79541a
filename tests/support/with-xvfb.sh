#!/usr/bin/env bash
# Runs a command with a private X server (Xvfb on a free display) and Qt's xcb platform, so
# that tests send pointer and key events through the window system. LYRAVOX_XVFB_SCREENS
# ("1024x768x24 800x600x24") gives the server several screens instead of one; with
# LYRAVOX_XVFB_WM=openbox a real window manager runs on it.
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
wm=""
if [ -n "${LYRAVOX_XVFB_WM:-}" ]; then
  "$LYRAVOX_XVFB_WM" >/dev/null 2>&1 &
  wm=$!
  # The manager announces itself on the root window once it manages the screen.
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.05
  done
fi
"$@"
rc=$?
[ -n "$wm" ] && kill "$wm" 2>/dev/null
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
exit $rc
