#!/usr/bin/env bash
# Installs what the build needs, builds the default preset and starts the tool on its built-in
# simulated controller board, so that it works without a board or a serial cable. Further
# arguments go to zovtool.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
exec build/default/bin/zovtool --simulate "$@"
