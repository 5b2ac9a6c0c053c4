#!/usr/bin/env bash
# Builds the Debian package from the normal build (the default preset):
# build/default/package/cuemaster_VERSION_ARCH.deb, and beside it screenshots/main.png, the
# screenshot the AppStream metadata names, to publish at the address given there.
# scripts/check-package.sh checks, installs and removes the package.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh package

cmake --preset default
cmake --build --preset default --target cuemaster cm_package_files cm_screenshots

out=build/default/package
rm -f "$out"/*.deb
(cd build/default && cpack --config CPackConfig.cmake)
mkdir -p "$out/screenshots"
cp build/default/packaging/screenshots/main.png "$out/screenshots/main.png"
ls "$out"/*.deb
