#!/usr/bin/env bash
# Installs what is needed, builds the program and starts it on the default installation
# (${XDG_DATA_HOME:-~/.local/share}/vorn2026, created with the shipped reference tables on first run).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DVORN_TESTS=OFF > /dev/null
cmake --build build -j "$(nproc)"
exec build/vorn2026 "$@"
