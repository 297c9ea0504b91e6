#!/usr/bin/env bash
# Renders the main window offscreen into docs/main-window.png (the README's picture).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target test_ui
QT_QPA_PLATFORM=offscreen FARROW_SCREENSHOT_DIR="$PWD/docs" \
    build/tests/test_ui --gtest_filter='WindowTest.RendersTheMainWindowAtItsFixedSize'
echo "Written: docs/main-window.png"
