#!/usr/bin/env bash
# Configures and builds one flavour of the tree, warnings as errors, through ccache when present.
#   scripts/build.sh            normal build in build/ (programs, tests, benchmarks)
#   scripts/build.sh app        the programs alone in build/ (what scripts/run.sh needs)
#   scripts/build.sh release    the programs alone, as packaged (-O3), in build-release/
#   scripts/build.sh asan       non-GUI layers and tests under ASan + UBSan in build-asan/
#   scripts/build.sh fuzz       libFuzzer targets with clang in build-fuzz/
#   scripts/build.sh windows    the non-GUI layers, veltrane-cfg and their tests cross-built for 64-bit
#                               Windows with MinGW-w64 in build-windows/ (scripts/test-windows.sh runs them)
set -euo pipefail
cd "$(dirname "$0")/.."

common=(-G Ninja -DVELTRANE_WERROR=ON)
if command -v ccache >/dev/null; then
    common+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

flavour="${1:-normal}"
case "$flavour" in
normal)
    cmake -S . -B build "${common[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANE_TESTS=ON \
        -DVELTRANE_BENCH=ON >/dev/null
    cmake --build build
    ;;
app)
    cmake -S . -B build "${common[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANE_TESTS=OFF \
        -DVELTRANE_BENCH=OFF >/dev/null
    cmake --build build
    ;;
release)
    cmake -S . -B build-release "${common[@]}" -DCMAKE_BUILD_TYPE=Release -DVELTRANE_TESTS=OFF \
        -DVELTRANE_BENCH=OFF >/dev/null
    cmake --build build-release
    ;;
asan)
    cmake -S . -B build-asan "${common[@]}" -DCMAKE_BUILD_TYPE=Debug -DVELTRANE_GUI=OFF -DVELTRANE_BENCH=OFF \
        -DVELTRANE_SANITIZE=ON >/dev/null
    cmake --build build-asan
    ;;
fuzz)
    CXX=clang++ cmake -S . -B build-fuzz "${common[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANE_GUI=OFF \
        -DVELTRANE_TESTS=OFF -DVELTRANE_BENCH=OFF -DVELTRANE_FUZZ=ON >/dev/null
    cmake --build build-fuzz
    ;;
windows)
    # No Qt for Windows here; GoogleTest is built from its Debian source package.
    cmake -S . -B build-windows "${common[@]}" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64.cmake \
        -DCMAKE_BUILD_TYPE=Release -DVELTRANE_GUI=OFF -DVELTRANE_TESTS=ON -DVELTRANE_BENCH=OFF \
        -DVELTRANE_FUZZ=OFF -DVELTRANE_GTEST_SOURCE_DIR=/usr/src/googletest >/dev/null
    cmake --build build-windows
    ;;
*)
    echo "usage: $0 [normal|app|release|asan|fuzz|windows]" >&2
    exit 2
    ;;
esac
