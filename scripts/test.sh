#!/usr/bin/env bash
# Installs what is missing, builds, and runs the tests through ctest.
#   ./scripts/test.sh              every test, the normal build
#   ./scripts/test.sh --sanitize   every test, the AddressSanitizer + UndefinedBehaviorSanitizer build
#   ./scripts/test.sh --tsan       the engine's and the crawl's tests, the ThreadSanitizer build
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/deps.sh
./scripts/build.sh "$@"

dir=build
run=()
select=()
case "${1:-}" in
    --sanitize)
        dir=build-asan
        export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
        export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
        ;;
    --tsan)
        dir=build-tsan
        select=(-L '^(submit|deep|crawl)$')
        export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan_suppressions.txt"
        # This ThreadSanitizer cannot map its shadow memory beside a fully randomised address
        # space, so the tests run with randomisation off.
        run=(setarch "$(uname -m)" -R)
        ;;
esac
export QT_QPA_PLATFORM=offscreen
"${run[@]}" ctest --test-dir "$dir" -j "$(nproc)" --output-on-failure "${select[@]}"
