#!/usr/bin/env bash
# Builds the Debian package (CPack) in a build directory of its own, checks it with lintian,
# installs it with apt-get as a user would, runs each installed program once, purges it and checks
# that none of its files is left.
#
#   scripts/package.sh [BUILD_DIR]     (default build/package; the package is left there)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/package}
rm -rf "$build"
sudo=()
[ "$(id -u)" = 0 ] || sudo=(sudo)
package=tarnwick-companions

echo "=== package: build in $build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DTARNWICK_BENCHMARKS=OFF \
  -DTARNWICK_WERROR=ON -DCMAKE_INSTALL_PREFIX=/usr \
  -DTARNWICK_INSTALL_PRIVATE_LIBDIR=lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/tarnwick >/dev/null
cmake --build "$build" -j2
rm -f "$build"/${package}_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(realpath "$build"/${package}_*.deb)
echo "=== package: $(basename "$deb")"
dpkg-deb --info "$deb" | sed -n '/Depends:/p'

echo "=== package: lintian"
lintian --fail-on error "$deb"

echo "=== package: install, run, purge"
"${sudo[@]}" apt-get install -y -q "$deb" >/dev/null
mapfile -t files < <(dpkg -L "$package")
status=0
scripts/with-session.sh scripts/package-smoke.sh || status=$?
"${sudo[@]}" apt-get purge -y -q "$package" >/dev/null
for file in "${files[@]}"; do
  if [ -e "$file" ] && [ ! -d "$file" ]; then
    echo "FAIL: $file is still there after the purge" >&2
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "=== package: passed"
exit "$status"
