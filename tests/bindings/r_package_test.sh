#!/usr/bin/env bash
# The R package: R CMD build and R CMD check --no-manual of its tarball, its
# tests reading example containers beside the console program's Movebank GPS
# files. Fails on an ERROR or a WARNING of the check; skips without R or Rcpp.
# Arguments: DECODER MAKE_EXAMPLE WORKDIR
set -euo pipefail
decoder=$1
make_example=$2
work=$3
root=$(cd "$(dirname "$0")/../.." && pwd)

if ! command -v Rscript >/dev/null || ! Rscript -e 'library(Rcpp)' >/dev/null 2>&1; then
    echo "Rscript or the R package Rcpp is missing; skipping"
    exit 77
fi

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf -- "$work"
mkdir -p -- "$work/examples/movebank"
"$make_example" "$work/examples/logger.bin" >/dev/null
"$make_example" --voltage "$work/examples/voltage.bin" >/dev/null
"$decoder" -c m -f "$work/examples/logger.bin" -d "$work/examples/movebank" >/dev/null ||
    fail "the decoder failed on the example container"

# The package's configure takes the sources from the tree three folders up:
# a tree of links to the project's sources around a copy of the package,
# without what an install in the source tree left there.
pkg=$work/tree/bindings/r/tavro
mkdir -p -- "$pkg"
ln -s -- "$root/src" "$work/tree/src"
ln -s -- "$root/include" "$work/tree/include"
tar -C "$root/bindings/r/tavro" --exclude=./src/decoder --exclude=./src/include \
    --exclude=./src/Makevars --exclude='*.o' --exclude='*.so' -cf - . | tar -C "$pkg" -xf -
(cd "$pkg" && sh ./configure) || fail "configure failed"

cd -- "$work"
R CMD build --no-build-vignettes tree/bindings/r/tavro || fail "R CMD build failed"
tarball=$(ls tavro_*.tar.gz)
tar -tzf "$tarball" >tarball.txt
grep -q '^tavro/src/decoder/api/reader\.cpp$' tarball.txt || fail "the tarball lacks the decoder's sources"
! grep -Eq '\.o$|/Makevars$' tarball.txt || fail "the tarball holds object files or a Makevars"

# sf is only suggested: its tests run when it is there.
status=0
TAVRO_EXAMPLE_DIR=$work/examples MAKEFLAGS=-j2 _R_CHECK_FORCE_SUGGESTS_=false \
    R CMD check --no-manual "$tarball" || status=$?
log=tavro.Rcheck/00check.log
[ -f "$log" ] || fail "R CMD check wrote no log"
summary=$(grep '^Status:' "$log" || true)
echo "R CMD check: ${summary:-no status}"
if [ $status -ne 0 ] || [ -z "$summary" ] || echo "$summary" | grep -Eq 'ERROR|WARNING'; then
    cat tavro.Rcheck/tests/*.Rout.fail 2>/dev/null || true
    fail "R CMD check: ${summary:-exit code $status}"
fi
