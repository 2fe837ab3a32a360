#!/usr/bin/env bash
# Installs what is needed, builds the program, installs its reference tables into the default
# installation directory (${XDG_DATA_HOME:-~/.local/share}/vorn2026) and starts it there.
# The tables are installed when the directory lacks them or the build has newer ones; an
# installation never touches the office's own tables and data folders.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DVORN_TESTS=OFF > /dev/null
cmake --build build -j "$(nproc)"
program="$(pwd)/build/vorn2026"
dir="${XDG_DATA_HOME:-$HOME/.local/share}/vorn2026"
if [ ! -e "$dir/TABPAIS.DBF" ] || [ build/ref/ref.stamp -nt "$dir/TABPAIS.DBF" ]; then
  "$program" install "$dir"
fi
cd "$dir"
exec "$program" "$@"
