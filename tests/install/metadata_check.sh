#!/usr/bin/env bash
# Checks the desktop metadata of the source tree $1 against itself and the project version $2:
# the AppStream metainfo and the desktop entry pass their validators, and the facts they share
# with each other, the license files and the build agree.
set -uo pipefail
src=$1 version=$2
desktop_dir=$src/data/desktop
entry=$desktop_dir/lyravox.desktop
fail=0
problem() { echo "FAIL: $*" >&2; fail=1; }

metainfo=$(find "$desktop_dir" -maxdepth 1 -name '*.metainfo.xml')
[ "$(printf '%s\n' "$metainfo" | grep -c .)" -eq 1 ] ||
  { echo "FAIL: expected one metainfo file in $desktop_dir, found: ${metainfo:-none}" >&2; exit 1; }

for tool in appstreamcli desktop-file-validate; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool missing (tools/install-deps.sh)" >&2; exit 1; }
done
appstreamcli validate --no-net --no-color "$metainfo" || problem "metainfo invalid"
desktop-file-validate "$entry" || problem "desktop entry invalid"

# The text of every <tag> of the metainfo, one a line (the file keeps one element a line).
values() { sed -n "s|.*<$1\( [^>]*\)\{0,1\}>\([^<]*\)</$1>.*|\2|p" "$metainfo"; }
# The values of a desktop entry key of the main group, one a line, sorted.
entry_list() {
  sed -n '/^\[Desktop Entry\]/,/^\[/p' "$entry" | sed -n "s/^$1=//p" | tr ';' '\n' | grep . | sort
}

id=$(values id)
[ "$(basename "$metainfo")" = "$id.metainfo.xml" ] ||
  problem "metainfo file $(basename "$metainfo") is not named after its id $id"
launchable=$(values launchable)
[[ -n $launchable && -f $desktop_dir/$launchable ]] ||
  problem "launchable '$launchable' is no desktop entry in data/desktop"
[ "$launchable" = "$(basename "$entry")" ] ||
  problem "launchable '$launchable' is not the installed entry $(basename "$entry")"

# Software centres match files to the program by the provided types: the same as the entry's.
[ "$(values mediatype | sort)" = "$(entry_list MimeType)" ] ||
  problem "provided media types ($(values mediatype | xargs)) differ from the entry's MimeType ($(entry_list MimeType | xargs))"
# Every media type the entry claims is one the shipped shared-mime-info package defines.
for type in $(entry_list MimeType); do
  grep -q "<mime-type type=\"$type\"" "$desktop_dir/lyravox-mime.xml" ||
    problem "MimeType $type is not defined in lyravox-mime.xml"
done

# The newest release (listed first) is the version being built.
newest=$(sed -n 's/.*<release [^>]*version="\([^"]*\)".*/\1/p' "$metainfo" | head -n1)
[ "$newest" = "$version" ] || problem "newest metainfo release '$newest' is not the project version $version"

# One license everywhere: the metainfo's SPDX name, the copyright file's and the LICENSE text.
license=$(values project_license)
copyright_license=$(sed -n '/^Files: \*$/,/^$/s/^License: //p' "$src/data/copyright")
license_title=$(sed -n '1,2{s/^ *//;p}' "$src/LICENSE" | xargs)
case "$license" in
  GPL-3.0-or-later) want_dep5=GPL-3+ want_title="GNU GENERAL PUBLIC LICENSE Version 3, 29 June 2007" ;;
  GPL-3.0-only) want_dep5=GPL-3 want_title="GNU GENERAL PUBLIC LICENSE Version 3, 29 June 2007" ;;
  *) want_dep5="" want_title="" problem "project_license '$license' is none this check knows" ;;
esac
[ "$copyright_license" = "$want_dep5" ] ||
  problem "data/copyright licenses the files as '$copyright_license', the metainfo as '$license'"
[ "$license_title" = "$want_title" ] || problem "LICENSE is not the text of $license"
grep -q "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "$src/data/copyright" ||
  problem "data/copyright is not in the machine-readable format"
grep -q "^License: $copyright_license\$" <(sed -n '/^Files:/,$p' "$src/data/copyright" | sed '/^Files:/,/^$/d') ||
  problem "data/copyright has no stand-alone paragraph for $copyright_license"
exit $fail
