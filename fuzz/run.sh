#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each on its seed corpus.
#   fuzz/run.sh [seconds per target] [build directory]
# Corpora grow in <build>/corpus/<kind>; findings are saved as
# <build>/finding-<kind>-* and make the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${2:-build-fuzz}

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDEC_FUZZ=ON -DDEC_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target fuzz_gen5 fuzz_gen3 fuzz_voltage make_seeds

rm -rf "$build/seeds"
"$build/make_seeds" "$build/seeds"
status=0
for kind in gen5 gen3 voltage; do
    mkdir -p "$build/corpus/$kind"
    echo "== fuzz_$kind for ${seconds}s =="
    if ! "$build/fuzz/fuzz_$kind" "$build/corpus/$kind" "$build/seeds/$kind" \
        -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
        -artifact_prefix="$build/finding-$kind-" 2>&1 | grep -E '^(stat::|#[0-9]+ +DONE|==[0-9]+==ERROR|SUMMARY)'; then
        :
    fi
    if ls "$build"/finding-"$kind"-* >/dev/null 2>&1; then
        echo "fuzz_$kind found a problem: $(ls "$build"/finding-"$kind"-*)"
        status=1
    fi
done
exit $status
