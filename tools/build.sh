#!/usr/bin/env bash
# Builds everything: installs what is missing, then configures and builds the
# three presets (native, linux-i386, win32), and shows both plug-ins at work
# in modhost (tools/demo.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build-presets.sh native linux-i386 win32
echo "== demo"
bash tools/demo.sh
