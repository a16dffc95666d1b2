#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing.
# Runs as root (or through sudo when it is there).
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    nlohmann-json3-dev libjsoncpp-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    abigail-tools
    "$@"
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
