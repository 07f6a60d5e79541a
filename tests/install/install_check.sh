#!/usr/bin/env bash
# Installs the build tree $1 into a scratch root and checks what a Debian user gets.
# $2: a C compiler, $3: extra flags for it (the sanitizer of the build).
set -uo pipefail
build=$1 cc=$2 ccflags=${3:-}
root=$(mktemp -d)
trap 'kill "$player" 2>/dev/null; rm -rf "$root"' EXIT
player=""
fail=0
problem() { echo "FAIL: $*" >&2; fail=1; }

DESTDIR=$root cmake --install "$build" --prefix /usr >"$root/install.log" 2>&1 ||
  { cat "$root/install.log" >&2; echo "FAIL: cmake --install" >&2; exit 1; }
usr=$root/usr

for f in bin/lyravox bin/lyravox-fx include/lyravox/effect.h \
  share/applications/lyravox.desktop share/mime/packages/lyravox.xml \
  share/icons/hicolor/scalable/apps/lyravox.svg share/lyravox/help/index.html \
  share/lyravox/default.pic share/lyravox/res/lvx.ico share/lyravox/res/Default.ico \
  share/lyravox/res/ico.mp3 share/lyravox/res/ico.wm share/lyravox/demo/demo.wav \
  share/metainfo/io.github.lyravox.Lyravox.metainfo.xml share/doc/lyravox/copyright; do
  [ -e "$usr/$f" ] || problem "missing /usr/$f"
done
lib=$(find "$usr" -name 'liblyravox-effect.so.1' | head -n1)
[ -n "$lib" ] || problem "missing liblyravox-effect.so.1"
pc=$(find "$usr" -name 'lyravox-effect.pc' | head -n1)
[ -n "$pc" ] || problem "missing lyravox-effect.pc"
[ -x "$usr/bin/lyravox" ] || problem "lyravox is not executable"

# The pkg-config file leads a C program to the header and the library.
if [ -n "$pc" ] && command -v pkg-config >/dev/null; then
  flags=$(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --define-prefix --cflags --libs lyravox-effect) ||
    problem "pkg-config cannot read lyravox-effect.pc"
  printf '#include <lyravox/effect.h>\nint main(void){lvx_effect *e=lvx_effect_create();if(!e)return 1;lvx_effect_destroy(e);return 0;}\n' >"$root/use.c"
  # shellcheck disable=SC2086
  if "$cc" $ccflags "$root/use.c" $flags -o "$root/use" 2>"$root/cc.log"; then
    LD_LIBRARY_PATH=$(dirname "$lib") "$root/use" || problem "a program built through pkg-config fails"
  else
    cat "$root/cc.log" >&2
    problem "a program cannot be built through pkg-config"
  fi
fi

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$usr/share/applications/lyravox.desktop" || problem "desktop entry invalid"
fi
# Software centres read the installed tree: the metainfo's launchable and icon must be in it,
# and so must every program it says the package provides.
if command -v appstreamcli >/dev/null; then
  appstreamcli validate-tree --no-net --no-color "$root" || problem "installed AppStream metadata invalid"
fi
while read -r program; do
  [ -x "$usr/bin/$program" ] || problem "the metainfo provides $program, which is not installed"
done < <(sed -n 's|.*<binary>\(.*\)</binary>.*|\1|p' "$usr"/share/metainfo/*.metainfo.xml)
if command -v update-mime-database >/dev/null; then
  cp -r "$usr/share/mime" "$root/mime"
  update-mime-database "$root/mime" >/dev/null 2>&1
  for entry in application/x-lyravox-playlist:lvx video/x-lyravox-vcd:dat \
    audio/x-lyravox-rmid:rmi video/x-lyravox-wm:wm; do
    grep -q ":${entry%:*}:\*\.${entry#*:}\$" "$root/mime/globs2" ||
      problem "shared-mime-info package does not give *.${entry#*:} its type ${entry%:*}"
  done
fi

# The installed player answers without a display ...
"$usr/bin/lyravox" --help | grep -q -- '--exit-after-track' || problem "lyravox --help"
[ "$("$usr/bin/lyravox" --version)" = "Lyravox $(sed -n 's/^Version: //p' "${pc:-/dev/null}")" ] ||
  problem "lyravox --version does not match the library version"

# ... and starts headless on its installed data: the start-up registers the installed program
# with the desktop, and SIGTERM closes it the normal way (settings saved).
export LYRAVOX_HOME=$root/home XDG_DATA_HOME=$root/xdg-data XDG_CONFIG_HOME=$root/xdg-config
export XDG_RUNTIME_DIR=$root/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
printf '>0\r\n"%s"\r\n' "$usr/share/lyravox/demo/demo.wav" >"$root/list.lvx"
mkdir -p "$LYRAVOX_HOME" && cp "$root/list.lvx" "$LYRAVOX_HOME/List.lvx"
"$usr/bin/lyravox" >"$root/player.log" 2>&1 &
player=$!
entry=$XDG_DATA_HOME/applications/lyravox.desktop
for _ in $(seq 1 300); do
  grep -qs "Exec=$usr/bin/lyravox %f" "$entry" && break
  kill -0 "$player" 2>/dev/null || break
  sleep 0.1
done
grep -qs "Exec=$usr/bin/lyravox %f" "$entry" || problem "the installed player did not start"
kill -TERM "$player" 2>/dev/null
wait "$player"
rc=$?
player=""
[ "$rc" -eq 0 ] || { cat "$root/player.log" >&2; problem "the player ended with $rc"; }
[ -f "$LYRAVOX_HOME/SetLog.ini" ] || problem "no settings written at exit"
exit $fail
