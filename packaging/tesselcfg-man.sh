#!/usr/bin/env bash
# Writes the manual page of the host tool from its own help texts: the name and version
# from --version, the overview from --help, a section per subcommand from SUBCOMMAND --help.
# Usage: tesselcfg-man.sh TOOL OUTPUT.1.gz
set -euo pipefail
tool=$(realpath "$1")
output=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Help text as roff: no-fill, with backslashes and leading control characters defused.
roff_literal() {
    printf '.nf\n'
    sed -e 's/\\/\\e/g' -e "s/^\([.']\)/\\\\\&\1/"
    printf '.fi\n'
}

{
    printf '[COMMANDS]\n'
    "$tool" --help | awk '/^Subcommands:/ {on = 1; next} on && /^  [a-z]/ {print $1}' |
        while read -r command; do
            printf '.SS %s\n' "$command"
            "$tool" "$command" --help | roff_literal
        done
    printf '[EXIT STATUS]\n'
    printf '0 answered (ACK), 1 refused (NAK, its status named), 2 bad usage, 3 no answer.\n'
    printf '[SEE ALSO]\n'
    printf '.BR systemctl (1)\n'
} >"$work/include"

help2man --no-info --section=1 \
    --name="find and configure Lifeboat controllers on the network" \
    --include="$work/include" --output="$work/tesselcfg.1" "$tool"
gzip -9n -c "$work/tesselcfg.1" >"$output"
