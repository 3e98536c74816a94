#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Lifeboat need.
set -euo pipefail
packages=(cmake make g++ clang libclang-rt-14-dev python3 zip
          libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
          iproute2 procps libnl-3-dev libnl-route-3-dev
          libsystemd-dev pkgconf tshark tcpdump help2man dpkg-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    # noninteractive also answers tshark's question about capturing as a normal user (no).
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi
