# Shared install step for scripts/play, scripts/test and scripts/web: installs the
# Debian packages the build, the tests and the asset generator need, and only those
# that are missing, so a second run costs one dpkg query.
# shellcheck shell=bash

TESSORY_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libsdl2-dev
  libglfw3-dev libgl-dev libgles-dev libx11-dev libopenal-dev libstb-dev
  libcairo2-dev libfreetype-dev zlib1g-dev libvorbis-dev libsndfile1-dev fonts-dejavu-core
  xvfb xauth xdotool x11-utils libxdamage1 imagemagick sox alsa-utils clang clang-format-14
  python3
  desktop-file-utils appstream dpkg-dev file lintian
  patchelf debootstrap
)

# The browser build and its test: the compiler to WebAssembly and the browser the test
# drives (headless, through its DevTools protocol).
TESSORY_WEB_PACKAGES=(emscripten chromium python3)

# The Debian 13 root that the portable tarball is played in (scripts/trixie-root): only
# what a desktop has for the game to start, X, OpenGL and ALSA; no GLFW, no OpenAL Soft.
TESSORY_TRIXIE_PACKAGES=(libx11-6 libopengl0 libgl1 libglx-mesa0 libgl1-mesa-dri libasound2t64)

tessory_install_deps() {  # [package...]; the desktop's list by default
  local missing=() pkg
  [ $# -gt 0 ] || set -- "${TESSORY_PACKAGES[@]}"
  for pkg in "$@"; do
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

tessory_install_web_deps() { tessory_install_deps "${TESSORY_WEB_PACKAGES[@]}"; }

# Debian's emcc finds its JavaScript modules (acorn, terser) only through NODE_PATH.
tessory_web_env() { export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"; }

# The Debian archive this machine's apt uses, for what it fetches on its own.
tessory_debian_mirror() {
  local uri=""
  if [ -r /etc/apt/sources.list.d/debian.sources ]; then
    uri=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources)
  fi
  if [ -z "$uri" ] && [ -r /etc/apt/sources.list ]; then
    uri=$(awk '$1 == "deb" {for (i = 2; i <= NF; i++) if ($i ~ /:\/\//) {print $i; exit}}' /etc/apt/sources.list)
  fi
  [ -n "$uri" ] || { echo "found no Debian archive in this machine's apt sources" >&2; return 1; }
  echo "$uri"
}
