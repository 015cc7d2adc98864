#!/usr/bin/env bash
# Builds Kestova and either starts it on the shipped sample or runs every test.
#   ./build.sh run [FILE]   build, then start the editor (default: data/sample.chr)
#   ./build.sh test         build, then run the whole test suite
#   ./build.sh build        build only
# Installs the Debian packages it needs when they are missing (as root, or through sudo).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build_dir=${KESTOVA_BUILD_DIR:-$here/build}
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
          nlohmann-json3-dev libgtest-dev libgmock-dev googletest libbenchmark-dev xvfb xauth x11-utils imagemagick)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}" \
        || { "${sudo[@]}" apt-get update && "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; }
}

build() {
    install_missing
    cmake -S "$here" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build_dir"
}

case "${1:-}" in
run)
    build
    shift
    file=${1:-$here/data/sample.chr}
    exec "$build_dir/kestova" "$file"
    ;;
test)
    build
    cd "$build_dir"
    ctest --output-on-failure -j"$(nproc)"
    ;;
build)
    build
    ;;
*)
    sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
