#!/usr/bin/env bash
# Runs every built harness once over its seed files (the examples and the test files of its
# kind), so that a harness that no longer starts or fails on a known input is found at once.
set -euo pipefail
cd "$(dirname "$0")/.."
for h in arm var pvtype tra sta lab srew trew pexp drn cmdline; do
    if [ "$h" = cmdline ]; then
        mapfile -t seeds < <(find fuzz/seeds/cmdline -type f)
    else
        mapfile -t seeds < <(find examples tests/data -name "*.$h" -type f)
    fi
    [ ${#seeds[@]} -gt 0 ] || continue
    build-fuzz/fuzz_$h -close_fd_mask=3 "${seeds[@]}" >build-fuzz/smoke_$h.log 2>&1 ||
        { echo "fuzz_$h failed on a seed:"; tail -40 build-fuzz/smoke_$h.log; exit 1; }
    echo "fuzz_$h: ${#seeds[@]} seeds run"
done
