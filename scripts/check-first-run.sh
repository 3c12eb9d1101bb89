#!/usr/bin/env bash
# What a new user meets first, checked on the built programs as a shell runs them, with no display:
# every program's --version gives the same version, --help works, a mistake in the arguments is one
# line with exit status 2, the window without a display is a message, and an unattended run against a missing device (and, as an ordinary user,
# a device this user may not open) ends on time with the reason on standard error.
#   scripts/check-first-run.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
version=$(sed -n 's/^project(Veltrane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}
# No window system at all: nothing here may need one.
headless() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"
}

for entry in veltrane:app/veltrane Corvanet:tools/corvanet/Corvanet pfpd-sim:sim/pfpd-sim \
    veltrane-cfg:tools/veltrane-cfg; do
    name=${entry%%:*}
    program="$build/${entry#*:}"
    if [ ! -x "$program" ]; then
        fail "$program was not built"
        continue
    fi
    got=$(headless "$program" --version 2>&1) || fail "$name --version exits $?"
    [ "$got" = "$name $version" ] || fail "$name --version says '$got', not '$name $version'"
    headless "$program" --help >/dev/null 2>&1 || fail "$name --help exits $?"
    status=0
    got=$(headless "$program" --bogus 2>&1) || status=$?
    [ "$status" -eq 2 ] || fail "$name --bogus exits $status, not 2"
    [ "$got" = "$name: unknown option --bogus; see --help" ] || fail "$name --bogus says '$got'"
done

# The window without a display is told, not an abort in the toolkit.
for entry in veltrane:app/veltrane Corvanet:tools/corvanet/Corvanet; do
    name=${entry%%:*}
    [ -x "$build/${entry#*:}" ] || continue
    status=0
    got=$(headless "$build/${entry#*:}" 2>&1 </dev/null) || status=$?
    [ "$status" -eq 1 ] && [ "${got#"$name: no display"}" != "$got" ] ||
        fail "$name without a display exits $status, saying '$got'"
done

# An unattended run waits on no dialog: it retries until --quit-after, then fails with the reason.
veltrane=$(realpath "$build/app/veltrane")
run_unattended() { # DEVICE: exit status; standard error in $scratch/err.txt
    local status=0
    (cd "$scratch" && timeout 20 "$@" --auto-answer yes --quit-after 2 --profile "$scratch/profile.ini" \
        -platform offscreen >/dev/null 2>"$scratch/err.txt") || status=$?
    return "$status"
}
if [ -x "$veltrane" ]; then
    start=$(date +%s)
    status=0
    run_unattended "$veltrane" --device "$scratch/ttyUSB9" || status=$?
    took=$(($(date +%s) - start))
    [ "$status" -eq 1 ] || fail "unattended run against a missing device exits $status, not 1"
    [ "$took" -le 6 ] || fail "unattended run against a missing device took ${took}s for --quit-after 2"
    grep -q "$scratch/ttyUSB9 does not exist" "$scratch/err.txt" || fail "a missing device is not named: $(cat "$scratch/err.txt")"

    # As an ordinary user without the device's group (root may open anything).
    if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null; then
        touch "$scratch/ttyUSB8"
        chmod 660 "$scratch/ttyUSB8"
        chmod 755 "$scratch"
        group=$(stat -c %G "$scratch/ttyUSB8")
        status=0
        run_unattended setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$scratch" \
            "$veltrane" --device "$scratch/ttyUSB8" || status=$?
        [ "$status" -eq 1 ] || fail "unattended run as a user without the device's group exits $status, not 1"
        grep -q "sudo usermod -aG $group \$USER" "$scratch/err.txt" ||
            fail "a device refused for permission does not name its group: $(cat "$scratch/err.txt")"
    fi
fi

if [ "$failed" -ne 0 ]; then
    exit 1
fi
echo "first run: versions ($version), help, argument mistakes and unattended start-up as expected"
