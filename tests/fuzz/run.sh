#!/usr/bin/env bash
# Runs every fuzz target for a while (seconds each, default 60) and prints per target the
# executions and the crashes, leaks, time-outs and out-of-memory cases found. A target keeps
# going after a finding (libFuzzer's fork mode); each finding is kept as a file under
# OUT/<target>/ (default build-fuzz/fuzz-runs) to reproduce with `<target> <file>`.
#   tests/fuzz/run.sh [SECONDS] [TARGET...]
# Needs the fuzz build (build-fuzz, see scripts/test.sh); BUILD=dir picks another one.
set -uo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
shift || true
build=${BUILD:-build-fuzz}
out=${OUT:-$build/fuzz-runs}
if [[ ! -d $build/tests/fuzz ]]; then
    echo "no fuzz build in $build (see scripts/test.sh)" >&2
    exit 2
fi
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
    for source in tests/fuzz/*Fuzz.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi

total=0
printf '%-22s %12s %8s %6s %8s %5s\n' TARGET EXECUTIONS CRASHES LEAKS TIMEOUTS OOMS
for target in "${targets[@]}"; do
    binary=$build/tests/fuzz/$target
    if [[ ! -x $binary ]]; then
        echo "$target: not built" >&2
        total=$((total + 1))
        continue
    fi
    dir=$out/$target
    rm -rf "$dir/findings"
    mkdir -p "$dir/corpus" "$dir/findings"
    log=$dir/log.txt
    "$binary" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
        -artifact_prefix="$dir/findings/" "$dir/corpus" "tests/fuzz/corpus/$target" \
        >"$log" 2>&1
    # Fork mode's status lines: "#RUNS: cov: ... oom/timeout/crash: O/T/C time: ..."
    runs=$(grep -oE '^#[0-9]+' "$log" | tail -1 | tr -d '#')
    crashes=$(find "$dir/findings" -name 'crash-*' | wc -l)
    leaks=$(find "$dir/findings" -name 'leak-*' | wc -l)
    timeouts=$(find "$dir/findings" -name 'timeout-*' | wc -l)
    ooms=$(find "$dir/findings" -name 'oom-*' | wc -l)
    printf '%-22s %12s %8d %6d %8d %5d\n' "$target" "${runs:-0}" "$crashes" "$leaks" \
        "$timeouts" "$ooms"
    total=$((total + crashes + leaks + timeouts + ooms))
done
echo "findings: $total (in $out)"
[[ $total -eq 0 ]]
