#!/usr/bin/env bash
# Runs every built fuzz target for a bounded time from a copy of its seed corpus
# (the committed seeds stay as they are) and fails on the first broken rule; the
# input that broke it is kept in build-fuzz/findings/ for a regression test.
# Usage: fuzz/run.sh [SECONDS_EACH]   (default 20; build first with the fuzz preset)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build-fuzz/bin"
seconds="${1:-20}"
findings="$root/build-fuzz/findings"
mkdir -p "$findings"

status=0
for target in codefit datafit options pcx fitinfo picture; do
    fuzzer="$bin/fuzz_$target"
    if [ ! -x "$fuzzer" ]; then
        echo "fuzz_$target is not built: cmake --workflow --preset fuzz" >&2
        exit 1
    fi
    corpus="$(mktemp -d)"
    cp "$root/fuzz/corpus/$target/"* "$corpus/"
    echo "fuzz_$target: ${seconds} s"
    if ! "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
            -artifact_prefix="$findings/$target-" "$corpus" > "$findings/$target.log" 2>&1; then
        tail -n 40 "$findings/$target.log" >&2
        echo "fuzz_$target broke a rule; the input is in $findings" >&2
        status=1
    else
        grep -E "^stat::number_of_executed_units|^Done" "$findings/$target.log" || true
    fi
    rm -rf "$corpus"
done
exit "$status"
