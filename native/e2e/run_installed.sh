#!/usr/bin/env bash
# Runs an end-to-end script against the installed library and addon, as the main application loads
# them: the build is installed into a fresh prefix first.
#
#   run_installed.sh CMAKE BUILD_DIR NODE SCRIPT
set -euo pipefail
cmake=$1 build=$2 node=$3 script=$4
prefix=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-e2e-prefix-XXXXXX")
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
TARNWICK_ADDON=$prefix/lib/tarnwick_addon.node TARNWICK_NATIVE_LIBRARY=$prefix/lib/libTarnwickNative.so \
  "$node" --test --test-force-exit "$script"
