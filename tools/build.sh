#!/usr/bin/env bash
# Installs what the build lacks (tools/prerequisites.sh) and builds into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/prerequisites.sh
install_missing

cmake -S . -B build -G Ninja
cmake --build build
