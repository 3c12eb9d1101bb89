#!/usr/bin/env bash
# Installs the Debian or Ubuntu packages Veltrane needs, when missing.
#   scripts/install-deps.sh run      what building and running the program needs (scripts/run.sh)
#   scripts/install-deps.sh check    that and what the checks need: tests, sanitizers, fuzzing,
#                                    packaging checks, a virtual display, the Windows cross build and
#                                    Wine to run it (scripts/test.sh; the default)
#   scripts/install-deps.sh --list run|check   print the chosen package names, install nothing
# Names that differ between releases (Debian 12 and 13, Ubuntu 24.04) are chosen by what
# apt-cache offers.
set -euo pipefail

list_only=0
if [ "${1:-}" = "--list" ]; then
    list_only=1
    shift
fi
purpose="${1:-check}"
case "$purpose" in
run | check) ;;
*)
    echo "usage: $0 [--list] [run|check]" >&2
    exit 2
    ;;
esac

offered() { # a package apt can install (not only a virtual name)
    local policy
    policy=$(apt-cache policy "$1" 2>/dev/null) || return 1
    grep -q '^ *Candidate: [^(]' <<<"$policy"
}

first_offered() { # the first of the names offered, or nothing
    local name
    for name in "$@"; do
        if offered "$name"; then
            echo "$name"
            return
        fi
    done
}

# The sanitizer and fuzzer runtime of the release's default clang: its own meta package where
# the release has one, else the versioned package of the clang that "clang" depends on.
clang_runtime() {
    local depends version
    if offered libclang-rt-dev; then
        echo libclang-rt-dev
        return
    fi
    depends=$(apt-cache depends clang 2>/dev/null) || true
    version=$(sed -n 's/^ *Depends: clang-\([0-9][0-9]*\)$/\1/p' <<<"$depends" | head -n 1)
    if [ -n "$version" ]; then
        first_offered "libclang-rt-$version-dev"
    fi
}

choose_packages() {
    local svg
    svg=$(first_offered qt6-svg-dev libqt6svg6-dev)
    # Build and run: the compiler, Qt 6 with its X11 and offscreen platforms, netCDF for Corvanet.
    echo cmake ninja-build g++ pkg-config
    echo qt6-base-dev qt6-base-dev-tools "${svg:-qt6-svg-dev}" qt6-qpa-plugins libgl-dev
    echo libnetcdf-dev
    if [ "$purpose" = check ]; then
        echo libgtest-dev libgmock-dev libbenchmark-dev
        echo clang clang-format "$(clang_runtime)"
        echo xvfb xauth poppler-utils locales
        echo dpkg-dev lintian desktop-file-utils man-db
        # The Windows flavour: MinGW-w64, GoogleTest's sources, Wine (its loader is in wine64).
        echo g++-mingw-w64-x86-64-posix googletest wine wine64
    fi
}

if ! offered cmake; then
    if [ "$list_only" -eq 1 ]; then
        echo "$0: apt knows no packages yet (run apt-get update)" >&2
        exit 1
    fi
    updated=1
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
if [ "${updated:-0}" -eq 1 ]; then
    $sudo apt-get update -qq
fi

mapfile -t packages < <(choose_packages | tr ' ' '\n' | sed '/^$/d')
if [ "$list_only" -eq 1 ]; then
    echo "${packages[*]}"
    exit 0
fi

missing=()
for pkg in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$pkg")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    if [ "${updated:-0}" -eq 0 ]; then
        $sudo apt-get update -qq
    fi
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The locale tests need a decimal-comma locale.
if [ "$purpose" = check ] && ! locale -a 2>/dev/null | grep -qix 'de_DE.utf-\?8'; then
    echo "Generating the de_DE.UTF-8 locale"
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
