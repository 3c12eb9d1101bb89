#!/usr/bin/env bash
# Sets up a fresh machine, builds, and runs the program.
# For now the program's configuration tool shows the shipped DEFAULT.CFG; arguments replace "show DEFAULT.CFG".
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh normal
if [ $# -eq 0 ]; then
    set -- show DEFAULT.CFG
fi
exec build/tools/veltrane-cfg "$@"
