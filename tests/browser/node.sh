#!/bin/sh
# Runs the Node that package.json pins for the browser suites: npm's node-linux-<arch> package,
# which `npm ci` puts into node_modules. Every machine then runs the suites on the same Node,
# whatever Node the system has (Debian 12's own is too old for playwright-core); the system's
# node and npm only install it.
#   ./node.sh --test          the browser suites
#   ./node.sh measure.mjs     the start-up measurement
here=$(dirname "$0")
case $(uname -m) in
x86_64 | amd64) arch=x64 ;;
aarch64 | arm64) arch=arm64 ;;
*) arch=$(uname -m) ;;
esac
node="$here/node_modules/node-linux-$arch/bin/node"
if [ ! -x "$node" ]; then
    echo "tests/browser: no Node for this machine (linux-$arch) in node_modules;" \
         "run 'npm ci' in tests/browser first" >&2
    exit 1
fi
exec "$node" "$@"
