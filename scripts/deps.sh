# Shared install step for scripts/play and scripts/test: installs the Debian
# packages the build, the tests and the asset generator need, and only those
# that are missing, so a second run costs one dpkg query.
# shellcheck shell=bash

TESSORY_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libsdl2-dev
  libglfw3-dev libgl-dev libgles-dev libx11-dev libopenal-dev libstb-dev
  libcairo2-dev libfreetype-dev zlib1g-dev libvorbis-dev libsndfile1-dev fonts-dejavu-core
  xvfb xauth xdotool imagemagick sox alsa-utils clang
  python3
  desktop-file-utils appstream dpkg-dev file lintian
)

tessory_install_deps() {
  local missing=() pkg
  for pkg in "${TESSORY_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q '^install ok installed$'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}
