#!/usr/bin/env bash
# Installs what is missing, builds, and starts farrowlane on a copy of the demo workspace.
# Unless FARROWLANE_DB_SERVER is set, a loopback database server with the demo database answers
# the update check, so "Check Now" works without leaving this machine.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
cd "$repo"

./scripts/deps.sh
./scripts/build.sh

work="${TMPDIR:-/tmp}/farrowlane-demo"
rm -rf "$work"
mkdir -p "$work/workspace" "$work/server/database" "$work/server/executable"
cp -r demo/. "$work/workspace/"
cp demo/sites.enc "$work/server/database/"
cd "$work/workspace"
echo "Demo workspace: $work/workspace"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window cannot open."
    echo "This is what farrowctl reads from the demo workspace instead:"
    echo
    "$repo/build/src/cli/farrowctl" sites dump
    exit 0
fi

if [ -z "${FARROWLANE_DB_SERVER:-}" ]; then
    /usr/bin/python3 "$repo/scripts/loopback_ftp_server.py" "$work/server" >"$work/ftp.port" 2>"$work/ftp.log" &
    server=$!
    trap 'kill $server 2>/dev/null || true' EXIT
    for _ in $(seq 50); do
        [ -s "$work/ftp.port" ] && break
        sleep 0.1
    done
    export FARROWLANE_DB_SERVER="127.0.0.1:$(cat "$work/ftp.port")"
    echo "Demo database server: $FARROWLANE_DB_SERVER"
fi

"$repo/build/src/ui/farrowlane" "$@"
