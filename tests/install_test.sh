#!/bin/sh
# Installs the build BUILD_DIR with CMAKE into a scratch prefix: the decoder,
# its manual page, bash completion, README and licence are there, no test or
# tool binary is.
set -eu
cmake=$1
build=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
for f in bin/decoder share/man/man1/decoder.1 share/doc/tavro-decoder/README.md \
    share/doc/tavro-decoder/LICENSE share/bash-completion/completions/decoder; do
    [ -f "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
for f in "$prefix"/bin/*; do
    case ${f##*/} in
        decoder | decode-many) ;;
        *) echo "installed besides the decoder: bin/${f##*/}"; exit 1 ;;
    esac
done
"$prefix/bin/decoder" -v
