#!/usr/bin/env bash
# The broken links farrowctl audit finds against those two link checkers written elsewhere find
# on the same generated site: Debian's linkchecker and npm's linkinator 6 (version 8 needs a newer
# Node than Debian 12's). The site has 200 pages in folders, 20 distinct broken internal links
# (missing files, a 410 and a 500), redirects, a redirect chain and good links written in every
# form (absolute, relative, "../", with fragments); nginx serves it on a free loopback port.
#   ./bench/compare_link_checkers.sh [build-dir]     (default build/; KEEP=1 keeps the site and
#                                                     every tool's output and names the folder)
# It installs linkchecker and nginx-light with apt when missing, and linkinator into
# build-dir/link-checkers/ (not part of the project). Prints the size of each set and every
# difference; exits 1 when farrowctl's set differs from both peers' sets.
# Seen so far: farrowctl and linkchecker find the 20; linkinator 6 also counts as broken 18 good
# pages, because it resolves the relative links of a page reached through a redirect against the
# redirect's address rather than the page's own (each difference is printed with a page linking
# it: a redirecting address).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(realpath "${1:-build}")
farrowctl=$dir/src/cli/farrowctl
[ -x "$farrowctl" ] || cmake --build "$dir" --target farrowctl >/dev/null

if ! command -v linkchecker >/dev/null || ! [ -x /usr/sbin/nginx ]; then
    apt-get update >/dev/null
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends linkchecker \
        nginx-light >/dev/null
fi
if ! command -v npm >/dev/null; then
    echo "npm is needed for linkinator (Debian 12's nodejs and npm, or Node 20's)" >&2
    exit 1
fi
tools=$dir/link-checkers
if ! [ -x "$tools/node_modules/.bin/linkinator" ]; then
    mkdir -p "$tools"
    (cd "$tools" && npm install --no-audit --no-fund --silent linkinator@6 >/dev/null)
fi

work=$(mktemp -d)
chmod 755 "$work"
nginx_pid=
cleanup() {
    if [ -n "$nginx_pid" ]; then
        kill "$nginx_pid" 2>/dev/null || true
        wait "$nginx_pid" 2>/dev/null || true
    fi
    if [ -n "${KEEP:-}" ]; then
        echo "kept $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT

port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
base=http://127.0.0.1:$port

# The site, its redirects as nginx rules, and the broken addresses expected, one a line.
/usr/bin/python3 - "$work" "$base" <<'EOF'
import os, sys

root, base = sys.argv[1], sys.argv[2]
pages = 200

def path(n):
    return "/site/index.htm" if n == 0 else f"/site/d{n % 10}/p{n}.htm"

def relative(frm, to):
    return os.path.relpath(to, os.path.dirname(frm))

broken = [f"/site/d{k % 10}/gone{k}.htm" for k in range(16)]
broken += ["/site/missing/a.htm", "/site/missing/b.htm", "/site/removed.htm", "/site/fail.htm"]
# Redirects to good pages: five single hops and a chain of two.
redirects = {f"/site/old{k}.htm": path(k * 7) for k in range(1, 6)}
redirects["/site/chain1.htm"] = "/site/chain2.htm"
redirects["/site/chain2.htm"] = path(3)

links = {n: [] for n in range(pages)}
for n in range(pages):
    for k in (1, 2, 3):
        child = n * 3 + k
        if child < pages:
            links[n].append(relative(path(n), path(child)))
    if n > 0:
        links[n].append(path((n - 1) // 3) + "#top")
    links[n].append(base + path((n * 37 + 11) % pages))
for k, url in enumerate(broken):
    # Each broken address linked from one to three pages, written differently on each.
    for j in range(1 + k % 3):
        n = (k * 13 + j * 71 + 5) % pages
        links[n].append([url, relative(path(n), url), base + url][j])
for k, url in enumerate(redirects):
    links[(k * 29 + 17) % pages].append(url)

for n in range(pages):
    file = root + "/www" + path(n)
    os.makedirs(os.path.dirname(file), exist_ok=True)
    body = "".join(f'<p><a href="{href}">link {i}</a></p>\n' for i, href in enumerate(links[n]))
    with open(file, "w") as out:
        out.write(f"<!DOCTYPE html>\n<html><head><title>Page {n}</title>"
                  f'<meta name="description" content="About page {n}"></head>\n'
                  f'<body><h1 id="top">Page {n}</h1>\n{body}</body></html>\n')
with open(root + "/redirects.conf", "w") as out:
    for frm, to in redirects.items():
        out.write(f"location = {frm} {{ return 301 {to}; }}\n")
    out.write("location = /site/removed.htm { return 410; }\n")
    out.write("location = /site/fail.htm { return 500; }\n")
with open(root + "/expected.txt", "w") as out:
    out.write("".join(base + url + "\n" for url in sorted(broken)))
EOF

cat >"$work/nginx.conf" <<EOF
daemon off;
master_process off;
worker_processes 1;
error_log $work/nginx-error.log;
pid $work/nginx.pid;
events { worker_connections 256; }
http {
    access_log off;
    client_body_temp_path $work/tmp;
    proxy_temp_path $work/tmp;
    fastcgi_temp_path $work/tmp;
    uwsgi_temp_path $work/tmp;
    scgi_temp_path $work/tmp;
    types { text/html htm html; }
    server {
        listen 127.0.0.1:$port;
        root $work/www;
        index index.htm;
        absolute_redirect off;
        include $work/redirects.conf;
    }
}
EOF
mkdir -p "$work/tmp"
/usr/sbin/nginx -c "$work/nginx.conf" -p "$work" &
nginx_pid=$!
for _ in $(seq 50); do
    curl -sf --noproxy '*' -o /dev/null "$base/site/index.htm" && break
    sleep 0.1
done

# Seconds since the EPOCHREALTIME given, to a tenth.
since() { awk -v from="$1" -v to="$EPOCHREALTIME" 'BEGIN { printf "%.1f", to - from }'; }

# farrowctl: the broken-link findings of the audit's JSON Lines.
printf '%s\r\n' '[Farrowlane Release Profile Storage]' "$base/site/index.htm" Compare "" Lee Ann \
    a@b Co "" "" "" "" "" "" 555 "" jet >"$work/site.fl2"
for _ in $(seq 15); do printf '\r\n' >>"$work/site.fl2"; done
printf '%s\r\n' SAFE SAFE SHALLOW DATAEND >>"$work/site.fl2"
rc=0
t0=$EPOCHREALTIME
(cd "$work" && no_proxy=127.0.0.1 "$farrowctl" audit site.fl2 --format jsonl --out audit.jsonl \
    >farrowctl.out 2>&1) || rc=$?
if [ "$rc" -ne 0 ] && [ "$rc" -ne 3 ]; then
    cat "$work/farrowctl.out" >&2
    exit 1
fi
farrowctl_s=$(since "$t0")
/usr/bin/python3 -c '
import json, sys
for line in open(sys.argv[1]):
    e = json.loads(line)
    if e["event"] == "audit-finding" and e["kind"] == "broken-link":
        for page in e["linkedFrom"]:
            print(e["url"] + "\t" + page)
' "$work/audit.jsonl" >"$work/farrowctl.from"

# linkchecker: every invalid address, as resolved (CSV's "url" column).
t0=$EPOCHREALTIME
(cd "$work" && linkchecker --no-status --no-warnings -o csv "$base/site/index.htm" \
    >linkchecker.csv 2>linkchecker.err) || true
linkchecker_s=$(since "$t0")
/usr/bin/python3 -c '
import csv, sys
rows = [l for l in open(sys.argv[1]) if not l.startswith("#")]
for row in csv.DictReader(rows, delimiter=";"):
    if row.get("valid") == "False":
        print(row["url"] + "\t" + row["parentname"])
' "$work/linkchecker.csv" >"$work/linkchecker.from"

# linkinator: every link whose state is BROKEN. It recurses only below the address it is given,
# so it starts at the folder (nginx answers it with index.htm).
t0=$EPOCHREALTIME
(cd "$work" && "$tools/node_modules/.bin/linkinator" "$base/site/" --recurse \
    --format json >linkinator.json 2>linkinator.err) || true
linkinator_s=$(since "$t0")
/usr/bin/python3 -c '
import json, sys
for link in json.load(open(sys.argv[1]))["links"]:
    if link["state"] == "BROKEN":
        print(link["url"] + "\t" + link.get("parent", ""))
' "$work/linkinator.json" >"$work/linkinator.from"

for tool in farrowctl linkchecker linkinator; do
    cut -f1 "$work/$tool.from" | sort -u >"$work/$tool.txt"
done
count() { wc -l <"$work/$1.txt" | tr -d ' '; }
echo "site: 200 pages, $(count expected) broken internal links, 7 redirects ($base, nginx)"
echo "farrowctl audit: $(count farrowctl) broken (${farrowctl_s} s)"
echo "linkchecker $(linkchecker --version 2>/dev/null | head -n1 | cut -d' ' -f2): $(count linkchecker) broken (${linkchecker_s} s)"
echo "linkinator $("$tools/node_modules/.bin/linkinator" --version): $(count linkinator) broken (${linkinator_s} s)"
same=()
for peer in expected linkchecker linkinator; do
    if diff -q "$work/farrowctl.txt" "$work/$peer.txt" >/dev/null; then
        same+=("$peer")
        echo "farrowctl = $peer"
    else
        echo "farrowctl and $peer differ (< farrowctl only, > $peer only; a page linking it):"
        diff "$work/farrowctl.txt" "$work/$peer.txt" | grep '^[<>]' | while read -r side url; do
            tool=$peer
            [ "$side" = "<" ] && tool=farrowctl
            from=$(grep -m1 "^$url	" "$work/$tool.from" 2>/dev/null | cut -f2 || true)
            echo "$side $url${from:+ (linked from $from)}"
        done || true
    fi
done
for s in "${same[@]}"; do
    [ "$s" != expected ] && exit 0
done
exit 1
