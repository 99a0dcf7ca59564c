#!/bin/sh
# Run by CTest before any test: tests belong in the private session of scripts/with-session.sh (its
# own bus, keyring, home and no display); outside it they would reach the developer's own desktop.
if [ -z "${TARNWICK_PRIVATE_SESSION:-}" ]; then
  echo "Tests must run inside the private session: scripts/with-session.sh ctest --test-dir <build-dir> ..." >&2
  exit 1
fi
