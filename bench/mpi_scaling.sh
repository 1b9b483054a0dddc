#!/bin/sh
# dss-mpi on 1 and 2 processes against dss on one generated chain: wall time, Krylov iterations
# and peak memory per process. Usage: bench/mpi_scaling.sh [K1 K2] (a tandem of
# (K1+1)(K2+1) states, 999 999 by default: 10^6 states).
set -e
cd "$(dirname "$0")/.."
K1=${1:-999}
K2=${2:-999}
cmake -S . -B build-bench-mpi -DVELMAR_TESTS=OFF >/dev/null
cmake --build build-bench-mpi -j2 --target dss dss-mpi ssgen
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
./build-bench-mpi/tools/ssgen tandem "$K1" "$K2" 1.0 1.3 1.1 "$dir/t"
run="mpirun --oversubscribe"
[ "$(id -u)" -eq 0 ] && run="$run --allow-run-as-root"
for p in 1 2; do
  start=$(date +%s%N)
  $run -n "$p" ./build-bench-mpi/dss-mpi -P b -S b -E t -G "$dir/" -s "$dir/" -o "$dir/m$p.txt" -v
  end=$(date +%s%N)
  echo "dss-mpi on $p: $(( (end - start) / 1000000 )) ms wall"
  grep -E "^KSP|^Peak|passed|failed" "$dir/m$p.txt"
done
start=$(date +%s%N)
/usr/bin/time -f "dss peak %M KiB" ./build-bench-mpi/dss -P b -S b -E t -G "$dir/" -s "$dir/" -o "$dir/d.txt"
end=$(date +%s%N)
echo "dss: $(( (end - start) / 1000000 )) ms wall"
