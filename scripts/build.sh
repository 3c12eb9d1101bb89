#!/usr/bin/env bash
# Configures and builds one flavour of the tree.
#   scripts/build.sh            normal build in build/ (programs, tests, benchmarks)
#   scripts/build.sh asan       non-GUI layers and tests under ASan + UBSan in build-asan/
#   scripts/build.sh fuzz       libFuzzer targets with clang in build-fuzz/
set -euo pipefail
cd "$(dirname "$0")/.."

flavour="${1:-normal}"
case "$flavour" in
normal)
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build
    ;;
asan)
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELTRANE_GUI=OFF -DVELTRANE_BENCH=OFF \
        -DVELTRANE_SANITIZE=ON >/dev/null
    cmake --build build-asan
    ;;
fuzz)
    CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANE_GUI=OFF \
        -DVELTRANE_TESTS=OFF -DVELTRANE_BENCH=OFF -DVELTRANE_FUZZ=ON >/dev/null
    cmake --build build-fuzz
    ;;
*)
    echo "usage: $0 [normal|asan|fuzz]" >&2
    exit 2
    ;;
esac
