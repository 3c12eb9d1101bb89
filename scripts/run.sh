#!/usr/bin/env bash
# Sets up a fresh machine, builds, and runs Veltrane online against its built-in controller emulator.
# The working directory is work/ (created with a copy of the shipped DEFAULT.CFG); the run log and
# recorded data go there. Arguments replace the default "--simulate".
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
scripts/build.sh app

workdir="$PWD/work"
mkdir -p "$workdir"
[ -f "$workdir/DEFAULT.CFG" ] || cp DEFAULT.CFG "$workdir/DEFAULT.CFG"

# "Use Corvanet" finds the viewer through the profile's "Corvanet"/"Path"; point it at this build
# unless the operator has set it.
profile="${XDG_CONFIG_HOME:-$HOME/.config}/Veltrane/Veltrane.ini"
mkdir -p "$(dirname "$profile")"
if ! grep -q '^\[Corvanet\]' "$profile" 2>/dev/null; then
    printf '\n[Corvanet]\nPath=%s\n' "$PWD/build/tools/corvanet/" >>"$profile"
fi

if [ $# -eq 0 ]; then
    set -- --simulate
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display: running 10 seconds offscreen; a picture of the window goes to work/veltrane.png"
    export QT_QPA_PLATFORM=offscreen
    set -- "$@" --quit-after 10 --stats --screenshot "$workdir/veltrane.png"
fi
cd "$workdir"
exec ../build/app/veltrane "$@"
