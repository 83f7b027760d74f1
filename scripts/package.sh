#!/usr/bin/env bash
# Installs what is missing, builds the designer and makes its Debian package:
# build-package/quorvane_<version>_<architecture>.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh package
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_BUILD_TESTS=OFF
cmake --build build-package
(cd build-package && cpack -G DEB)
ls build-package/quorvane_*.deb
