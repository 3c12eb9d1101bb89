#!/usr/bin/env bash
# scripts/install-deps.sh picks package names by what apt-cache offers. Here apt-cache is a stand-in
# answering with the names three releases offer, and every name chosen must be one of them, the
# clang runtime must match the release's clang, and "run" must not pull in the checks' tools.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Offered by all three releases (the names this project could use).
common="cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins
libgl-dev libnetcdf-dev libgtest-dev libgmock-dev libbenchmark-dev clang clang-format xvfb xauth
poppler-utils locales dpkg-dev lintian desktop-file-utils man-db g++-mingw-w64-x86-64-posix googletest wine
wine64"

cat >"$scratch/apt-cache" <<'STUB'
#!/usr/bin/env bash
# policy NAME: a candidate when NAME is offered; depends clang: the release's default clang.
case "$1" in
policy)
    if grep -qx "$2" "$FAKE_OFFERED"; then
        printf '%s:\n  Installed: (none)\n  Candidate: 1.0\n' "$2"
    fi
    ;;
depends)
    [ "$2" = clang ] && printf 'clang\n  Depends: clang-%s\n' "$FAKE_CLANG"
    ;;
esac
exit 0
STUB
chmod +x "$scratch/apt-cache"

failures=0
check_release() { # name, default clang version, expected runtime package, extra offered names
    local release="$1" clang="$2" runtime="$3"
    shift 3
    printf '%s\n' $common "clang-$clang" "$@" >"$scratch/offered"
    local run check name
    run=$(PATH="$scratch:$PATH" FAKE_OFFERED="$scratch/offered" FAKE_CLANG="$clang" \
        "$root/scripts/install-deps.sh" --list run)
    check=$(PATH="$scratch:$PATH" FAKE_OFFERED="$scratch/offered" FAKE_CLANG="$clang" \
        "$root/scripts/install-deps.sh" --list check)
    for name in $check; do
        if ! grep -qx "$name" "$scratch/offered"; then
            echo "$release: $name is not offered" >&2
            failures=$((failures + 1))
        fi
    done
    if [ "$(tr ' ' '\n' <<<"$check" | grep -c '^libclang-rt')" -ne 1 ] || ! grep -qw -- "$runtime" <<<"$check"; then
        echo "$release: clang runtime should be $runtime alone, got: $check" >&2
        failures=$((failures + 1))
    fi
    for name in clang libgtest-dev xvfb lintian g++-mingw-w64-x86-64-posix wine; do
        if grep -qw -- "$name" <<<"$run"; then
            echo "$release: run installs $name, which only the checks need" >&2
            failures=$((failures + 1))
        fi
    done
    for name in cmake qt6-base-dev qt6-svg-dev libnetcdf-dev; do
        if ! grep -qw -- "$name" <<<"$run"; then
            echo "$release: run misses $name" >&2
            failures=$((failures + 1))
        fi
    done
}

# Debian 12 and 13 have a meta package for the default clang's runtime beside older and newer
# versioned ones; Ubuntu 24.04 is taken without it, so the versioned one of its clang is chosen.
check_release "Debian 12" 14 libclang-rt-dev libclang-rt-dev libclang-rt-14-dev libclang-rt-16-dev libclang-rt-19-dev
check_release "Debian 13" 19 libclang-rt-dev libclang-rt-dev libclang-rt-17-dev libclang-rt-19-dev
check_release "Ubuntu 24.04" 18 libclang-rt-18-dev libclang-rt-17-dev libclang-rt-18-dev libclang-rt-19-dev

if [ "$failures" -ne 0 ]; then
    echo "install-deps: $failures failed" >&2
    exit 1
fi
echo "install-deps: package choice for Debian 12, Debian 13 and Ubuntu 24.04 passed"
