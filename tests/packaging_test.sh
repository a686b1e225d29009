#!/usr/bin/env bash
# Makes the Debian package of the build BUILD_DIR with CPACK into a scratch
# folder and checks it with lintian: no error, no warning (informational tags
# are printed, not failed: the build's own compiler flags, the licence beside
# the README); so is the Python module's package where the build has the
# module. Skipped (77) where lintian is not installed.
set -euo pipefail
cpack=$1
build=$2
work=$3
if ! command -v lintian >/dev/null; then
    echo "lintian is not installed: package check skipped"
    exit 77
fi
rm -rf "$work" && mkdir -p "$work"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/tavro-decoder_*.deb)
dpkg-deb -c "$deb" | awk '{ print $6 }' >"$work/contents"
for f in usr/share/man/man1/decoder.1.gz usr/share/man/man1/decode-many.1.gz \
    usr/share/doc/tavro-decoder/copyright usr/share/doc/tavro-decoder/changelog.gz \
    usr/share/bash-completion/completions/decoder; do
    grep -qx "./$f" "$work/contents" || { echo "not in the package: $f"; exit 1; }
done
dpkg-deb -f "$deb" Recommends | grep -qx parallel || { echo "the package does not recommend parallel"; exit 1; }
# The Python module's package, where the build made the module.
python_deb=$(ls "$work"/python3-tavro_*.deb 2>/dev/null || true)
if [ -n "$python_deb" ]; then
    dpkg-deb -c "$python_deb" | awk '{ print $6 }' | grep -q '/dist-packages/tavro/_tavro' ||
        { echo "the module is not in $python_deb"; exit 1; }
    if dpkg-deb -c "$deb" | grep -q dist-packages; then
        echo "the decoder's package holds the Python module"; exit 1
    fi
fi
status=0
lintian --info --display-info --fail-on error,warning "$deb" $python_deb >"$work/lintian.txt" 2>&1 || status=$?
grep -v 'running with root privileges' "$work/lintian.txt" || true
exit "$status"
