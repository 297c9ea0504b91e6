#!/usr/bin/env bash
# Configures and builds into build/, build-asan/ with --sanitize, or build-tsan/ with --tsan (the
# ThreadSanitizer build holds only the engine's and the crawl's tests).
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
targets=()
case "${1:-}" in
    --sanitize)
        dir=build-asan
        flags=(-DCMAKE_BUILD_TYPE=Debug -DFARROW_SANITIZE=ON -DFARROW_BUILD_BENCH=OFF)
        ;;
    --tsan)
        dir=build-tsan
        flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DFARROW_TSAN=ON -DFARROW_BUILD_BENCH=OFF)
        targets=(--target test_submit test_deep test_crawl)
        ;;
esac
cmake -S . -B "$dir" "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
