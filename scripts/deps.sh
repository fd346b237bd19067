#!/usr/bin/env bash
# Makes sure the Debian packages the build needs are installed. As root it installs what is missing
# with apt-get; otherwise it prints the apt-get line to run and fails.
#   scripts/deps.sh [extra packages...]
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    libgtest-dev libbenchmark-dev
    qt6-base-dev libgl-dev
    libcli11-dev nlohmann-json3-dev libutf8proc-dev scdoc
    libsqlite3-dev unicode-data bzip2
    fonts-wqy-zenhei
    xvfb openbox x11-utils
    "$@"
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
    echo "Missing packages. Run as root:" >&2
    echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
    exit 1
fi
