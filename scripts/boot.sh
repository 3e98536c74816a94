#!/usr/bin/env bash
# Fresh machine to running controller: installs packages, builds, boots the image.
# Arguments go to the image (default disk: ./lifeboat-disk, created when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
case " $* " in
    *" --disk"*) ;;
    *) [ -e lifeboat-disk ] || scripts/make-disk.sh lifeboat-disk ;;
esac
exec build/lifeboat.exe "$@"
