# shellcheck shell=bash
# Debian packages the build needs. Sourced by tools/build.sh, test.sh and .ci/run:
#
#   . tools/prerequisites.sh        # notes the missing packages of the decoder's build
#   need_test_build                 # and those of the tests' build (GoogleTest, MPFR, Python)
#   need PACKAGE CHECK...           # more: PACKAGE is missing when CHECK fails
#   install_missing                 # installs them with apt-get, or stops
#
# Packages are installed without their recommendations: a fresh machine gets
# what the build and the tests use, not the hundreds of packages (LLVM, TeX,
# compilers of other languages) that a compiler's or R's recommendations pull in.
#
# A package counts as present when the command or file it brings is there.
# apt-get runs as root or through sudo without a password; otherwise the
# missing packages are named and the script stops with exit code 1.
# For checking these paths: DEC_PREREQ_MISSING="pkg ..." pretends the named
# packages are missing, DEC_PREREQ_DRY_RUN=1 prints the apt-get commands
# instead of running them.

missing_packages=()

need() {
    local package=$1
    shift
    if ! "$@" >/dev/null 2>&1 || [[ " ${DEC_PREREQ_MISSING:-} " == *" $package "* ]]; then
        missing_packages+=("$package")
    fi
}

install_missing() {
    if [ ${#missing_packages[@]} -eq 0 ]; then
        return 0
    fi
    local as_root=()
    if [ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
        as_root=(sudo -n)
    fi
    if { [ "$(id -u)" -ne 0 ] && [ ${#as_root[@]} -eq 0 ]; } || ! command -v apt-get >/dev/null; then
        echo "Missing packages: ${missing_packages[*]}" >&2
        echo "Install them as root (apt-get install ${missing_packages[*]}) and run this again." >&2
        exit 1
    fi
    echo "Installing: ${missing_packages[*]}"
    local run=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get)
    local files=("${as_root[@]}")
    if [ -n "${DEC_PREREQ_DRY_RUN:-}" ]; then
        run=(echo "${run[@]}")
        files=(echo "${files[@]}")
    fi
    "${run[@]}" update -qq
    # The downloaded packages go into a folder of their own, deleted once
    # they are installed: the set-up leaves no archives in apt's cache (and
    # the cache holds what it held).
    local archives=/var/cache/apt/archives/tavro-setup.$$
    "${files[@]}" mkdir -p "$archives/partial"
    if getent passwd _apt >/dev/null; then
        "${files[@]}" chown _apt "$archives/partial"
    fi
    "${run[@]}" install -y -qq --no-install-recommends -o Dir::Cache::Archives="$archives/" \
        "${missing_packages[@]}"
    "${files[@]}" rm -rf "$archives"
    missing_packages=()
}

# The test programs link GoogleTest (and the sine and cosine test MPFR); the
# documents' checks run under Python.
need_test_build() {
    need libgtest-dev test -f /usr/include/gtest/gtest.h
    need libmpfr-dev test -f /usr/include/mpfr.h
    need python3 command -v python3
}

need g++ command -v g++
need cmake command -v cmake
need ninja-build command -v ninja
