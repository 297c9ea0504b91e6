#!/usr/bin/env bash
# Installs what is missing, builds, and starts farrowlane on a copy of the demo workspace.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
cd "$repo"

./scripts/deps.sh
./scripts/build.sh

work="${TMPDIR:-/tmp}/farrowlane-demo"
rm -rf "$work"
mkdir -p "$work"
cp -r demo/. "$work/"
cd "$work"
echo "Demo workspace: $work"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window cannot open."
    echo "This is what farrowctl reads from the demo workspace instead:"
    echo
    "$repo/build/src/cli/farrowctl" sites dump
    exit 0
fi
exec "$repo/build/src/ui/farrowlane" "$@"
