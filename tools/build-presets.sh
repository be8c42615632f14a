#!/usr/bin/env bash
# Installs what is missing, then configures and builds each preset named on
# the command line, in order. Used by tools/build.sh and tools/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/bootstrap.sh
for preset in "$@"; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
