#!/usr/bin/env bash
# The application reaches the operating system only through the kernel layer, and inside the
# kernel only the posix/ folders touch the host.
set -euo pipefail
cd "$(dirname "$0")/.."
posix='#include *<(unistd|fcntl|pthread|signal|dlfcn|dirent|netdb|poll|termios|spawn|sched|semaphore|ucontext|link|elf|ifaddrs|getopt|strings|malloc|syslog|pwd|grp|cpuid|x86intrin)\.h>|#include *<(sys|netinet|arpa|linux|net)/'
forbidden="$posix"'|#include *<(thread|mutex|condition_variable|filesystem|fstream|shared_mutex|future)>'
status=0
if hits=$(grep -rnE "$forbidden" app cmdserver config net diag 2>/dev/null); then
    echo "POSIX or OS facilities used outside kernel/:"
    echo "$hits"
    status=1
fi
if hits=$(grep -rnE "$posix" kernel 2>/dev/null | grep -vE '^kernel/([^:]*/)?posix/'); then
    echo "POSIX header included by kernel code outside a posix/ folder:"
    echo "$hits"
    status=1
fi
# A posix/ header brings its host headers along.
if hits=$(grep -rnE '#include *"kernel/([^"]*/)?posix/' kernel 2>/dev/null | grep -vE '^kernel/([^:]*/)?posix/'); then
    echo "posix/ header included by kernel code outside a posix/ folder:"
    echo "$hits"
    status=1
fi
if loose=$(find kernel -maxdepth 1 -type f | grep .); then
    echo "Kernel files belong in an area folder:"
    echo "$loose"
    status=1
fi
if [ -d kernel/posix ]; then
    echo "kernel/posix/: POSIX code belongs in its area's posix/ folder"
    status=1
fi
[ "$status" -eq 0 ] && echo "layering ok"
exit "$status"
