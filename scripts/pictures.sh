#!/usr/bin/env bash
# Renders the README's pictures into docs/pictures/ from a real run against farrowlane-sandbox:
# every page of the main window, the progress dialog in the middle of the run, the debug window,
# the deep checklist and the batch dialog (Qt offscreen), then the run's submission log and
# error log, and the audit of the sandbox's second demo site, as headless Chromium shows them.
#
# pictures.sh audit: the audit's picture alone.
set -euo pipefail
cd "$(dirname "$0")/.."

which=all
case "${1:-}" in
    "") ;;
    audit) which=audit ;;
    *)
        echo "usage: $0 [audit]" >&2
        exit 2
        ;;
esac

./scripts/deps.sh --pictures
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

out="$(mktemp -d)"
sandbox=""
finish() {
    if [ -n "$sandbox" ]; then
        kill "$sandbox" 2>/dev/null || true
        wait "$sandbox" 2>/dev/null || true
    fi
    rm -rf "$out"
}
trap finish EXIT
mkdir -p docs/pictures

if [ "$which" = all ]; then
    cmake --build build -j "$(nproc)" --target test_ui
    QT_QPA_PLATFORM=offscreen FARROW_SCREENSHOT_DIR="$out" \
        build/tests/test_ui --gtest_filter='SandboxWindowTest.*'
    cp "$out"/*.png docs/pictures/
    for log in submission-log error-log; do
        chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
            --screenshot="$PWD/docs/pictures/$log.png" --window-size=900,560 \
            "file://$out/$log.htm" 2>/dev/null
    done
fi

# The audit of the second demo site, with the pages of its crawl announced to the sandbox's
# endpoint and those of its sitemap inspected in its Search Console first, so that both columns
# and the coverage chart show.
cmake --build build -j "$(nproc)" --target farrowctl farrowlane-sandbox
farrowctl="$PWD/build/src/cli/farrowctl"
build/src/sandbox/farrowlane-sandbox --workspace "$out/workspace" --for 300 \
    >"$out/sandbox.log" 2>&1 &
sandbox=$!
for _ in $(seq 100); do
    grep -q '^Ready;' "$out/sandbox.log" && break
    sleep 0.1
done
grep -q '^Ready;' "$out/sandbox.log" || { cat "$out/sandbox.log" >&2; exit 1; }
endpoint=$(sed -n 's/^  announcement endpoint \(https:[^ ]*\)$/\1/p' "$out/sandbox.log")
secure=$(sed -n 's/^Sandbox web server: .* and \(https:[^ ]*\) .*$/\1/p' "$out/sandbox.log")
(
    cd "$out/workspace"
    export FARROWLANE_CA_FILE="$out/workspace/sandbox-ca.pem"
    export FARROWLANE_GOOGLE_API=$(sed -n 's/^Sandbox Search Console: \(http:[^ ]*\) .*$/\1/p' \
        "$out/sandbox.log")
    "$farrowctl" indexnow submit sandbox-audit.fl2 --crawl --endpoint "$endpoint" >/dev/null
    "$farrowctl" google inspect sandbox-audit.fl2 --sitemap "${secure}chandlery/sitemap.xml" \
        >/dev/null
    # 3: the site's errors were found, as it means them to be.
    audited=0
    "$farrowctl" audit sandbox-audit.fl2 --out "$out/audit.html" >/dev/null || audited=$?
    [ "$audited" -eq 0 ] || [ "$audited" -eq 3 ]
)
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --screenshot="$PWD/docs/pictures/audit.png" --window-size=900,1054 \
    "file://$out/audit.html" 2>/dev/null
ls -1 docs/pictures
