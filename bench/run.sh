#!/usr/bin/env bash
# Benchmark of the decoder against the I/O floor of this machine.
#   bench/run.sh [size in MiB, default 1024] [work directory, default build-bench/work]
# Builds a release decoder, writes a container of the given size and decodes
# it in the modes below. For each mode: wall, user and system time, peak
# resident memory, input and output bytes, the I/O floor measured in the same
# run, and the ratio of the two. The floor is what plain tools need at their
# fastest: reading the container once and writing as many output bytes into
# the same folder, both with 1 MiB blocks. Dirty pages left by one step slow
# the next writer, so every timed step starts after a sync; each mode and its
# floor run twice and the faster run counts. Run it on a quiet machine: a build
# or a fuzzer beside it doubles the times.
#
# DEC_BENCH_BASELINE=path/to/decoder also times another build (an earlier
# release, say) in every mode, in turns with this one so that a passing load
# slows both alike, prints its wall time in the column base_s and checks that
# it writes the same files.
set -euo pipefail
cd "$(dirname "$0")/.."
size=${1:-1024}
build="build-bench"
work=${2:-$build/work}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDEC_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target decoder make_bench_container >/dev/null
mkdir -p "$work"
# A container of about `size` MiB at $1 (made again when its size is off);
# the other arguments are options of the generator.
container() {
    local path=$1 mib=0
    shift
    [ -f "$path" ] && mib=$(($(stat -c %s "$path") / 1048576))
    if [ "$mib" -lt "$((size * 9 / 10))" ] || [ "$mib" -gt "$((size * 11 / 10 + 1))" ]; then
        "$build/make_bench_container" "$@" "$path" "$size"
    fi
}
decoder=$(realpath "$build/decoder")

# DEC_BENCH_MODES="h,h:lengths" runs only those modes.
IFS=, read -r -a modes <<<"${DEC_BENCH_MODES:-2,3,6 -a c,8,9,a,f,g,h,i,m,-s,h:lengths,h:runs,i:lengths,h:u6,i:u6,h:u10,i:u10,h:u20,i:u20,h:u24,i:u24,h:u30,i:u30}"
baseline=""
[ -n "${DEC_BENCH_BASELINE:-}" ] && baseline=$(realpath "$DEC_BENCH_BASELINE")
container "$work/logger.bin"
# The same mix with bursts of ten unit counts, so the spectrum keys meet 30 axis
# lengths instead of 3: "KEY:lengths" decodes one whose every burst has other
# lengths than the one before, "KEY:runs" one with the same bursts in runs of
# ten of one length. Each is made only when a mode needs it.
case ",${modes[*]}" in
    *:lengths*) container "$work/lengths.bin" --many-lengths ;;
esac
case ",${modes[*]}" in
    *:runs*) container "$work/runs.bin" --length-runs ;;
esac
# "KEY:uN": the same mix with bursts of N units (axes of 2, 3 and 6 times 7N - 1
# samples: 7N - 1 is 41 for 6 units, 23 times 3 for 10, 139 for 20, 167 for 24,
# 11 times 19 for 30, the most units a record holds).
for mode in "${modes[@]}"; do
    case "$mode" in
        *:u*) container "$work/units${mode##*:u}.bin" --units "${mode##*:u}" ;;
    esac
done
runs=2

# Seconds of one run of a command, after a sync.
timed() {
    sync
    local t0 t1
    t0=$(date +%s.%N)
    "$@"
    t1=$(date +%s.%N)
    echo "$t1 - $t0" | bc -l
}
# The faster of two numbers.
least() { echo "if ($1 < $2) $1 else $2" | bc -l; }

# The floor: read the input once, write $1 MiB into the folder $2.
floor_run() {
    dd if="$input" of=/dev/null bs=1M status=none
    dd if=/dev/zero of="$2/floor.bin" bs=1M count="$1" status=none
}

# Wall time of one run of $1 into $out, after a sync; `stats` gets the time's
# line (wall, user, system seconds and peak KiB).
run_decoder() {
    rm -rf "$out" && mkdir -p "$out"
    sync
    stats=$( { /usr/bin/time -f '%e %U %S %M' "$1" "${args[@]}" >/dev/null; } 2>&1 | tail -1)
}

printf '%-10s %9s %9s %9s %9s %10s %11s %9s %7s' mode wall_s user_s sys_s rss_MiB in_MiB out_MiB floor_s ratio
[ -n "$baseline" ] && printf ' %9s %7s' base_s outputs
printf '\n'
for mode in "${modes[@]}"; do
    out="$work/out"
    input="$work/logger.bin"
    case "$mode" in
        *:lengths) input="$work/lengths.bin" ;;
        *:runs) input="$work/runs.bin" ;;
        *:u*) input="$work/units${mode##*:u}.bin" ;;
    esac
    in_bytes=$(stat -c %s "$input")
    if [ "$mode" = "-s" ]; then
        # -s needs a time-stamped base name: a link to the input under that
        # name (the link's own path, not the path it resolves to).
        name="$(cd "$work" && pwd)/2019-5-3-7-0-9_L000000012.bin"
        ln -sf "$(realpath "$input")" "$name"
        args=(-s "$name" -d "$out")
    else
        # shellcheck disable=SC2206
        key=(${mode%:*})
        args=(-c "${key[0]}" "${key[@]:1}" -f "$(realpath "$input")" -d "$out")
    fi
    best="" base=""
    for _ in $(seq "$runs"); do
        if [ -n "$baseline" ]; then
            run_decoder "$baseline"
            read -r w _ _ _ <<<"$stats"
            if [ -z "$base" ] || [ "$(echo "$w < $base" | bc -l)" = 1 ]; then base=$w; fi
            rm -rf "$work/base" && mv "$out" "$work/base"
        fi
        run_decoder "$decoder"
        read -r w _ _ _ <<<"$stats"
        if [ -z "$best" ] || [ "$(echo "$w < $best" | bc -l)" = 1 ]; then
            best=$w
            read -r wall user sys rss_kib <<<"$stats"
        fi
    done
    same=same
    if [ -n "$baseline" ]; then
        diff -r -q "$work/base" "$out" >/dev/null || same=DIFFER
        rm -rf "$work/base"
    fi
    out_bytes=$(du -sb "$out" | cut -f1)
    out_mib=$(((out_bytes + 1048575) / 1048576))
    rm -rf "$out" && mkdir -p "$out"
    floor=""
    for _ in $(seq "$runs"); do
        t=$(timed floor_run "$out_mib" "$out")
        rm -f "$out/floor.bin"
        if [ -z "$floor" ]; then floor=$t; else floor=$(least "$floor" "$t"); fi
    done
    ratio=$(echo "$wall / $floor" | bc -l)
    printf '%-10s %9.2f %9.2f %9.2f %9.1f %10.1f %11.1f %9.2f %7.2f' "$mode" "$wall" "$user" "$sys" \
        "$(echo "$rss_kib / 1024" | bc -l)" "$(echo "$in_bytes / 1048576" | bc -l)" \
        "$(echo "$out_bytes / 1048576" | bc -l)" "$floor" "$ratio"
    [ -n "$baseline" ] && printf ' %9.2f %7s' "$base" "$same"
    printf '\n'
done
