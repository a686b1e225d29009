#!/usr/bin/env bash
# tools/decode-many on example containers: the table, the folders and the
# exit code when all decode and when one is not a container.
# Arguments: DECODE_MANY DECODER MAKE_EXAMPLE WORKDIR
set -euo pipefail
decode_many=$1
export DECODER=$2
make_example=$3
work=$4

if ! parallel --version 2>/dev/null | grep -q '^GNU parallel'; then
    echo "GNU parallel is not installed; skipping"
    exit 77
fi

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Bytes of the files in a folder, without decoder.log and the files named.
output_bytes() {
    local dir=$1
    shift
    local -a files=()
    local f
    for f in "$dir"/*; do
        case ${f##*/} in decoder.log) continue ;; esac
        for skip in "$@"; do [ "${f##*/}" = "$skip" ] && continue 2; done
        files+=("$f")
    done
    [ ${#files[@]} -gt 0 ] || fail "no output in $dir"
    du -cb -- "${files[@]}" | tail -n1 | cut -f1
}

# Paths with spaces throughout, the script's own included.
rm -rf -- "$work"
in="$work/in put"
mkdir -p -- "$in" "$work/tool dir"
cp -- "$decode_many" "$work/tool dir/decode-many"
decode_many="$work/tool dir/decode-many"
"$make_example" "$in/gen 5.bin"
"$make_example" --gen3 "$in/gen3.bin"
"$make_example" --voltage "$in/volt.bin"
containers=("$in/gen 5.bin" "$in/gen3.bin" "$in/volt.bin")
names=("gen 5" gen3 volt)

echo "== all containers decode =="
out="$work/out one"
# A file of an earlier run that this run does not rewrite is not counted.
mkdir -p -- "$out/gen3"
echo "left from before" >"$out/gen3/old.txt"
"$decode_many" -j 2 "$out" "${containers[@]}" || fail "exit $? with three good containers"
mapfile -t lines <"$out/decode-many.tsv"
[ "${lines[0]}" = $'container\texit\tseconds\toutput_bytes' ] || fail "header: ${lines[0]}"
[ ${#lines[@]} -eq 4 ] || fail "${#lines[@]} lines in the table"
for i in 0 1 2; do
    IFS=$'\t' read -r container status seconds bytes <<<"${lines[i + 1]}"
    dir="$out/${names[i]}"
    [ "$container" = "${containers[i]}" ] || fail "line $((i + 1)) is for $container"
    [ "$status" = 0 ] || fail "$container: exit $status"
    [[ $seconds =~ ^[0-9]+\.[0-9][0-9]$ ]] || fail "$container: seconds '$seconds'"
    expected=$(output_bytes "$dir" old.txt)
    [ "$bytes" = "$expected" ] || fail "$container: $bytes output bytes, the files hold $expected"
    grep -q "Super success." "$dir/decoder.log" || fail "$container: decoder.log lacks the end of the run"
done
ls "$out/gen 5"/tag*.txt >/dev/null || fail "key 3 wrote no tag file"

echo "== one file is not a container =="
out="$work/out two"
head -c 4096 /dev/zero >"$in/zeros.bin"
status=0
"$decode_many" -j 2 -c 2 "$out" "${containers[@]}" "$in/zeros.bin" 2>"$work/stderr" || status=$?
cat "$work/stderr"
[ $status -ne 0 ] || fail "exit 0 with a file of zeros"
grep -q "1 of 4 containers failed" "$work/stderr" || fail "no summary of the failure"
mapfile -t lines <"$out/decode-many.tsv"
[ ${#lines[@]} -eq 5 ] || fail "${#lines[@]} lines in the table"
IFS=$'\t' read -r container status _ <<<"${lines[4]}"
[[ $container = "$in/zeros.bin" && $status != 0 ]] || fail "zeros line: ${lines[4]}"
for i in 0 1 2; do
    IFS=$'\t' read -r container status _ <<<"${lines[i + 1]}"
    [ "$status" = 0 ] || fail "$container: exit $status beside a failing container"
    output_bytes "$out/${names[i]}" >/dev/null
done
ls "$out/gen 5"/tag*_gps.txt >/dev/null || fail "-c 2 not passed to the decoder"

echo "== refused before anything runs =="
mkdir -p -- "$in/other"
cp -- "$in/gen3.bin" "$in/other/gen3.bin"
out="$work/out three"
# Usage errors: exit 2 with a message, and no output folder made.
refused() {
    local what=$1
    shift
    local status=0
    "$decode_many" "$@" 2>"$work/stderr" || status=$?
    [ $status -eq 2 ] || fail "$what: exit $status, not 2"
    [ -s "$work/stderr" ] || fail "$what: no message"
    [ ! -e "$out" ] || fail "$what: $out was made"
}
refused "no container" -j 2 "$out"
refused "unknown option" -x "$out" "$in/gen3.bin"
refused "zero jobs" -j 0 "$out" "$in/gen3.bin"
refused "two containers of one name" "$out" "$in/gen3.bin" "$in/other/gen3.bin"
DECODER="$work/no decoder" refused "missing decoder" "$out" "$in/gen3.bin"
refused "a line break in a name" "$out" "$in/gen3.bin" "$in/two"$'\n'"lines.bin"
refused "a tab in a name" "$out" "$in/gen3.bin" "$in/a"$'\t'"tab.bin"

echo "== one batch per output folder =="
out="$work/out four"
mkdir -p -- "$out/gen3"
echo "the other batch's" >"$out/gen3/decoder.log"
exec {held}<"$out"
flock -n "$held" || fail "cannot lock $out for the test"
status=0
"$decode_many" "$out" "$in/gen3.bin" 2>"$work/stderr" || status=$?
exec {held}<&-
[ $status -eq 2 ] || fail "a busy output folder: exit $status, not 2"
grep -q "in use by another" "$work/stderr" || fail "a busy output folder: no message"
[ "$(cat "$out/gen3/decoder.log")" = "the other batch's" ] || fail "the other batch's decoder.log was touched"

echo "== an interrupted batch stops its decoders and writes its table =="
out="$work/out five"
mark="$work/slow mark"
# A decoder that runs until it is stopped, for containers named "slow".
{
    echo '#!/usr/bin/env bash'
    echo 'case "$*" in *slow*)'
    printf '    trap %q TERM\n' "echo stopped >'$mark'; exit 143"
    printf '    echo started >%q\n' "$mark"
    echo '    while :; do sleep 0.1; done ;;'
    echo 'esac'
    printf 'exec %q "$@"\n' "$DECODER"
} >"$work/slow decoder"
chmod +x "$work/slow decoder"
cp -- "$in/gen3.bin" "$in/slow.bin"
rm -f -- "$mark"
DECODER="$work/slow decoder" "$decode_many" -j 1 "$out" "$in/gen3.bin" "$in/slow.bin" "$in/volt.bin" \
    2>"$work/stderr" &
batch=$!
for _ in $(seq 100); do
    [ -e "$mark" ] && break
    sleep 0.1
done
[ "$(cat "$mark" 2>/dev/null)" = started ] || fail "the slow decoder did not start"
kill -TERM "$batch"
status=0
wait "$batch" || status=$?
[ $status -eq 143 ] || fail "an interrupted batch: exit $status, not 143"
[ "$(cat "$mark")" = stopped ] || fail "the running decoder was not stopped"
mapfile -t lines <"$out/decode-many.tsv"
[ ${#lines[@]} -eq 4 ] || fail "${#lines[@]} lines in the table of an interrupted batch"
IFS=$'\t' read -r container status _ <<<"${lines[1]}"
[[ $container = "$in/gen3.bin" && $status = 0 ]] || fail "finished line: ${lines[1]}"
IFS=$'\t' read -r container status _ <<<"${lines[2]}"
[[ $container = "$in/slow.bin" && $status = 143 ]] || fail "stopped line: ${lines[2]}"
IFS=$'\t' read -r container status _ <<<"${lines[3]}"
[[ $container = "$in/volt.bin" && $status = - ]] || fail "line of a container never started: ${lines[3]}"
echo "decode-many: all checks passed"
