#!/usr/bin/env bash
# Installs what the build and the tests need, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
. tools/prerequisites.sh
need_test_build
# Tools some tests run besides the decoder: the schema check of the GPX and
# KML outputs, the batch script (GNU parallel, not the moreutils program of
# that name), the reading examples of the README (R's readr, pandas) and the
# R package.
need libxml2-utils command -v xmllint
need parallel sh -c "parallel --version 2>/dev/null | grep -q '^GNU parallel'"
need r-cran-readr Rscript -e 'library(readr)'
# The R package's check: R, Rcpp and make (not r-base-dev, whose
# recommendations bring a whole toolchain; g++ is there already).
need r-base-core command -v Rscript
need r-cran-rcpp Rscript -e 'library(Rcpp)'
need make command -v make
need python3-pandas /usr/bin/python3 -c 'import pandas'
install_missing
tools/build.sh --tests
ctest --test-dir build --output-on-failure -j "$(nproc)"
