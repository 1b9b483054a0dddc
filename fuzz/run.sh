#!/usr/bin/env bash
# Builds the harnesses with clang and runs each for the given number of
# seconds: fuzz/run.sh <seconds> [arm|var|pvtype|cmdline|tra|sta|lab|srew|trew|pexp|drn ...]
# (default: all, one after the other). Findings land in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:?usage: fuzz/run.sh <seconds> [harness ...]}
shift
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(arm var pvtype cmdline tra sta lab srew trew pexp drn)

cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j2 >/dev/null

# Seeds: the examples and the test files of each kind.
seed() {
    local h=$1 dir=build-fuzz/corpus/$1
    mkdir -p "$dir"
    case $h in
    arm | var | pvtype | tra | sta | lab | srew | trew | pexp | drn)
        find examples tests/data -name "*.$h" -exec cp {} "$dir" \; ;;
    cmdline)
        cp fuzz/seeds/cmdline/* "$dir" ;;
    esac
}

for h in "${harnesses[@]}"; do
    seed "$h"
    mkdir -p build-fuzz/findings
    echo "fuzz_$h: ${secs}s"
    build-fuzz/fuzz_$h -max_total_time="$secs" -close_fd_mask=3 -rss_limit_mb=2048 \
        -malloc_limit_mb=256 -max_len=4096 -timeout=10 \
        -artifact_prefix=build-fuzz/findings/$h- build-fuzz/corpus/$h \
        2>build-fuzz/fuzz_$h.log || { echo "fuzz_$h found a fault:"; tail -40 build-fuzz/fuzz_$h.log; }
    tail -1 build-fuzz/fuzz_$h.log
done
