#!/usr/bin/env bash
# Renders the README's pictures into docs/pictures/ from a real run against farrowlane-sandbox:
# every page of the main window, the progress dialog in the middle of the run, the debug window,
# the deep checklist and the batch dialog (Qt offscreen), then the run's submission log and
# error log as headless Chromium shows them.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/deps.sh --pictures
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target test_ui

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
QT_QPA_PLATFORM=offscreen FARROW_SCREENSHOT_DIR="$out" \
    build/tests/test_ui --gtest_filter='SandboxWindowTest.*'

mkdir -p docs/pictures
cp "$out"/*.png docs/pictures/
for log in submission-log error-log; do
    chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
        --screenshot="$PWD/docs/pictures/$log.png" --window-size=900,560 \
        "file://$out/$log.htm" 2>/dev/null
done
ls -1 docs/pictures
