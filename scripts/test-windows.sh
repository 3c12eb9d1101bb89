#!/usr/bin/env bash
# Cross-builds the Windows flavour (scripts/build.sh windows) and runs what it made under Wine, in a
# private Wine prefix inside the build folder: every test program, each bounded in time, then
# veltrane-cfg.exe turning a configuration file into text and back (its text compared with the Linux
# tool's when build/ has one).
#   WINDOWS_TEST_SECONDS   time allowed to one test program (default 300)
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-windows
limit="${WINDOWS_TEST_SECONDS:-300}"

find_tool() { # the first of the commands found, else the first file that exists
    local name
    for name in "$@"; do
        if command -v "$name" >/dev/null; then
            command -v "$name"
            return
        fi
    done
    for name in "$@"; do
        if [ -x "$name" ]; then
            echo "$name"
            return
        fi
    done
    return 1
}
wine=$(find_tool wine wine64 /usr/lib/wine/wine64) || {
    echo "test-windows: no wine (scripts/install-deps.sh check installs it)" >&2
    exit 1
}
wineserver=$(find_tool wineserver /usr/lib/wine/wineserver) || wineserver=""

scripts/build.sh windows

export WINEPREFIX="$PWD/$build/wine"
export WINEDEBUG=-all
# File names and arguments pass between Linux and Wine as UTF-8.
export LC_ALL=C.UTF-8
# No .NET or HTML engine: nothing here needs them, and Wine would offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
export VELTRANE_TEST_DATA="$PWD/tests/data"
# Windows has no de_DE.UTF-8 locale name; the comma-locale tests run on Linux.
unset VELTRANE_REQUIRE_COMMA_LOCALE
mkdir -p "$WINEPREFIX"
scratch=$(mktemp -d)
stop_wine() {
    if [ -n "$wineserver" ]; then
        timeout 30 "$wineserver" -k 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap stop_wine EXIT
timeout 120 "$wine" wineboot --init >/dev/null 2>&1

failures=0
mapfile -t programs < <(find "$build/tests" -name 'tests_*.exe' | sort)
if [ ${#programs[@]} -eq 0 ]; then
    echo "test-windows: no test programs in $build/tests" >&2
    exit 1
fi
for program in "${programs[@]}"; do
    name=$(basename "$program" .exe)
    log="$scratch/$name.log"
    status=0
    timeout "$limit" "$wine" "$program" --gtest_brief=1 >"$log" 2>&1 || status=$?
    summary=$(grep -E '^\[  PASSED  \]' "$log" | tail -n 1 || true)
    if [ "$status" -ne 0 ]; then
        cat "$log"
        echo "-- $name: FAILED (exit $status${summary:+; $summary})"
        failures=$((failures + 1))
    else
        echo "-- $name: ${summary:-no tests ran}"
    fi
done

# veltrane-cfg.exe: text and back gives the same bytes, under file names outside ASCII; its text is
# the Linux tool's (Windows ends the lines of its console output with CR LF); a bad file gives exit
# status 1.
tool="$build/tools/veltrane-cfg.exe"
golden="$scratch/Prüfung µs.cfg"
cp tests/data/golden.cfg "$golden"
cfg_ok=1
timeout 60 "$wine" "$tool" show "$golden" >"$scratch/golden.txt" 2>"$scratch/cfg.err" || cfg_ok=0
tr -d '\r' <"$scratch/golden.txt" >"$scratch/αβ.txt"
timeout 60 "$wine" "$tool" make "$scratch/αβ.txt" "$scratch/Ä.cfg" 2>>"$scratch/cfg.err" || cfg_ok=0
cmp -s "$golden" "$scratch/Ä.cfg" || cfg_ok=0
if [ -x build/tools/veltrane-cfg ]; then
    build/tools/veltrane-cfg show "$golden" | cmp -s - "$scratch/αβ.txt" || cfg_ok=0
fi
printf '\002x\0\0' >"$scratch/bad.cfg"
status=0
timeout 60 "$wine" "$tool" show "$scratch/bad.cfg" >/dev/null 2>&1 || status=$?
[ "$status" -eq 1 ] || cfg_ok=0
if [ "$cfg_ok" -eq 1 ]; then
    echo "-- veltrane-cfg.exe: show and make round trip under names outside ASCII, exit status 1 for a bad file"
else
    cat "$scratch/cfg.err"
    echo "-- veltrane-cfg.exe: FAILED"
    failures=$((failures + 1))
fi

# The Windows serial port on a COM port mapped to pfpd-sim's pseudo-terminal (needs the Linux build):
# a minute of pulses there, short runs of the Linux and in-process lines beside it.
if [ -x build/sim/pfpd-sim ] && [ -x build/tests/device/veltrane-com-check ]; then
    if PULSE_SECONDS="${COM_CHECK_SECONDS:-60}" COMPARE_SECONDS="${COM_COMPARE_SECONDS:-5}" \
        timeout 600 scripts/wine-com-check.sh "$build" build >"$scratch/com.log" 2>&1; then
        grep -E '^(== |pulses|gaps|process cpu|wineserver cpu|unplug|recovered)' "$scratch/com.log" || true
        echo "-- COM port under Wine against pfpd-sim: passed"
    else
        cat "$scratch/com.log"
        echo "-- COM port under Wine against pfpd-sim: FAILED"
        failures=$((failures + 1))
    fi
else
    echo "-- COM port check skipped: build the Linux flavour first (pfpd-sim, veltrane-com-check)"
fi

if [ "$failures" -ne 0 ]; then
    echo "test-windows: $failures failed" >&2
    exit 1
fi
echo "test-windows: every Windows test program passed under Wine"
