#!/usr/bin/env bash
# Makes a fresh controller disk (drive C:) in DIR: the system directory with the Ethernet
# driver configuration a normal image reads, C:\zu-rt\system\ethernet\ethernet.ini (the same
# drivers as drive B:'s, which every image carries). The rescue image reads B:\ethernet.ini.
# An existing file is left as it is.
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "usage: $0 DIR" >&2
    exit 2
fi
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
ethernet="$1/zu-rt/system/ethernet"
mkdir -p "$ethernet"
if [ ! -e "$ethernet/ethernet.ini" ]; then
    cp "$source_dir/image/cfs/ethernet.ini" "$ethernet/ethernet.ini"
fi
