#!/bin/sh
# Installs the build BUILD_DIR with CMAKE into a scratch prefix: the decoder,
# decode-many, their manual pages, the bash completion, README, licence,
# copyright and changelog are there, no test or tool binary is.
set -eu
cmake=$1
build=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
for f in bin/decoder bin/decode-many share/man/man1/decoder.1.gz share/man/man1/decode-many.1.gz \
    share/doc/tavro-decoder/README.md share/doc/tavro-decoder/LICENSE share/doc/tavro-decoder/copyright \
    share/doc/tavro-decoder/changelog.gz share/bash-completion/completions/decoder; do
    [ -f "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
for f in "$prefix"/bin/*; do
    case ${f##*/} in
        decoder | decode-many) ;;
        *) echo "installed besides the decoder: bin/${f##*/}"; exit 1 ;;
    esac
done
"$prefix/bin/decoder" -v
