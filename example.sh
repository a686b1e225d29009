#!/usr/bin/env bash
# Installs what the build needs, builds, writes the bundled example container
# and decodes it (key 3: all data, one file per tag) into example/out.
set -euo pipefail
cd "$(dirname "$0")"
tools/build.sh
mkdir -p example/out
build/make_example example/logger.bin
build/decoder -c 3 -f example/logger.bin -d example/out
