#!/bin/sh
# Installs the Python package with pip from the source tree, offline, into a
# new virtual environment that sees the system's NumPy and pandas, and reads
# a container with it from outside the tree.
#
#   pip_install_test.sh SOURCE_DIR WORK_DIR MAKE_EXAMPLE
set -eu
src=$1
work=$2
make_example=$3
python=/usr/bin/python3
if ! $python -c 'import ensurepip, numpy, pandas, pybind11' 2>/dev/null; then
    echo "python3-venv, NumPy, pandas or pybind11 missing: skipped"
    exit 77
fi
rm -rf "$work"
mkdir -p "$work"
$python -m venv --system-site-packages "$work/venv"
# A copy of the tree, so that the build leaves nothing in the sources: its
# files without the build folders (where this test works) and git's.
mkdir "$work/tree"
(cd "$src" && find . \( -path './build*' -o -path ./.git \) -prune -o -type f -print0) |
    (cd "$src" && xargs -0 cp --parents -t "$work/tree")
CMAKE_BUILD_PARALLEL_LEVEL=2 "$work/venv/bin/pip" install --no-index --no-build-isolation \
    --quiet "$work/tree/bindings/python"
"$make_example" "$work/logger.bin" >/dev/null
cd "$work"
"$work/venv/bin/python" - <<'PY'
import tavro
reading = tavro.read("logger.bin")
assert sorted(reading) == [17, 19, 801, 1201], sorted(reading)
assert len(reading[17].gps) == 72, len(reading[17].gps)
assert str(reading[17].gps["timestamp"].dtype) == "datetime64[ns, UTC]"
print("installed:", tavro.__file__)
PY
