#!/usr/bin/env bash
# Ctrl-C on Windows: decoder.exe under Wine is stopped while it writes its
# outputs and interrupted (Wine hands SIGINT to the console's Ctrl-C handler).
# It must end with 130, leave no temporary file, and every output name must
# hold the earlier run's file or the complete new one (the Linux build's).
#   interrupt_under_wine.sh LINUX_DECODER WINDOWS_DECODER MAKE_BENCH_CONTAINER
set -euo pipefail
linux=$(realpath "$1") windows=$(realpath "$2") make_container=$(realpath "$3")
# shellcheck source=tests/windows/wine_work.sh
. "$(dirname "$0")/wine_work.sh"
cd "$work"
"$make_container" big.bin 64 >/dev/null
mkdir good && "$linux" -c h -f big.bin -d good >/dev/null

temporary() { compgen -G 'out/*.part' >/dev/null || compgen -G 'out/*.tmp' >/dev/null; }

for attempt in 1 2 3 4 5; do
    rm -rf out && mkdir out
    for f in good/*; do echo "an earlier run's" >"out/${f#good/}"; done
    wine "$windows" -c h -f big.bin -d out >/dev/null 2>&1 </dev/null &
    pid=$!
    caught=no
    # Watch the folder for as long as the run lasts: the spectra are fast,
    # so outputs are staged only for moments between Wine's start and the end.
    while kill -0 "$pid" 2>/dev/null; do
        if temporary; then
            kill -STOP "$pid"
            if temporary; then caught=yes; break; fi
            kill -CONT "$pid"
        fi
    done
    if [ $caught = no ]; then
        wait "$pid" || true
        echo "attempt $attempt: the run ended before it could be interrupted"
        continue
    fi
    kill -INT "$pid"
    kill -CONT "$pid"
    rc=0 && wait "$pid" || rc=$?
    failed=0 kept=0
    [ "$rc" -eq 130 ] || { echo "exit code $rc, not 130"; failed=1; }
    if temporary; then echo "temporary files left:"; find out -name '*.part' -o -name '*.tmp'; failed=1; fi
    for f in out/*; do
        name=${f#out/}
        if [ "$(cat "$f")" = "an earlier run's" ]; then
            kept=$((kept + 1))
        elif ! cmp -s "$f" "good/$name"; then
            echo "$name is neither the earlier file nor the complete new one"; failed=1
        fi
    done
    [ $kept -gt 0 ] || { echo "no earlier file kept: the run was not interrupted"; failed=1; }
    [ $failed -eq 0 ] && echo "interrupted under Wine: exit 130, no temporary file, $kept earlier files kept"
    exit $failed
done
echo "no run could be interrupted"
exit 1
