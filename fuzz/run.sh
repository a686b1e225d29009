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

root=$(realpath "$build")
rm -rf "$root/seeds"
"$root/make_seeds" "$root/seeds"
status=0
for kind in gen5 gen3 voltage; do
    mkdir -p "$root/corpus/$kind"
    echo "== fuzz_$kind for ${seconds}s =="
    log="$root/fuzz_$kind.log"
    rc=0
    "$root/fuzz/fuzz_$kind" "$root/corpus/$kind" "$root/seeds/$kind" \
        -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
        -artifact_prefix="$root/finding-$kind-" >"$log" 2>&1 || rc=$?
    grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|#[0-9]+ +DONE)|ERROR|SUMMARY' "$log" || true
    if [ "$rc" -ne 0 ] || ls "$root"/finding-"$kind"-* >/dev/null 2>&1; then
        echo "fuzz_$kind failed (exit $rc); see $log"
        tail -30 "$log"
        status=1
    fi
done
exit $status
