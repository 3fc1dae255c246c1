#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a short time.
# Usage: scripts/fuzz.sh [seconds-per-target]
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQORVANT_BUILD_FUZZ=ON -DQORVANT_BUILD_TESTS=OFF -DQORVANT_BUILD_BENCH=OFF \
    -DQORVANT_BUILD_GUI=OFF >/dev/null
cmake --build build-fuzz -j2
shopt -s nullglob
for target in build-fuzz/bin/fuzz-*; do
    name=$(basename "$target")
    corpus="build-fuzz/corpus/$name"
    mkdir -p "$corpus"
    seeds=()
    [ -d "fuzz/corpus/${name#fuzz-}" ] && seeds=("fuzz/corpus/${name#fuzz-}")
    # Profiles kept for the tests and the shipped example are good seeds as they are.
    [ "$name" = fuzz-profile-load ] && seeds+=(tests/profile/data examples)
    echo "fuzzing $name for ${secs}s"
    "$target" -max_total_time="$secs" -rss_limit_mb=2048 -timeout=10 "$corpus" "${seeds[@]}" \
        2>"build-fuzz/$name.log" || { tail -n 40 "build-fuzz/$name.log"; exit 1; }
    tail -n 1 "build-fuzz/$name.log"
done
