#!/usr/bin/env bash
# Builds the Release tree and its Debian package, then checks the package as a lab's IT person
# meets it: lintian finds no error, the menu entries validate, the programs carry no RPATH and
# no symbol table, and, unpacked into a scratch root, every manual page renders and names every
# option its program's --help lists, and every program answers --help (and --version) with no display.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$(date +%s)
scripts/build.sh release
built=$(date +%s)
echo "Release build: $((built - started)) s"

rm -f build-release/veltrane_*.deb
(cd build-release && cpack -G DEB >/dev/null)
deb=$(echo build-release/veltrane_*.deb)
[ -f "$deb" ] || {
    echo "no package was made" >&2
    exit 1
}

failures=0
fail() {
    echo "package: $*" >&2
    failures=$((failures + 1))
}

status=0
report=$(lintian --info "$deb" 2>&1) || status=$?
grep -v '^N:\|running with root privileges' <<<"$report" || true
if [ "$status" -ne 0 ] || grep -q '^E:' <<<"$report"; then
    fail "lintian reports errors"
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"

for entry in "$root"/usr/share/applications/*.desktop; do
    desktop-file-validate "$entry" || fail "$(basename "$entry") does not validate"
done

for program in veltrane Corvanet pfpd-sim veltrane-cfg; do
    binary="$root/usr/bin/$program"
    page="$root/usr/share/man/man1/$program.1.gz"
    if [ ! -x "$binary" ]; then
        fail "$program is not installed"
        continue
    fi
    if readelf -d "$binary" | grep -q 'RPATH\|RUNPATH'; then
        fail "$program carries an RPATH"
    fi
    if readelf -S "$binary" | grep -q '\.symtab'; then
        fail "$program is not stripped"
    fi

    help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$binary" --help 2>&1) ||
        fail "$program --help fails with no display"
    if grep -q -- '--version' <<<"$help"; then
        version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$binary" --version 2>&1) ||
            fail "$program --version fails with no display"
        grep -q "^$program [0-9]" <<<"$version" || fail "$program --version says: $version"
    fi

    if [ ! -f "$page" ]; then
        fail "$program has no manual page"
        continue
    fi
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man -l $program.1.gz fails"
    [ -z "$warnings" ] || fail "$program.1 renders with warnings: $warnings"
    MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q '^NAME' || fail "$program.1 renders no NAME section"
    source=$(zcat "$page")
    for option in $(grep -o -- '--[a-z][a-z0-9-]*' <<<"$help" | sort -u); do
        grep -qF -- "${option//-/\\-}" <<<"$source" || fail "$program.1 does not describe $option"
    done
done

echo "Package check: $(($(date +%s) - built)) s"
if [ "$failures" -ne 0 ]; then
    echo "package: $failures failed" >&2
    exit 1
fi
echo "package: $(basename "$deb") passed lintian, menu, binary, manual page and no-display checks"
