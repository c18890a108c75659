#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need, when
# any is missing. Works as root or through sudo.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang clang-format libclang-rt-dev
  qt6-base-dev libgl-dev libxcb-xkb-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  librtmidi-dev libasound2-dev libjack-jackd2-dev jackd2
  libfluidsynth-dev timgm6mb-soundfont libpipewire-0.3-dev
  pipewire wireplumber pipewire-pulse pipewire-jack pipewire-bin dbus
  libgtest-dev libgmock-dev googletest libbenchmark-dev libxcb-xtest0-dev
  xvfb xdotool x11-utils xauth imagemagick fonts-dejavu-core
  python3 python3-mido python3-rtmidi
  desktop-file-utils appstream man-db gtk-update-icon-cache
  qt6-wayland sway wtype fonts-ipafont-gothic
  debhelper dpkg-dev fakeroot lintian
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
# apt's hundreds of lines go to a log, shown only when something fails.
log="$(mktemp /tmp/tastarion-apt.XXXXXX)"
# jackd2 asks about realtime priority while it installs.
if ! { $sudo apt-get update -q &&
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "${missing[@]}"; } > "$log" 2>&1; then
  tail -n 40 "$log"
  echo "the installation failed; apt's whole output is in $log"
  exit 1
fi
rm -f "$log"
echo "installed ${#missing[@]} packages"
