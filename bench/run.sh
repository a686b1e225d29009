#!/usr/bin/env bash
# Benchmark of the decoder against the I/O floor of this machine.
#   bench/run.sh [size in MiB, default 1024] [work directory, default build-bench/work]
# Builds a release decoder, writes a container of the given size and decodes
# it in the modes below. For each mode: wall, user and system time, peak
# resident memory, input and output bytes, and the I/O floor measured in the
# same run (reading the input once plus writing as many output bytes into the
# same output folder with plain tools), and the ratio of the two.
set -euo pipefail
cd "$(dirname "$0")/.."
size=${1:-1024}
build=build-bench
work=${2:-$build/work}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDEC_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target decoder make_bench_container >/dev/null
mkdir -p "$work"
input="$work/logger.bin"
if [ ! -f "$input" ] || [ "$(($(stat -c %s "$input") / 1048576))" -lt "$((size * 9 / 10))" ] ||
   [ "$(($(stat -c %s "$input") / 1048576))" -gt "$((size * 11 / 10 + 1))" ]; then
    "$build/make_bench_container" "$input" "$size"
fi
in_bytes=$(stat -c %s "$input")
decoder=$(realpath "$build/decoder")

modes=("2" "3" "6 -a c" "9" "h" "m" "-s")
printf '%-8s %9s %9s %9s %9s %10s %11s %9s %7s\n' mode wall_s user_s sys_s rss_MiB in_MiB out_MiB floor_s ratio
for mode in "${modes[@]}"; do
    out="$work/out"
    rm -rf "$out" && mkdir -p "$out"
    if [ "$mode" = "-s" ]; then
        # -s needs a time-stamped base name: a link to the input under that
        # name (the link's own path, not the path it resolves to).
        name="$(cd "$work" && pwd)/2019-5-3-7-0-9_L000000012.bin"
        ln -sf "$(realpath "$input")" "$name"
        args=(-s "$name" -d "$out")
    else
        # shellcheck disable=SC2206
        key=($mode)
        args=(-c "${key[0]}" "${key[@]:1}" -f "$(realpath "$input")" -d "$out")
    fi
    stats=$( { /usr/bin/time -f '%e %U %S %M' "$decoder" "${args[@]}" >/dev/null; } 2>&1 | tail -1)
    read -r wall user sys rss_kib <<<"$stats"
    out_bytes=$(du -sb "$out" | cut -f1)
    # The floor: read the input once, write the same number of bytes there.
    t0=$(date +%s.%N)
    cat "$input" >/dev/null
    head -c "$out_bytes" /dev/zero >"$out/floor.bin"
    t1=$(date +%s.%N)
    rm -f "$out/floor.bin"
    floor=$(echo "$t1 - $t0" | bc -l)
    ratio=$(echo "$wall / $floor" | bc -l)
    printf '%-8s %9.2f %9.2f %9.2f %9.1f %10.1f %11.1f %9.2f %7.2f\n' "$mode" "$wall" "$user" "$sys" \
        "$(echo "$rss_kib / 1024" | bc -l)" "$(echo "$in_bytes / 1048576" | bc -l)" \
        "$(echo "$out_bytes / 1048576" | bc -l)" "$floor" "$ratio"
done
