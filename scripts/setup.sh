#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need, only those missing.
# Usage: scripts/setup.sh [run|package|test]
#   package adds the Debian packaging tools; test adds them, the desktop file checkers and the
#   browser, fuzzing and screenshot tools (poppler-utils reads the printed pages back).
set -euo pipefail

mode=${1:-run}
# fonts-liberation2: the windows' fixed layouts were measured with Liberation Sans. libcurl,
# libxml2 and zlib: importing a site's navigation from an address or a sitemap.
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-qpa-plugins libgumbo-dev
          libcurl4-openssl-dev libxml2-dev zlib1g-dev libgl-dev libgtest-dev libgmock-dev
          fonts-dejavu-core fonts-liberation2)
if [ "$mode" = package ] || [ "$mode" = test ]; then
    # cpack -G DEB computes the dependencies with dpkg-shlibdeps, which needs file.
    packages+=(dpkg-dev file)
fi
if [ "$mode" = test ]; then
    packages+=(libbenchmark-dev clang-14 libclang-rt-14-dev clang-format-14 chromium
               firefox-esr nodejs npm xvfb xauth xdotool imagemagick xclip desktop-file-utils
               shared-mime-info poppler-utils)
fi

missing=()
for p in "${packages[@]}"; do
    # node and npm may come from outside Debian's packages; any working copy will do: they only
    # install the browser suites' own Node (see tests/browser/node.sh).
    if { [ "$p" = nodejs ] && command -v node >/dev/null; } ||
       { [ "$p" = npm ] && command -v npm >/dev/null; }; then
        continue
    fi
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
