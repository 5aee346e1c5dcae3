#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks the installed tree:
# the programs run from there, the launcher is valid, the icons are there.
set -euo pipefail
build="$1"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
cmake --install "$build" --prefix "$root/usr" >/dev/null
"$root/usr/bin/kel-remote-cli" --version | grep -qx "kel-remote-cli [0-9.]*"
"$root/usr/bin/kel-desk-emulator" --version | grep -qx "kel-desk-emulator [0-9.]*"
"$root/usr/bin/kel-remote" --version | grep -qx "kel-remote [0-9.]*"
for size in 16 22 24 32 48 64 128 256 512; do
    test -s "$root/usr/share/icons/hicolor/${size}x${size}/apps/kel-remote.png"
done
test -s "$root/usr/share/icons/hicolor/scalable/apps/kel-remote.svg"
test -s "$root/usr/share/doc/kel-remote/desk-emulator.md"
desktop="$root/usr/share/applications/kel-remote.desktop"
test -s "$desktop"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop"
fi
echo "installed tree complete"
