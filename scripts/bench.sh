#!/usr/bin/env bash
# Builds and runs every benchmark in bench/ and prints one table of their figures.
#   ./scripts/bench.sh [build-dir]     (default build/, configured by scripts/build.sh)
# The pacing and window figures use the product's timing, so a whole table takes some minutes.
set -euo pipefail
cd "$(dirname "$0")/.."

dir=${1:-build}
if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
benches=(startup_bench http_exchange_bench submission_pacing_bench farrowctl_pacing_bench
         window_stall_bench reply_memory_bench deep_crawl_bench site_crawl_bench soak_bench
         google_index_bench audit_bench)
cmake --build "$dir" -j "$(nproc)" --target "${benches[@]}" >/dev/null
b=$dir/bench
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

# Each benchmark's output is kept; the table takes its figures from it.
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
run() {
    local name=$1
    shift
    echo "running $name ..." >&2
    if ! "$b/$name" "$@" >"$out/$name" 2>"$out/$name.err"; then
        echo "$name failed:" >&2
        cat "$out/$name" "$out/$name.err" >&2
    fi
}
run startup_bench
run http_exchange_bench
run submission_pacing_bench 1 16 40 200
run farrowctl_pacing_bench 1 16 40 200
run window_stall_bench 200
run reply_memory_bench 100
run deep_crawl_bench
run site_crawl_bench
run soak_bench 500 5000
run google_index_bench 2000
run audit_bench


cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')
echo
echo "Machine: $(nproc) cores, $cpu; load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Build: $(grep -m1 CMAKE_BUILD_TYPE: "$dir/CMakeCache.txt" | cut -d= -f2)"
echo
echo "| Benchmark | Figure | Goal |"
echo "|---|---|---|"
echo "| Start-up, empty workspace against 5000 sites | $(sed -n 's/^start-up: //p' "$out/startup_bench") | |"
ms() { grep "$2" "$out/$1" | grep -o '[0-9.]* ms' | head -n 1; }
echo "| HTTP transport against bare libcurl, 1000 GETs | ratio $(grep '^  ratio:' "$out/http_exchange_bench" | grep -o '[0-9.]*$') ($(ms http_exchange_bench sendExchange) against $(ms http_exchange_bench 'libcurl alone'); $(grep -o 'ratio [0-9.]* to [0-9.]*, median [0-9.]*' "$out/http_exchange_bench" | sed 's/^ratio/rounds/')) | <= 1.05 |"
while read -r line; do
    echo "| Pacing, engine, $(echo "$line" | cut -d' ' -f1) | $(echo "$line" | cut -d' ' -f3-) | 1.00-1.02 |"
done < <(grep '^N=' "$out/submission_pacing_bench")
while read -r line; do
    echo "| Pacing, farrowctl submit, $(echo "$line" | cut -d' ' -f1) | $(echo "$line" | cut -d' ' -f3-) | 1.00-1.02 |"
done < <(grep '^N=' "$out/farrowctl_pacing_bench")
echo "| Window's longest stall, 200 sites | $(grep -o 'longest gap.*' "$out/window_stall_bench") | < 17 ms |"
echo "| Memory, 15 replies of 100 MB | $(grep -o 'peak RSS.*' "$out/reply_memory_bench") | < 80 MB |"
echo "| Deep crawl against wget | ratio $(grep ratio "$out/deep_crawl_bench" | grep -o '[0-9.]*$') ($(ms deep_crawl_bench 'deep crawl') against $(ms deep_crawl_bench wget)) | |"
echo "| Whole-site crawl against wget, 2000 pages | ratio $(sed -n 's/^ratio crawl \/ wget: //p' "$out/site_crawl_bench") (farrowctl crawl $(sed -n 's/^farrowctl crawl: //p' "$out/site_crawl_bench"); wget $(sed -n 's/^wget --spider -r -l inf: //p' "$out/site_crawl_bench")) | <= 1.00, the same pages |"
while read -r line; do
    echo "| Soak, farrowctl submit, $(echo "$line" | cut -d' ' -f1) | $(echo "$line" | cut -d' ' -f3-) | 0 problems |"
done < <(grep '^N=' "$out/soak_bench")
echo "| Search Console, 2000 inspections against the sandbox, pacing shrunk | $(grep -o 'wall=.*' "$out/google_index_bench") | < 10 s, < 64 MB |"
while read -r line; do
    echo "| Site audit against the crawl alone, $(echo "$line" | cut -d' ' -f1) pages | $(echo "$line" | cut -d' ' -f2-) | <= 1.2, memory by the page count |"
done < <(grep '^N=' "$out/audit_bench" | sed 's/^N=//')
