#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; a quick no-op when all are present.
# --pictures adds what scripts/pictures.sh needs besides (a headless browser for the logs);
# --window what trying the window without a display needs (a virtual X display, a driver, a
# screenshooter) and xdg-utils, through which the window's browser actions start the browser;
# --package what scripts/package.sh and scripts/check_package.sh need to build and check the
# Debian package.
# Several options may be given together.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libcurl4-openssl-dev libssl-dev libsqlite3-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    nlohmann-json3-dev libcpp-httplib-dev libcli11-dev
    libxml2-dev zlib1g-dev liburiparser-dev
    python3 python3-pyftpdlib
    curl wget
    clang clang-format libclang-rt-14-dev
    ccache
)
for option in "$@"; do
    case "$option" in
        --pictures) packages+=(chromium) ;;
        --window) packages+=(xvfb xdotool x11-utils imagemagick xdg-utils) ;;
        --package)
            packages+=(dpkg-dev file lintian desktop-file-utils appstream man-db bash-completion
                       systemd xdg-utils)
            ;;
        *)
            echo "usage: $0 [--pictures] [--window] [--package]" >&2
            exit 2
            ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
