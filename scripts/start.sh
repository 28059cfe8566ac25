#!/usr/bin/env bash
# Installs what the build needs, builds the default preset and starts the tool.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
exec build/default/bin/zovcli --help
