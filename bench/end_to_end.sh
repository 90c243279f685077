#!/usr/bin/env bash
# Whole runs of tromvex, then of tromvex-finish on the FCE files it wrote, against the I/O
# floor, in alternating pairs: the sample car and the benchmarks' large car, on RAM-backed
# storage (/dev/shm) and on disk (a folder under the build directory). Prints, per case, the
# median times, the median of the per-pair ratios and the median minor page faults of both.
# Usage: bench/end_to_end.sh BUILD_DIR [PAIRS [TROMVEX]]   (BUILD_DIR configured with
# -DTROMVEX_BENCH=ON; TROMVEX, by default BUILD_DIR/tromvex, may be another build to compare;
# tromvex-finish is always BUILD_DIR's)
set -euo pipefail
build=$(realpath "$1")
pairs=${2:-41}
tromvex=$(realpath "${3:-$build/tromvex}")
finish=$build/tromvex-finish
examples=$(realpath "$(dirname "$0")/../examples")

ram=$(mktemp -d /dev/shm/tromvex-e2e.XXXXXX)
disk=$(mktemp -d "$build/e2e.XXXXXX")
trap 'rm -rf "$ram" "$disk"' EXIT

"$build/bench/tromvex_large_car" "$ram/large.geo" "$ram/large.qfs"
for place in "$ram" "$disk"; do
  cp "$examples/sample.geo" "$examples/sample.qfs" "$place/"
  [ "$place" = "$ram" ] || cp "$ram/large.geo" "$ram/large.qfs" "$place/"
done

for car in sample large; do
  for place in "$ram" "$disk"; do
    cd "$place"
    "$tromvex" $car.geo $car.qfs $car.fce ${car}00.tga </dev/null >/dev/null
    fce_size=$(stat -c %s $car.fce)
    tga_size=$(stat -c %s ${car}00.tga)
    label=$([ "$place" = "$ram" ] && echo "RAM (/dev/shm)" || echo "disk")
    echo "$car car, $label: A = tromvex, B = io floor"
    "$build/bench/tromvex_run_pairs" "$pairs" \
      -- "$tromvex" $car.geo $car.qfs $car.fce ${car}00.tga \
      -- "$build/bench/tromvex_io_floor" $car.geo $car.qfs floor.fce "$fce_size" floor00.tga "$tga_size"
  done
done

# tromvex-finish reads one FCE file and writes one of the same size.
for car in sample large; do
  for place in "$ram" "$disk"; do
    cd "$place"
    fce_size=$(stat -c %s $car.fce)
    label=$([ "$place" = "$ram" ] && echo "RAM (/dev/shm)" || echo "disk")
    echo "$car car, $label: A = tromvex-finish, B = io floor"
    "$build/bench/tromvex_run_pairs" "$pairs" \
      -- "$finish" $car.fce finished.fce \
      -- "$build/bench/tromvex_io_floor" $car.fce floor.fce "$fce_size"
  done
done
