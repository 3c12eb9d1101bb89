#!/usr/bin/env bash
# The Windows serial port against the Linux controller emulator: pfpd-sim serves a
# pseudo-terminal, a private Wine prefix maps COM40 to it, and veltrane-com-check.exe drives it
# through the program's own link: identification, Receive ALL and Transmit ALL, a stretch of
# pulses with no sequence gap, and an unplug (pfpd-sim stopped and started again on the same
# link) with recovery. The same checker built for Linux then runs the same steps on the
# pseudo-terminal itself, so the figures (pulses, gaps, CPU) stand side by side. Last, the Windows
# checker runs the emulator inside itself on the in-process line, as --simulate does on Windows.
#   scripts/wine-com-check.sh BUILD_WINDOWS_DIR LINUX_BUILD_DIR
# PULSE_SECONDS (default 60) sets the length of the pulse stretch on the Wine COM port,
# COMPARE_SECONDS (default the same) that of the Linux and in-process runs beside it. Exit status 0
# when all pass.
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD_WINDOWS_DIR LINUX_BUILD_DIR" >&2
    exit 2
fi
windows=$(realpath "$1")
linux=$(realpath "$2")
pulse_seconds=${PULSE_SECONDS:-60}
compare_seconds=${COMPARE_SECONDS:-$pulse_seconds}
unplug_limit=30

sim=$linux/sim/pfpd-sim
exe=$(find "$windows" -name veltrane-com-check.exe -type f -print -quit)
native=$(find "$linux" -name veltrane-com-check -type f -perm -u+x -print -quit)
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo "$(dirname "$wine")/wineserver")
for need in "$sim" "$exe" "$native" "$wine" "$wineserver"; do
    if [ -z "$need" ] || [ ! -x "$need" ]; then
        echo "wine-com-check: missing ${need:-a program} (build pfpd-sim and veltrane-com-check for both, install wine64)" >&2
        exit 2
    fi
done

work=$windows/wine-com-check
mkdir -p "$work"
link=$work/tty
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
sim_pid=
checker_pid=
server_pid=
cleanup() {
    for pid in $checker_pid $sim_pid; do
        kill "$pid" 2>/dev/null || true
    done
    [ -n "$server_pid" ] && "$wineserver" -k 2>/dev/null
    wait 2>/dev/null || true
}
trap cleanup EXIT

start_sim() {
    rm -f "$link"
    "$sim" --link "$link" --no-eeprom --warmup 0 >>"$work/pfpd-sim.log" 2>&1 &
    sim_pid=$!
    for _ in $(seq 100); do
        [ -e "$link" ] && return 0
        sleep 0.05
    done
    echo "wine-com-check: pfpd-sim did not make $link" >&2
    return 1
}

stop_sim() {
    kill "$sim_pid"
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=
}

# CPU seconds (user + system) a process has used so far.
cpu_of() {
    awk -v tck="$(getconf CLK_TCK)" '{ split($0, a, ") "); split(a[2], f, " "); printf "%.2f", (f[12] + f[13]) / tck }' \
        "/proc/$1/stat" 2>/dev/null || echo "?"
}

# Runs one checker; stops and restarts pfpd-sim when it asks for the unplug.
run_checker() {
    local name=$1 out=$work/$1.out
    shift
    start_sim
    "$@" >"$out" 2>&1 &
    checker_pid=$!
    local server_cpu_before=
    if [ "$name" = wine ]; then
        server_cpu_before=$(cpu_of "$server_pid")
    fi
    while kill -0 "$checker_pid" 2>/dev/null && ! grep -q '^unplug now' "$out"; do
        sleep 0.2
    done
    if grep -q '^unplug now' "$out"; then
        echo "process cpu seconds until the unplug: $(cpu_of "$checker_pid")" >>"$work/$name.cpu"
        if [ -n "$server_cpu_before" ]; then
            echo "wineserver cpu seconds meanwhile: $(awk -v a="$server_cpu_before" -v b="$(cpu_of "$server_pid")" \
                'BEGIN { printf "%.2f", b - a }')" >>"$work/$name.cpu"
        fi
        stop_sim
        sleep 2
        start_sim
    fi
    local status=0
    wait "$checker_pid" || status=$?
    checker_pid=
    [ -n "$sim_pid" ] && stop_sim
    echo "== $name: $*"
    cat "$out"
    [ -f "$work/$name.cpu" ] && cat "$work/$name.cpu"
    return $status
}

rm -f "$work"/*.out "$work"/*.cpu "$work"/*.log
# A server of our own for the prefix, its chatter in a log of its own, its CPU time measured.
"$wineserver" -k 2>/dev/null || true
"$wineserver" -f -p >"$work/wineserver.log" 2>&1 &
server_pid=$!
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$wine" wineboot --init >/dev/null 2>&1
fi
mkdir -p "$WINEPREFIX/dosdevices"
ln -sfn "$link" "$WINEPREFIX/dosdevices/com40"

failed=0
run_checker wine "$wine" "$exe" COM40 "$pulse_seconds" "$unplug_limit" || failed=1
run_checker linux "$native" "$link" "$compare_seconds" "$unplug_limit" || failed=1
echo "== wine, the emulator in-process: $wine $exe pipe $compare_seconds $unplug_limit"
"$wine" "$exe" pipe "$compare_seconds" "$unplug_limit" >"$work/wine-pipe.out" 2>&1 || failed=1
cat "$work/wine-pipe.out"
exit $failed
