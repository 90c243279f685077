#!/usr/bin/env bash
# Whole runs of tromvex-port on a generated install of CARS large cars (the benchmarks' large
# car: 4056 polygons, 18 textures of 128 x 128), against the same work done one car at a time
# with the other programs, in alternating pairs (tromvex_run_pairs). Prints, for each pair of
# commands, the median times and the median of the per-pair ratios.
#   1. tromvex-port --jobs 1 against tromvex-port --jobs 2
#   2. tromvex-port (one job per core) against a script that runs, for each car, tromvex on its
#      GEO file (taken out of the archive beforehand) and texture file, tromvex-finish over its
#      car.fce, and tromvex-viv put into a copy of the donor.
# Both write into folders on disk under BUILD_DIR; tromvex-port runs with --force, so each run
# replaces the car folders of the one before.
# Usage: bench/port_speed.sh BUILD_DIR [PAIRS [CARS]]   (BUILD_DIR configured with
# -DTROMVEX_BENCH=ON; tromvex, tromvex-finish, tromvex-viv, tromvex-port and the bench tools
# built)
set -euo pipefail
build=$(realpath "$1")
pairs=${2:-21}
cars=${3:-42}
examples=$(realpath "$(dirname "$0")/../examples")

work=$(mktemp -d "$build/port-speed.XXXXXX")
trap 'rm -rf "$work"' EXIT
game=$work/game
"$build/bench/tromvex_port_install" "$game" "$cars"
cp "$examples/donor_car.viv" "$work/donor.viv"

# The per-car way, from the GEO files as tromvex-viv extract writes them.
mkdir -p "$work/geo" "$work/cars"
"$build/tromvex-viv" extract "$game/GAMEDATA/CARDATA.VIV" -C "$work/geo" >/dev/null
script=$work/per_car.sh
{
  echo "set -e"
  for geo in "$work"/geo/*.GEO; do
    name=$(basename "$geo" .GEO)
    folder=$work/cars/$name
    mkdir -p "$folder"
    echo "'$build/tromvex' '$geo' '$game/GAMEDATA/CARMODEL/PC/$name.QFS' '$folder/car.fce' '$folder/car00.tga' >/dev/null"
    echo "'$build/tromvex-finish' '$folder/car.fce' '$folder/car.fce' >/dev/null"
    echo "cp '$work/donor.viv' '$folder/car.viv'"
    echo "'$build/tromvex-viv' put '$folder/car.viv' '$folder/car.fce' '$folder/car00.tga' >/dev/null"
  done
} >"$script"

port=("$build/tromvex-port" "$game" "$work/out" --donor "$work/donor.viv" --force)
"${port[@]}" >/dev/null
echo "$cars cars: A = tromvex-port --jobs 1, B = tromvex-port --jobs 2"
"$build/bench/tromvex_run_pairs" "$pairs" -- "${port[@]}" --jobs 1 -- "${port[@]}" --jobs 2
echo "$cars cars: A = tromvex-port, B = per car: tromvex, tromvex-finish, cp, tromvex-viv put"
"$build/bench/tromvex_run_pairs" "$pairs" -- "${port[@]}" -- /bin/bash "$script"
