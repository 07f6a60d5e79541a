#!/usr/bin/env bash
# Installs the Debian packages Lyravox needs to build, run and test, when any is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang libclang-rt-dev
  qt6-base-dev qt6-qpa-plugins libqt6opengl6-dev libgl-dev libgl1-mesa-dri
  libmpv-dev libmpg123-dev libmp3lame-dev libsndfile1-dev libfftw3-dev libpulse-dev pulseaudio pulseaudio-utils
  xvfb xauth xdotool x11-utils openbox fonts-noto-cjk shared-mime-info desktop-file-utils xdg-utils
  libxcb-render0-dev libxcb-render-util0-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  sox libsox-fmt-all lame ccache appstream
  dbus-daemon playerctl libglib2.0-bin
)
# Tools the benchmarks compare against; not needed to build or test.
if [ "${LYRAVOX_BENCH_TOOLS:-0}" = 1 ]; then
  packages+=(rubberband-cli soundstretch lame mpg123 hyperfine time)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
