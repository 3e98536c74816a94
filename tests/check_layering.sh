#!/usr/bin/env bash
# The application reaches the operating system only through the kernel layer.
set -euo pipefail
cd "$(dirname "$0")/.."
forbidden='#include *<(unistd|fcntl|pthread|signal|dlfcn|dirent|netdb|poll|termios|spawn)\.h>|#include *<(sys|netinet|arpa|linux|net)/|#include *<(thread|mutex|condition_variable|filesystem|fstream|shared_mutex|future)>'
if hits=$(grep -rnE "$forbidden" app cmdserver config net diag 2>/dev/null); then
    echo "POSIX or OS facilities used outside kernel/:"
    echo "$hits"
    exit 1
fi
echo "layering ok"
