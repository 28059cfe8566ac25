#!/usr/bin/env bash
# Installs what the build needs, builds with a CMake preset (default: "default") and runs every
# test with CTest. Usage: scripts/test.sh [PRESET] [extra ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
shift || true

bash scripts/install-deps.sh
cmake --preset "$preset"
cmake --build --preset "$preset"

# Windows under test use Qt's offscreen platform; no display is needed.
export QT_QPA_PLATFORM=offscreen
ctest --preset "$preset" "$@"
