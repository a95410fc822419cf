#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the demo need.
set -euo pipefail
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  build-essential cmake pkg-config clang libclang-rt-14-dev \
  libgtest-dev libgmock-dev libbenchmark-dev \
  xserver-xorg-core xserver-xorg-dev x11proto-dev libpixman-1-dev libpciaccess-dev libdrm-dev \
  libx11-dev libxext-dev libxrandr-dev libxv-dev libxinerama-dev \
  x11-xserver-utils x11-utils xdotool imagemagick \
  libgtk2.0-dev libdbus-glib-1-dev libxml2-dev dbus-daemon \
  util-linux xauth xfonts-base fonts-dejavu-core \
  lxrandr arandr xserver-xorg-video-dummy \
  libx11-xcb-dev libxcb-randr0-dev \
  libgail-common libatk-adaptor at-spi2-core libatspi2.0-dev \
  jq lintian desktop-file-utils >/dev/null
