#!/usr/bin/env bash
# Builds the fuzz targets into build-fuzz/ with clang and runs each for SECONDS (default 20),
# starting from its seed corpus in fuzz/corpus/<target>/. New inputs found go to
# build-fuzz/corpus/<target>/, never into the repository; a crash leaves its input in
# build-fuzz/artifacts/ and makes the script fail.
#   ./scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
shift || true

./scripts/deps.sh
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFARROW_FUZZ=ON \
    -DFARROW_BUILD_TESTS=OFF -DFARROW_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target fuzz_all

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for seeds in fuzz/corpus/*/; do
        targets+=("$(basename "$seeds")")
    done
fi

mkdir -p build-fuzz/artifacts build-fuzz/tmp
# The targets that read files write each input there first (memory when it can).
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
else
    export TMPDIR="$PWD/build-fuzz/tmp"
fi
failed=0
for target in "${targets[@]}"; do
    mkdir -p "build-fuzz/corpus/$target"
    echo "== $target ($seconds s)"
    if ! "build-fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$target-" \
        "build-fuzz/corpus/$target" "fuzz/corpus/$target" 2>"build-fuzz/$target.log"; then
        failed=1
        tail -n 40 "build-fuzz/$target.log"
    fi
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "build-fuzz/$target.log" || true
done
exit $failed
