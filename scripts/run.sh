#!/usr/bin/env bash
# Installs what is missing, builds, and rehearses a whole run against farrowlane-sandbox: its
# simulated target sites, demo web site and mail sink answer on 127.0.0.1, and the demo
# workspace's sites database points at them, so nothing leaves this machine.
#
# With a display, the window starts in the demo workspace (on the Categories page, "Load
# Profile" sandbox-demo.fl2, then "Build + GO!"); a loopback database server answers "Check Now" unless
# FARROWLANE_DB_SERVER is set. Without one, farrowctl submits the demo profile, lists the demo
# site's pages for deep submission, crawls the whole demo site into a sitemap, announces the
# deep pages and then the sitemap's changed ones to the sandbox's announcement endpoint over
# HTTPS, submits the sitemap to the sandbox's Search Console and inspects the demo pages there,
# and tells where the logs are. Either way it ends by auditing the sandbox's second demo site
# (farrowctl audit sandbox-audit.fl2) and prints the audit's summary and where the audit is.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
cd "$repo"

./scripts/deps.sh
./scripts/build.sh

work="${TMPDIR:-/tmp}/farrowlane-demo"
rm -rf "$work"
mkdir -p "$work/workspace" "$work/server/database" "$work/server/executable"
# Captions, icon and picture come from the demo; the sandbox writes the sites database,
# branding, settings and the demo profile over it.
cp -r demo/. "$work/workspace/"

started=()
stop_started() {
    for pid in "${started[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${started[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
}
trap stop_started EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

"$repo/build/src/sandbox/farrowlane-sandbox" --workspace "$work/workspace" \
    >"$work/sandbox.log" 2>&1 &
started+=($!)
for _ in $(seq 100); do
    grep -q '^Ready;' "$work/sandbox.log" && break
    if ! kill -0 "${started[0]}" 2>/dev/null; then
        cat "$work/sandbox.log" >&2
        echo "The sandbox did not start." >&2
        exit 1
    fi
    sleep 0.1
done
grep -q '^Ready;' "$work/sandbox.log" || { echo "The sandbox did not get ready." >&2; exit 1; }
sed -n '/^Ready;/q;p' "$work/sandbox.log"
echo "Sandbox request log: $work/sandbox.log"
echo
cd "$work/workspace"
# The announcing commands trust the sandbox's HTTPS server through the CA file it wrote.
export FARROWLANE_CA_FILE="$work/workspace/sandbox-ca.pem"
endpoint=$(sed -n 's/^  announcement endpoint \(https:[^ ]*\)$/\1/p' "$work/sandbox.log")
busy_endpoint=$(sed -n 's/^  announcement endpoint, busy (429) \(https:[^ ]*\)$/\1/p' \
    "$work/sandbox.log")
export FARROWLANE_GOOGLE_API=$(sed -n 's/^Sandbox Search Console: \(http:[^ ]*\) .*$/\1/p' \
    "$work/sandbox.log")

# The second demo site, a chandlery read over HTTPS, holds one case of each fault the audit
# finds.
audit_second_site() {
    echo
    echo "Auditing the second demo site, a chandlery whose pages hold one case of each fault the"
    echo "audit finds (farrowctl audit sandbox-audit.fl2):"
    local audited=0
    "$repo/build/src/cli/farrowctl" audit sandbox-audit.fl2 || audited=$?
    # 3: errors were found, as the site means them to be.
    if [ "$audited" -ne 0 ] && [ "$audited" -ne 3 ]; then
        echo "farrowctl audit ended with $audited." >&2
        exit "$audited"
    fi
    echo "  Read it in a browser: file://$work/workspace/audit.html"
}

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window cannot open."
    echo "Submitting the demo profile with farrowctl instead:"
    echo
    status=0
    "$repo/build/src/cli/farrowctl" submit sandbox-demo.fl2 | tee "$work/submit.out" || status=$?
    # 3: some sites failed, as the sandbox means them to.
    if [ "$status" -ne 0 ] && [ "$status" -ne 3 ]; then
        echo "farrowctl submit ended with $status." >&2
        exit "$status"
    fi
    echo
    echo "The pages deep submission would announce (farrowctl deep --list):"
    "$repo/build/src/cli/farrowctl" deep --list sandbox-demo.fl2
    echo
    echo "The whole site as a search engine's crawler finds it (farrowctl crawl), into sitemap.xml:"
    "$repo/build/src/cli/farrowctl" crawl sandbox-demo.fl2 --report "$work/crawl.jsonl"
    echo "Left out of the sitemap, and why:"
    sed -n 's/.*"url":"\([^"]*\)".*"leftOut":"\([^"]*\)".*/  \1: \2/p' "$work/crawl.jsonl"
    echo
    echo "Checking the demo site's key file as the engines will (farrowctl indexnow verify):"
    "$repo/build/src/cli/farrowctl" indexnow verify sandbox-demo.fl2 || true
    echo
    echo "Announcing those pages over HTTPS (farrowctl indexnow submit --deep): first to the"
    echo "sandbox's busy endpoint, which answers 429 until it is given up, then to its strict one:"
    announced=0
    "$repo/build/src/cli/farrowctl" indexnow submit sandbox-demo.fl2 --deep \
        --endpoint "$busy_endpoint" --endpoint "$endpoint" | tee "$work/indexnow.out" ||
        announced=$?
    if [ "$announced" -ne 0 ]; then
        echo "farrowctl indexnow submit ended with $announced." >&2
        exit "$announced"
    fi
    echo
    echo "Announcing the pages of the crawl's sitemap.xml (farrowctl indexnow submit --sitemap):"
    echo "those just announced are left out, as unchanged since or sent recently; the rest go:"
    "$repo/build/src/cli/farrowctl" indexnow submit sandbox-demo.fl2 --sitemap sitemap.xml \
        --endpoint "$endpoint" | tee "$work/indexnow-sitemap.out" || announced=$?
    if [ "$announced" -ne 0 ]; then
        echo "farrowctl indexnow submit --sitemap ended with $announced." >&2
        exit "$announced"
    fi
    echo
    echo "Submitting the demo site's sitemap to the sandbox's Search Console with the service"
    echo "account it made (farrowctl google sitemap submit), then asking it page by page what its"
    echo "index holds (farrowctl google inspect --deep):"
    googled=0
    "$repo/build/src/cli/farrowctl" google sitemap submit sandbox-demo.fl2 || googled=$?
    if [ "$googled" -ne 0 ]; then
        echo "farrowctl google sitemap submit ended with $googled." >&2
        exit "$googled"
    fi
    "$repo/build/src/cli/farrowctl" google inspect sandbox-demo.fl2 --deep || googled=$?
    if [ "$googled" -ne 0 ]; then
        echo "farrowctl google inspect ended with $googled." >&2
        exit "$googled"
    fi
    echo
    good=$(grep -c '^SUCCESSFUL: ' "$work/submit.out" || true)
    failed=$(grep -c '^FAILED: ' "$work/submit.out" || true)
    failures=$(sed -n 's/^Failure profile: //p' "$work/submit.out")
    echo "Summary: $good sites SUCCESSFUL, $failed FAILED (the sandbox's failing targets)."
    sed -n 's/^\(Log\|Error log\): /  \1: /p' "$work/submit.out"
    sed -n 's/^\(IndexNow log\): /  \1: /p' "$work/indexnow.out"
    echo "  What was announced, and when: cd $work/workspace && $repo/build/src/cli/farrowctl indexnow history"
    echo "  What Google was asked, and what it answered: cd $work/workspace && $repo/build/src/cli/farrowctl google history"
    echo "  Mail taken by the sandbox: $work/workspace/MAILBOX"
    if [ -n "$failures" ]; then
        echo "Submit the failed sites again with:"
        echo "  cd $work/workspace && $repo/build/src/cli/farrowctl submit '$failures'"
    fi
    audit_second_site
    exit 0
fi

if [ -z "${FARROWLANE_DB_SERVER:-}" ]; then
    # The database server offers the sandbox's own database, so "Check Now" keeps the targets
    # on this machine.
    cp "$work/workspace/sites.enc" "$work/server/database/"
    /usr/bin/python3 "$repo/scripts/loopback_ftp_server.py" "$work/server" \
        >"$work/ftp.port" 2>"$work/ftp.log" &
    started+=($!)
    for _ in $(seq 50); do
        [ -s "$work/ftp.port" ] && break
        sleep 0.1
    done
    export FARROWLANE_DB_SERVER="127.0.0.1:$(cat "$work/ftp.port")"
    echo "Demo database server: $FARROWLANE_DB_SERVER"
fi
echo "Demo workspace: $work/workspace"
echo "On the Categories page, press Load Profile and pick sandbox-demo.fl2, then Build + GO!"
echo "To announce the demo site, press IndexNow... and give the endpoint $endpoint"
audit_second_site

"$repo/build/src/ui/farrowlane" "$@"
