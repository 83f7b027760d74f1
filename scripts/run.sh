#!/usr/bin/env bash
# Installs what is missing, builds the designer and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_BUILD_TESTS=OFF
cmake --build build
exec build/bin/quorvane "$@"
