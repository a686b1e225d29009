#!/usr/bin/env bash
# Installs what the build and the tests need, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
. tools/prerequisites.sh
need_test_build
# Tools some tests run besides the decoder: the schema check of the GPX and
# KML outputs, the batch script (GNU parallel, not the moreutils program of
# that name), the reading examples of the README (R's readr, pandas), the
# R package and the Python module.
need libxml2-utils command -v xmllint
need parallel sh -c "parallel --version 2>/dev/null | grep -q '^GNU parallel'"
need r-cran-readr Rscript -e 'library(readr)'
# The R package's check: R, Rcpp and make (not r-base-dev, whose
# recommendations bring a whole toolchain; g++ is there already).
need r-base-core command -v Rscript
need r-cran-rcpp Rscript -e 'library(Rcpp)'
need make command -v make
need python3-pandas /usr/bin/python3 -c 'import pandas'
# The Python module (pybind11 and Python's headers) and its installation with
# pip into a virtual environment (venv; setuptools builds it).
need python3-dev test -f "$(/usr/bin/python3 -c 'import sysconfig; print(sysconfig.get_paths()["include"])' 2>/dev/null)/Python.h"
need pybind11-dev test -f /usr/include/pybind11/pybind11.h
need python3-venv /usr/bin/python3 -c 'import ensurepip'
need python3-setuptools /usr/bin/python3 -c 'import setuptools'
install_missing
tools/build.sh --tests
ctest --test-dir build --output-on-failure -j "$(nproc)"
