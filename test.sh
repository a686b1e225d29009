#!/usr/bin/env bash
# Installs what the build needs, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
tools/build.sh
ctest --test-dir build --output-on-failure
