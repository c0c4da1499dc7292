#!/usr/bin/env bash
# Installs the Debian packages Lintra needs to build, test and run, when
# they are missing. Safe to run again: installed packages are skipped.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev qt6-l10n-tools qt6-translations-l10n
  fonts-noto-cjk xvfb xauth x11-apps xdotool imagemagick
  python3 python3-ezdxf python3-numpy python3-scipy python3-pil valgrind time
  librecad librecad-data nodejs
  clang libclang-rt-14-dev clang-format
  libpng-dev libjpeg62-turbo-dev libtiff-dev libwebp-dev zlib1g-dev
)

# npm installs dxf-parser for tests/vector/cad/cad_readers.sh. A Node.js that
# brings its own npm (such as NodeSource's) conflicts with Debian's npm.
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
