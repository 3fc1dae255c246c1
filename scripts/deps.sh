#!/usr/bin/env bash
# Installs everything needed to build, test and run QORVANT on Debian 12.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
    build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev \
    libhidapi-dev libudev-dev \
    qt6-base-dev qt6-base-dev-tools libgl-dev fonts-wqy-microhei \
    libgtest-dev libgmock-dev libbenchmark-dev libpugixml-dev \
    xvfb xauth xdg-utils >/dev/null
