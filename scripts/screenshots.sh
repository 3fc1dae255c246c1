#!/usr/bin/env bash
# Rebuilds the desktop program and writes pictures of its main window (both languages,
# both layers) into docs/screenshots/. Needs no display and no keyboard: the program runs
# on Qt's offscreen platform against the built-in simulated keyboard.
#
#     scripts/screenshots.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${1:-build}"
if [ ! -f "$BUILD_DIR/build.ninja" ] && [ ! -f "$BUILD_DIR/Makefile" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD_DIR" -j2 --target QORVANT
mkdir -p docs/screenshots
QT_QPA_PLATFORM=offscreen "$BUILD_DIR/bin/QORVANT" --simulate --screenshot docs/screenshots
ls -1 docs/screenshots/*.png
