#!/usr/bin/env bash
# The Qt layers (app/, dialogs/, live/, plot/, tools/corvanet/, pure halves included) are built for
# Windows too, where no Qt is at hand to try them here: they must not use POSIX headers or calls.
# What differs between systems belongs behind a function in platform/ (or in device/ and sim/).
set -euo pipefail
cd "$(dirname "$0")/.."

layers=(app dialogs live plot tools/corvanet)
headers='unistd|termios|fcntl|poll|pty|dirent|grp|pwd|dlfcn|pthread|signal|spawn|syslog|libgen|glob'
# Names a program of its own may well use (file.close(), a lambda named write) count with :: only.
common='open|read|write|close|pipe|kill|stat|access|sleep|select|poll|dup|dup2|unlink'
posix='fork|getpid|getppid|getuid|geteuid|isatty|lstat|fstat|fsync|fcntl|ioctl|mkfifo|readlink|realpath|'
posix+='setsid|sigaction|usleep|openpty|tcgetattr|tcsetattr|waitpid'
pattern="^[[:space:]]*#[[:space:]]*include[[:space:]]*<(${headers})\.h>"
pattern+="|^[[:space:]]*#[[:space:]]*include[[:space:]]*<(sys|asm|linux|arpa|netinet)/"
pattern+="|(^|[^[:alnum:]_>.:])::(${common})\("
pattern+="|(^|[^[:alnum:]_>.:])(::)?(${posix})\("
found=$(git ls-files -- "${layers[@]/%//*.cpp}" "${layers[@]/%//*.h}" 2>/dev/null |
    xargs grep -nE "$pattern" 2>/dev/null |
    grep -vE '^[^:]+:[0-9]+:[[:space:]]*//' || true)
if [ -n "$found" ]; then
    echo "$found"
    echo "check-no-posix-in-qt: POSIX headers or calls in the Qt layers (move them behind platform/)" >&2
    exit 1
fi
echo "check-no-posix-in-qt: the Qt layers use no POSIX headers or calls"
