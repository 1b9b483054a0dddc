#!/bin/sh
# Builds dss_bench (installing libsuitesparse-dev and petsc-dev when missing, as root) and runs it;
# arguments go to dss_bench: [--limit S] [--mem MiB] [--quick | --big] [--only name,...]
# [--methods m,...] [--args 'words'] [--no-umfpack] [--no-agree] [--markdown FILE] [--dir D].
set -e
cd "$(dirname "$0")/.."
need=""
for p in cmake g++ make pkg-config libsuitesparse-dev petsc-dev; do
  dpkg -s "$p" >/dev/null 2>&1 || need="$need $p"
done
if [ -n "$need" ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "run.sh: missing packages:$need (run as root to install them)" >&2
    exit 1
  fi
  apt-get update && apt-get install -y $need
fi
cmake -S . -B build-bench -DVELMAR_BENCH=ON -DVELMAR_TESTS=OFF >/dev/null
cmake --build build-bench -j2
if [ -x /usr/bin/time ]; then
  exec /usr/bin/time -v ./build-bench/bench/dss_bench "$@"
fi
exec ./build-bench/bench/dss_bench "$@"
