#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the demo and the benchmarks need.
# Idempotent: installs only what is missing.
set -euo pipefail

packages=(
  # build
  cmake g++ make pkg-config
  libx11-dev libxext-dev libxcomposite-dev libxdamage-dev libxfixes-dev libxrender-dev libxtst-dev libxi-dev
  libatspi2.0-dev libglib2.0-dev libpng-dev libcairo2-dev libicu-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libasio-dev libpocketsphinx-dev libsphinxbase-dev pocketsphinx-en-us
  libsoxr-dev libsndfile1-dev libasound2-dev libpulse-dev
  libgtk-3-dev
  libxres-dev libx11-xcb-dev
  # headless desktop for tests and the demo
  xvfb openbox dbus-x11 at-spi2-core xcompmgr x11-utils gtk-3-examples
  # real applications of the end-to-end tests: a single-instance editor with a settings entry, Tk
  mousepad tk
  # applications of the other toolkits: GTK 4, Qt 5, GTK 2 with its accessibility bridge, none
  gnome-calculator featherpad gtk2.0-examples libgail-common libatk-adaptor xterm
  # the browsers
  firefox-esr chromium
  # microphone for tests and the demo, speech samples, chimes
  pulseaudio pulseaudio-utils libasound2-plugins festival festvox-us-slt-hts sox sound-theme-freedesktop
  # benchmarks and fuzzing
  wmctrl xdotool imagemagick python3-pyatspi pocketsphinx clang-14 libclang-rt-14-dev time
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
