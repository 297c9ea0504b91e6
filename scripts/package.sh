#!/usr/bin/env bash
# Builds the Debian package farrowlane_VERSION_ARCH.deb into the top folder: the programs alone
# (no tests, no benchmarks) in build-package/, installed under /usr and packed by CPack, with the
# run-time dependencies read from the binaries. Prints the package's path last.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/deps.sh
./scripts/deps.sh --package

# The changelog's date is the last commit's, so that the same commit packs the same files.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && git rev-parse --git-dir >/dev/null 2>&1; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
    export SOURCE_DATE_EPOCH
fi

dir=build-package
# Debian's hardening: stack protector, _FORTIFY_SOURCE, format checks, a read-only relocation
# table resolved at start (relro, now), position-independent programs.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cxxflags=$(dpkg-buildflags --get CXXFLAGS)
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$cppflags $cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DFARROW_BUILD_TESTS=OFF -DFARROW_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)"
rm -f "$dir"/farrowlane_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(cd "$dir" && ls farrowlane_*.deb)
rm -f farrowlane_*.deb
cp "$dir/$deb" .
echo "$PWD/$deb"
