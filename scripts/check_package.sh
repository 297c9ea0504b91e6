#!/usr/bin/env bash
# Builds the Debian package and checks it as a user gets it: lintian, then installed on this
# machine (as root, through apt-get as a user would, waiting while another install holds dpkg's
# lock): the programs' versions, farrowctl in an empty workspace, the manual pages, the desktop
# entry (validated, and its launcher started with a virtual home, also as after an upgrade), the
# AppStream data and its release date, the systemd units, the bash completion; then removed, with
# none of its files left. lintian must report no hardening tag.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
    echo "check_package.sh installs the package with dpkg: run it as root" >&2
    exit 2
fi
if dpkg-query -W -f='${Status}' farrowlane 2>/dev/null | grep -q "install ok installed"; then
    echo "farrowlane is installed already; remove it first (apt remove farrowlane)" >&2
    exit 2
fi

deb=$(./scripts/package.sh | tail -n 1)
version=$(dpkg-deb -f "$deb" Version)
echo "== $deb ($(du -k "$deb" | cut -f1) KiB)"
dpkg-deb -f "$deb" Depends

echo "== lintian"
lintian_out=$(lintian --fail-on error --display-info --pedantic "$deb") || {
    printf '%s\n' "$lintian_out"
    echo "check_package.sh: lintian found errors" >&2
    exit 1
}
printf '%s\n' "$lintian_out"
# Built with Debian's hardening flags: not one hardening tag, informational ones included.
if grep -q "hardening-" <<<"$lintian_out"; then
    echo "check_package.sh: lintian reports hardening tags" >&2
    exit 1
fi

tmp=$(mktemp -d)
installed=false
sandbox=""
cleanup() {
    # A check that failed half-way still leaves the machine as it found it.
    if $installed; then
        remove >/dev/null || true
    fi
    if [ -n "$sandbox" ]; then
        kill "$sandbox" 2>/dev/null || true
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT

apt_get() {
    DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=600 "$@"
}
remove() {
    apt_get remove farrowlane
}

fail() {
    echo "check_package.sh: $*" >&2
    exit 1
}

echo "== install"
apt_get install --no-install-recommends "$deb"
installed=true
dpkg -L farrowlane | sort >"$tmp/files"

echo "== versions"
for program in farrowctl farrowlane farrowlane-sandbox; do
    # No display and no Qt platform: the window's program must answer before it needs one.
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=none "$program" --version)
    [ "$out" = "$program $version" ] || fail "$program --version said \"$out\""
    echo "$out"
done

echo "== farrowctl in an empty workspace"
mkdir "$tmp/empty"
rc=0
(cd "$tmp/empty" && farrowctl sites dump) 2>"$tmp/dump.err" || rc=$?
[ "$rc" -eq 1 ] || fail "sites dump in an empty workspace ended with $rc"
grep -q "There is no sites.enc in " "$tmp/dump.err" || fail "sites dump said: $(cat "$tmp/dump.err")"
[ -z "$(ls -A "$tmp/empty")" ] || fail "sites dump left files in an empty workspace"
cat "$tmp/dump.err"

echo "== manual pages"
for page in farrowctl farrowlane farrowlane-sandbox; do
    man -w "$page"
    # Every page renders without a complaint from groff.
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man $page: $warnings"
done
LC_ALL=C.UTF-8 MANWIDTH=80 man farrowctl 2>/dev/null | grep -q "systemctl --user enable --now" ||
    fail "the manual page of farrowctl does not say how to switch on the timer"
LC_ALL=C.UTF-8 MANWIDTH=80 man farrowctl 2>/dev/null | grep -q "^BATCH SESSIONS" ||
    fail "the manual page of farrowctl does not describe the batch session file"

echo "== desktop entry and AppStream data"
desktop=/usr/share/applications/farrowlane.desktop
desktop-file-validate "$desktop"
appstreamcli validate --no-net /usr/share/metainfo/*.metainfo.xml
# The release is dated as the changelog dates the package.
released=$(zcat /usr/share/doc/farrowlane/changelog.gz | sed -n 's/^ -- .*>  //p' | head -n 1)
[ -n "$released" ] || fail "the changelog has no date"
release_day=$(date -u -d "$released" +%F)
grep -q "<release version=\"$version\" date=\"$release_day\"/>" \
    /usr/share/metainfo/org.farrowlane.farrowlane.metainfo.xml ||
    fail "the AppStream release of $version is not dated $release_day"
echo "the AppStream release of $version is dated $release_day, as the changelog"
# The menu starts the launcher the package installs, not a command of its own.
launcher=/usr/lib/farrowlane/start-farrowlane
[ "$(sed -n 's/^Exec=//p' "$desktop")" = "$launcher" ] ||
    fail "the desktop entry does not start $launcher"
grep -qx "$launcher" "$tmp/files" || fail "$launcher is not a file of the package"
[ -x "$launcher" ] || fail "$launcher is not executable"
for size in 16 32 48 64 128 256; do
    [ -f "/usr/share/icons/hicolor/${size}x${size}/apps/farrowlane.png" ] ||
        fail "no ${size}x${size} icon"
done
# The menu's command, run as the desktop would, makes the workspace and starts the window there:
# the settings and log folders of the start-up appear. The window waits for the update question;
# it is stopped once they do.
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
mkdir "$tmp/home"
workspace="$tmp/home/Farrowlane"
start_from_menu() {
    rm -f "$workspace/farrow.cfg"
    HOME="$tmp/home" QT_QPA_PLATFORM=offscreen setsid bash -c "exec $exec_line" \
        >"$tmp/window.log" 2>&1 &
    local window=$!
    for _ in $(seq 100); do
        [ -f "$workspace/farrow.cfg" ] && [ -d "$workspace/LOGS" ] && break
        sleep 0.1
    done
    kill -- "-$window" 2>/dev/null || true
    wait "$window" 2>/dev/null || true
    [ -f "$workspace/farrow.cfg" ] || fail "the menu's command started no window: $(cat "$tmp/window.log")"
}
start_from_menu
for file in farrow.cfg LOGS ERRORS messages.cat sysconfig.fls SImage.flb icon.ico; do
    [ -e "$workspace/$file" ] || fail "the menu's command left no $file in ~/Farrowlane"
done
echo "the menu's command started the window in ~/Farrowlane"
# As if an older package had made the workspace: its captions untouched since, its branding
# edited by the user, its icon edited to what this package ships. The record of what the older
# package gave is the launcher's own (sha256sum's format).
shipped=/usr/share/farrowlane/workspace
sum() { sha256sum <"$1" | cut -d ' ' -f 1; }
printf 'older captions\r\n' >"$workspace/messages.cat"
printf 'my own branding\r\n' >"$tmp/my-branding"
cp "$tmp/my-branding" "$workspace/sysconfig.fls"
printf 'older branding\r\n' >"$tmp/older-branding"
cp "$shipped/icon.ico" "$workspace/icon.ico"
{
    echo "$(sum "$workspace/messages.cat")  messages.cat"
    echo "$(sum "$tmp/older-branding")  sysconfig.fls"
    echo "$(sum "$shipped/SImage.flb")  SImage.flb"
    echo "$(sum "$tmp/older-branding")  icon.ico"
} >"$workspace/.farrowlane-shipped"
start_from_menu
cmp -s "$shipped/messages.cat" "$workspace/messages.cat" ||
    fail "the newer package's captions did not replace the untouched ones"
cmp -s "$tmp/my-branding" "$workspace/sysconfig.fls" || fail "the user's edited branding was replaced"
cmp -s "$shipped/sysconfig.fls" "$workspace/sysconfig.fls.new" ||
    fail "the newer branding was not put beside the user's as sysconfig.fls.new"
cmp -s "$shipped/icon.ico" "$workspace/icon.ico" || fail "the icon changed"
for file in messages.cat SImage.flb icon.ico; do
    [ ! -e "$workspace/$file.new" ] || fail "$file.new was made for a file the user did not keep"
done
(cd "$shipped" && sha256sum --check --quiet "$workspace/.farrowlane-shipped") ||
    fail "the record does not hold the checksums of the files shipped now"
# Offered once: the next start leaves the user's file and the newer copy alone.
rm "$workspace/sysconfig.fls.new"
start_from_menu
[ ! -e "$workspace/sysconfig.fls.new" ] || fail "the newer branding was offered a second time"
cmp -s "$tmp/my-branding" "$workspace/sysconfig.fls" ||
    fail "the user's branding was replaced at the next start"
echo "a newer package's files replace untouched ones; an edited one stays, the newer copy beside it"

echo "== systemd units"
units=/usr/lib/systemd/user
instance=$(systemd-escape --path "$tmp/home/Farrowlane")
cp "$units/farrowlane-batch@.service" "$tmp/farrowlane-batch@$instance.service"
cp "$units/farrowlane-batch@.timer" "$tmp/farrowlane-batch@$instance.timer"
# Verified as the instance for a workspace; a warning (an unknown key, say) fails it too.
report=$(cd "$tmp" && systemd-analyze verify --man=no "farrowlane-batch@$instance.service" \
    "farrowlane-batch@$instance.timer" 2>&1) || fail "systemd-analyze verify: $report"
[ -z "$report" ] || fail "systemd-analyze verify: $report"
echo "farrowlane-batch@.service and .timer verified"
# The manual's command to switch the timer on, into a root of its own (no user manager needed).
mkdir -p "$tmp/root/usr/lib/systemd/user"
cp "$units"/farrowlane-batch@.* "$tmp/root/usr/lib/systemd/user/"
systemctl --root="$tmp/root" --global enable "farrowlane-batch@$instance.timer" 2>/dev/null
[ -L "$tmp/root/etc/systemd/user/timers.target.wants/farrowlane-batch@$instance.timer" ] ||
    fail "enabling farrowlane-batch@$instance.timer made no link"
# The service's command in its folder, against the sandbox: a night's batch keeps its report.
run=$(sed -n 's/^ExecStart=//p' "$units/farrowlane-batch@.service")
night="$tmp/night"
farrowlane-sandbox --workspace "$night" --for 120 >"$tmp/sandbox.log" 2>&1 &
sandbox=$!
for _ in $(seq 100); do
    grep -q "^Ready" "$tmp/sandbox.log" && break
    sleep 0.1
done
printf 'sandbox-demo.fl2\r\nDemo\r\nDATAEND\r\n' >"$night/nightly.flb"
rc=0
(cd "$night" && FARROWLANE_TIMING=httpReceiveTimeout=300,workerLatencyLimit=2000 $run) \
    >"$tmp/night.log" 2>&1 || rc=$?
kill "$sandbox" 2>/dev/null || true
wait "$sandbox" 2>/dev/null || true
sandbox=""
# The sandbox's failing targets fail, so the batch ends with 3, which the unit counts as success.
[ "$rc" -eq 3 ] || fail "the nightly batch ended with $rc: $(tail -n 5 "$tmp/night.log")"
grep -q "^SuccessExitStatus=3$" "$units/farrowlane-batch@.service" ||
    fail "the service counts a batch with failed sites as its own failure"
grep -q '"event":"end"' "$night/batch-report.jsonl" || fail "the nightly batch kept no report"
ls "$night"/LOGS/BatchLog-*.HTM >/dev/null || fail "the nightly batch wrote no batch log"
echo "the nightly batch ran and kept its report"

echo "== bash completion"
completion=/usr/share/bash-completion/completions/farrowctl
mkdir "$tmp/profiles" && touch "$tmp/profiles/"{bakery.fl2,night.flb,notes.txt}
complete_words() {
    # The words bash offers for the command line "$*" (the last word is being typed).
    (cd "$tmp/profiles" && bash -c '
        source /usr/share/bash-completion/bash_completion
        source "$0"
        COMP_WORDS=("$@")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        COMP_LINE="$*"
        COMP_POINT=${#COMP_LINE}
        _farrowctl farrowctl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "
    ' "$completion" farrowctl "$@")
}
expect_completion() {
    local want=$1
    shift
    local got
    got=$(complete_words "$@")
    [ "$got" = "$want" ] || fail "completing \"$*\" gave \"$got\", not \"$want\""
}
expect_completion "submit " su
expect_completion "decode dump " sites d
expect_completion "html jsonl " audit bakery.fl2 --format ""
expect_completion "--delay " audit bakery.fl2 --d
expect_completion "--external " audit bakery.fl2 --e
expect_completion "--debug --exclude --help --list --report --sitemap " deep x.fl2 --
expect_completion "--help history key submit verify " indexnow ""
expect_completion "--deep --delay --dry-run " indexnow submit bakery.fl2 --d
expect_completion "--crawl " indexnow submit bakery.fl2 --c
expect_completion "jsonl " crawl bakery.fl2 --format j
expect_completion "bakery.fl2 " crawl --format txt ""
expect_completion "bakery.fl2 " submit ""
expect_completion "night.flb " batch ""
expect_completion "/HTML " submit bakery.fl2 /H
expect_completion "/VUZODURI " update /
echo "commands, subcommands, options, switch words, formats and .fl2/.flb files complete"

echo "== remove"
remove
installed=false
status=$(dpkg-query -W -f='${db:Status-Abbrev}' farrowlane 2>/dev/null || true)
case "$status" in "" | "un "*) ;; *) fail "farrowlane is still known to dpkg as \"$status\"" ;; esac
left=()
while read -r path; do
    # Folders shared with other packages stay; every file and folder of our own goes.
    if [ -e "$path" ] && ! [ -d "$path" ]; then
        left+=("$path")
    elif [ -d "$path" ] && [[ $path == */farrowlane* ]]; then
        left+=("$path")
    fi
done <"$tmp/files"
[ ${#left[@]} -eq 0 ] || fail "left behind: ${left[*]}"
echo "removed; nothing of it is left"
