#!/usr/bin/env bash
# Installs what the benchmark scripts need beyond scripts/install-deps.sh (CI runs no
# benchmarks): strace counts system calls for bench/syscalls.py.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
packages=(strace)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
