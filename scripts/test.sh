#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through ctest.
#   ./scripts/test.sh              the normal build
#   ./scripts/test.sh --sanitize   the AddressSanitizer + UndefinedBehaviorSanitizer build
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/deps.sh
./scripts/build.sh "$@"

dir=build
[ "${1:-}" = "--sanitize" ] && dir=build-asan
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" -j "$(nproc)" --output-on-failure
