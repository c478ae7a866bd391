#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, only those that are missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-translations-l10n fonts-liberation fonts-dejavu-core
    xvfb xauth xdotool x11-utils
    poppler-utils cups cups-client printer-driver-cups-pdf tesseract-ocr tesseract-ocr-deu
    dpkg-dev file desktop-file-utils appstream
    clang clang-tidy libclang-rt-14-dev libx11-dev libxtst-dev
    libcups2-dev python3
    libcsv-dev libcli11-dev man-db
    at-spi2-core python3-pyatspi dbus-daemon
    orca
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "Missing packages: ${missing[*]}; run this as root or install sudo." >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
