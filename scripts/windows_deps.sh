# The Windows build's libraries: GLFW and OpenAL Soft from Debian's source packages,
# cross-built with MinGW-w64 into build/windows/deps/. Sourced by scripts/windows.
# shellcheck shell=bash

TESSORY_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 nsis zip cmake ninja-build)

# A private apt configuration that adds source entries for the archive this machine is
# already configured with; the system's own sources are never touched.
tessory_windows_apt() {  # <apt work dir> -> prints the apt options to use
  local dir="$1" uri
  mkdir -p "$dir/lists/partial" "$dir/cache/archives/partial"
  uri=$(tessory_debian_mirror) || return 1
  local keys=/usr/share/keyrings/debian-archive-keyring.gpg
  {
    echo "deb-src [signed-by=$keys] $uri bookworm main"
    echo "deb-src [signed-by=$keys] $uri trixie main"
  } > "$dir/sources.list"
  echo "-o Dir::Etc::SourceList=$dir/sources.list -o Dir::Etc::SourceParts=/dev/null" \
       "-o Dir::State::Lists=$dir/lists -o Dir::Cache=$dir/cache -o Debug::NoLocking=1"
}

# Fetches <file> of source package <package/suite> into <dir> and checks its pinned hash.
# Only the upstream tarball is taken: the archive does not serve every package's other
# source files.
tessory_windows_fetch() {  # <apt dir> <package/suite> <file> <sha256> <dir>
  local apt="$1" package="$2" file="$3" sha="$4" dir="$5" opts uri
  mkdir -p "$dir"
  if [ -f "$dir/$file" ] && echo "$sha  $dir/$file" | sha256sum -c --status; then return 0; fi
  opts=$(tessory_windows_apt "$apt") || return 1
  # shellcheck disable=SC2086 # a list of options
  compgen -G "$apt/lists/*Sources*" >/dev/null || apt-get $opts update -q >/dev/null || true
  # shellcheck disable=SC2086
  uri=$(apt-get $opts source --print-uris -q "$package" 2>/dev/null |
        awk -v f="$file" '$2 == f {gsub("\x27", "", $1); print $1}')
  rm -f "$dir/$file"
  if [ -z "$uri" ] || ! /usr/lib/apt/apt-helper download-file "$uri" "$dir/$file" "SHA256:$sha" >/dev/null 2>&1; then
    rm -f "$dir/$file"
    echo "scripts/windows: could not fetch $file of the source package $package from the Debian archive" >&2
    echo "(it must have the SHA-256 $sha, pinned in packaging/windows/sources.sha256)" >&2
    return 1
  fi
}

# Builds and installs one library unless the same tarball was built before.
tessory_windows_build_dep() {  # <root> <deps dir> <file> <sha256> <cmake arguments...>
  local root="$1" deps="$2" file="$3" sha="$4"
  shift 4
  local name="${file%.orig.tar.*}" stamp="$deps/prefix/.built-${file%.orig.tar.*}-$sha"
  [ -f "$stamp" ] && return 0
  echo "== building $name for Windows"
  rm -rf "$deps/src/$name" "$deps/build/$name"
  mkdir -p "$deps/src/$name"
  tar -xf "$deps/sources/$file" -C "$deps/src/$name" --strip-components=1
  cmake -S "$deps/src/$name" -B "$deps/build/$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/packaging/windows/mingw-w64-x86_64.cmake" \
    -DTESSORY_WINDOWS_DEPS="$deps/prefix" \
    -DCMAKE_INSTALL_PREFIX="$deps/prefix" "$@" >/dev/null
  cmake --build "$deps/build/$name" -j "$(nproc)"
  cmake --install "$deps/build/$name" --strip >/dev/null
  touch "$stamp"
}

tessory_windows_dep() {  # <root> <package name> <cmake arguments...>: one line of sources.sha256
  local root="$1" package="$2"
  shift 2
  # shellcheck disable=SC2046 # file and hash
  tessory_windows_build_dep "$root" "$root/build/windows/deps" \
    $(awk -v p="$package/" 'index($1, p) == 1 {print $2, $3}' "$root/packaging/windows/sources.sha256") "$@"
}

# The tests' Vorbis encoder (the game decodes with stb_vorbis).
tessory_windows_test_deps() {  # <root>
  tessory_windows_dep "$1" libogg -DBUILD_SHARED_LIBS=OFF -DINSTALL_DOCS=OFF -DBUILD_TESTING=OFF &&
    tessory_windows_dep "$1" libvorbis -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF
}

tessory_windows_deps() {  # <root>; installs into <root>/build/windows/deps/prefix
  local root="$1" deps="$1/build/windows/deps" package file sha
  while read -r package file sha; do
    case "$package" in ''|'#'*) continue ;; esac
    tessory_windows_fetch "$deps/apt" "$package" "$file" "$sha" "$deps/sources" || return 1
  done < "$root/packaging/windows/sources.sha256"
  tessory_windows_dep "$root" glfw3 -DBUILD_SHARED_LIBS=OFF \
    -DGLFW_BUILD_EXAMPLES=OFF -DGLFW_BUILD_TESTS=OFF -DGLFW_BUILD_DOCS=OFF || return 1
  # OpenAL Soft stays a DLL (it is LGPL); its C++ and threads runtimes are linked into it.
  # Only Windows' own sound backends and the wave writer the tests listen through; no
  # EAX, which the game does not use and which doubles the build time.
  tessory_windows_dep "$root" openal-soft -DALSOFT_UTILS=OFF -DALSOFT_EXAMPLES=OFF \
    -DALSOFT_TESTS=OFF -DALSOFT_NO_CONFIG_UTIL=ON -DALSOFT_EAX=OFF -DALSOFT_BACKEND_WAVE=ON \
    -DALSOFT_REQUIRE_WASAPI=ON -DALSOFT_REQUIRE_DSOUND=ON -DALSOFT_REQUIRE_WINMM=ON \
    -DALSOFT_BACKEND_SDL2=OFF -DALSOFT_BACKEND_SDL3=OFF -DALSOFT_BACKEND_PORTAUDIO=OFF \
    -DALSOFT_BACKEND_JACK=OFF -DALSOFT_BACKEND_PIPEWIRE=OFF -DALSOFT_BACKEND_PULSEAUDIO=OFF \
    -DCMAKE_SHARED_LINKER_FLAGS="-static" || return 1
}
