#!/usr/bin/env bash
# Builds Kestova and either starts it on the shipped sample or runs every test.
#   ./build.sh run [FILE]   build, then start the editor (default: data/sample.chr)
#   ./build.sh test         build and run the whole test suite, then the same suite built with AddressSanitizer and
#                           UndefinedBehaviorSanitizer, then every fuzz target for 20 s (KESTOVA_FUZZ_SECONDS)
#   ./build.sh quicktest    build, then run the test suite once (no sanitizer build, no fuzzing)
#   ./build.sh build        build only
# Installs the Debian packages it needs when they are missing (as root, or through sudo).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build_dir=${KESTOVA_BUILD_DIR:-$here/build}
sanitize_dir=${KESTOVA_SANITIZE_BUILD_DIR:-$here/build-sanitize}
fuzz_dir=${KESTOVA_FUZZ_BUILD_DIR:-$here/build-fuzz}
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
          nlohmann-json3-dev libgtest-dev libgmock-dev googletest libbenchmark-dev xvfb xauth x11-utils imagemagick
          clang libclang-rt-14-dev desktop-file-utils cc65 python3-pil)

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

# The test suite built with AddressSanitizer and UndefinedBehaviorSanitizer: any memory error, undefined behaviour or
# leak fails its test.
sanitizer_tests() {
    # -O1 -g1: quicker to build than -O2 -g, and still stack traces with lines.
    cmake -S "$here" -B "$sanitize_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DKESTOVA_SANITIZE=ON -DKESTOVA_BUILD_BENCH=OFF >/dev/null
    cmake --build "$sanitize_dir"
    (
        cd "$sanitize_dir"
        export ASAN_OPTIONS=detect_leaks=1
        export LSAN_OPTIONS=suppressions=$here/tests/lsan.supp:print_suppressions=0
        export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
        ctest --output-on-failure -j"$(nproc)"
    )
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
    (cd "$build_dir" && ctest --output-on-failure -j"$(nproc)")
    sanitizer_tests
    KESTOVA_FUZZ_BUILD_DIR=$fuzz_dir "$here/fuzz/run.sh" "${KESTOVA_FUZZ_SECONDS:-20}"
    ;;
quicktest)
    build
    cd "$build_dir"
    ctest --output-on-failure -j"$(nproc)"
    ;;
build)
    build
    ;;
*)
    sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
