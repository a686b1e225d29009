#!/usr/bin/env bash
# Installs what the build lacks (tools/prerequisites.sh) and builds into build/.
#
#   tools/build.sh            # the decoder and its tools; a build folder made
#                             # before keeps its choice of building the tests
#   tools/build.sh --tests    # the tests too (GoogleTest and Python needed)
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/prerequisites.sh

tests=OFF
if [ "${1:-}" = --tests ] || grep -qs '^DEC_BUILD_TESTS:BOOL=ON$' build/CMakeCache.txt; then
    tests=ON
    need_test_build
fi
install_missing

cmake -S . -B build -G Ninja -DDEC_BUILD_TESTS=$tests
cmake --build build
