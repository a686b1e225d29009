#!/usr/bin/env bash
# Decodes the bundled examples (generation 5, generation 3, voltage logger) with
# every menu key and time-stamp style, and the container of bursts whose spectra
# lie on integers (make_example --spectra) with the spectrum keys h and i, once
# with the Linux decoder and once with decoder.exe under Wine, and compares
# every output file byte for byte, the exit codes, and the console text (whose
# lines end in CR LF on Windows).
#   compare_under_wine.sh LINUX_DECODER WINDOWS_DECODER MAKE_EXAMPLE
set -euo pipefail
linux=$(realpath "$1") windows=$(realpath "$2") make_example=$(realpath "$3")
# shellcheck source=tests/windows/wine_work.sh
. "$(dirname "$0")/wine_work.sh"
"$make_example" "$work/gen5.bin" >/dev/null
"$make_example" --gen3 "$work/gen3.bin" >/dev/null
"$make_example" --voltage "$work/volt.bin" >/dev/null
"$make_example" --spectra "$work/spectra.bin" >/dev/null

runs=0 differing=0
for input in gen5 gen3 volt spectra; do
    choices=(1 2 3 4 5 8 h i m '!' '$' @ b s 6:a 6:b 6:c 6:d 6:e 9:c a:e f:b g:d)
    if [ $input = spectra ]; then
        choices=(h i)
    fi
    for choice in "${choices[@]}"; do
        key=${choice%%:*} answer=${choice#*:}
        [ "$answer" = "$choice" ] && answer=a
        for side in linux windows; do
            out=$work/$side
            rm -rf "$out" && mkdir -p "$out"
            if [ $side = linux ]; then
                run=("$linux")
            else
                run=(wine "$windows")
            fi
            (cd "$out" && "${run[@]}" -c "$key" -a "$answer" -f "$work/$input.bin" -d . \
                >"$work/$side.console" 2>"$work/$side.errors" </dev/null
             echo "exit $?" >>"$work/$side.console") || true
            tr -d '\r' <"$work/$side.console" >"$work/$side.text"
            tr -d '\r' <"$work/$side.errors" >"$work/$side.err"
        done
        runs=$((runs + 1))
        if ! diff -r "$work/linux" "$work/windows" >/dev/null ||
            ! cmp -s "$work/linux.text" "$work/windows.text" ||
            ! cmp -s "$work/linux.err" "$work/windows.err"; then
            echo "differs: $input, key $key -a $answer"
            diff -r "$work/linux" "$work/windows" | head -5 || true
            diff "$work/linux.text" "$work/windows.text" | head -5 || true
            differing=$((differing + 1))
        fi
    done
done
echo "$runs runs under Wine, $differing differing from the Linux build"
[ "$differing" -eq 0 ]
