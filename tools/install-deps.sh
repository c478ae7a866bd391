#!/usr/bin/env bash
# Installs the Debian 12 packages of tools/packages.txt that are missing.
#   bash tools/install-deps.sh           install what is missing
#   bash tools/install-deps.sh --check   only check that every program of the list is there; names
#                                        each missing one with its package (exit 1)
set -euo pipefail
cd "$(dirname "$0")"

packages=()
declare -A package_of module_of
while read -r package programs; do
    packages+=("$package")
    for program in $programs; do
        if [[ $program == python:* ]]; then module_of[${program#python:}]=$package; else package_of[$program]=$package; fi
    done
done < <(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' packages.txt)

if [ "${1:-}" = --check ]; then
    missing=0
    for program in "${!package_of[@]}"; do
        if [[ $program == /* ]]; then [ -x "$program" ] && continue; else command -v "$program" >/dev/null && continue; fi
        echo "Missing program: $program (Debian package ${package_of[$program]})" >&2
        missing=1
    done
    # Debian's own Python: the modules come as Debian packages, whatever python3 is first on the PATH.
    for module in "${!module_of[@]}"; do
        /usr/bin/python3 -c "import $module" 2>/dev/null && continue
        echo "Missing Python module: $module (Debian package ${module_of[$module]})" >&2
        missing=1
    done
    exit "$missing"
fi

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
