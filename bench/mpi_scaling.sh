#!/bin/sh
# dss-mpi on 1 and 2 processes against dss -m auto on one generated chain, in one run: wall
# time, Krylov iterations and peak memory per process.
# Usage: bench/mpi_scaling.sh [kanban T | tandem K1 K2] [RUNS]
#   kanban T: the four-cell kanban line with T cards per cell (default: kanban 4)
#   tandem K1 K2: two queues in tandem, (K1+1)(K2+1) states
#   RUNS: runs of each program (default 3); the median wall time is the figure
set -e
cd "$(dirname "$0")/.."
model=${1:-kanban}
case "$model" in
  kanban) args="${2:-4}"; shift $(( $# < 2 ? $# : 2 )) ;;
  tandem) args="${2:-999} ${3:-999} 1.0 1.3 1.1"; shift $(( $# < 3 ? $# : 3 )) ;;
  *) echo "usage: $0 [kanban T | tandem K1 K2] [RUNS]" >&2; exit 1 ;;
esac
runs=${1:-3}
cmake -S . -B build-bench-mpi -DVELMAR_TESTS=OFF >/dev/null
cmake --build build-bench-mpi -j2 --target dss dss-mpi ssgen >/dev/null
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# shellcheck disable=SC2086
./build-bench-mpi/tools/ssgen "$model" $args "$dir/m"
echo "$model $args: $(head -c 200 "$dir/m.arm" | tr -s " \t\n" "\n\n\n" | sed -n 2p) states"
mpi="mpirun --oversubscribe"
[ "$(id -u)" -eq 0 ] && mpi="$mpi --allow-run-as-root"

# median of the numbers on standard input
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# runs "$@" $runs times, prints the median wall time in seconds
timed() {
  i=0
  while [ "$i" -lt "$runs" ]; do
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    echo "$(( (end - start) / 1000000 ))"
    i=$((i + 1))
  done | median | awk '{ printf "%.2f", $1 / 1000 }'
}

for p in 1 2; do
  wall=$(timed $mpi -n "$p" ./build-bench-mpi/dss-mpi -P b -S b -E m -G "$dir/" -s "$dir/" -o "$dir/p$p.txt" -v)
  echo "dss-mpi on $p process(es): median wall $wall s"
  grep -E "^Method petsc|^Solution check|^Peak Memory" "$dir/p$p.txt" | sed 's/^/  /'
  eval "wall$p=$wall"
done
wallauto=$(timed ./build-bench-mpi/dss -P b -S b -E m -G "$dir/" -s "$dir/" -o "$dir/a.txt" -m auto)
/usr/bin/time -f "%M" -o "$dir/mem" ./build-bench-mpi/dss -P b -S b -E m -G "$dir/" -s "$dir/" -o "$dir/a.txt" -m auto
echo "dss -m auto: median wall $wallauto s, peak $(( $(cat "$dir/mem") / 1024 )) MiB"
grep -E "^Method auto:|^Solution check" "$dir/a.txt" | sed 's/^/  /'
echo "ratios of wall time: 2 processes / 1 = $(echo "$wall2 $wall1" | awk '{ printf "%.2f", $1 / $2 }')," \
  "1 process / dss -m auto = $(echo "$wall1 $wallauto" | awk '{ printf "%.2f", $1 / $2 }')," \
  "2 processes / dss -m auto = $(echo "$wall2 $wallauto" | awk '{ printf "%.2f", $1 / $2 }')"
