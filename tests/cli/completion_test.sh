#!/usr/bin/env bash
# The bash completion of the decoder, run by bash itself as it runs it when
# the user presses Tab: COMPLETION is the generated script, DECODER the
# decoder whose --help must offer the same options and keys.
set -euo pipefail
completion=$1
decoder=$2
work=$3
rm -rf "$work" && mkdir -p "$work/out dir" && touch "$work/logger.bin" "$work/2019-5-3-7-0-9_L000000012.bin"
cd "$work"
# shellcheck source=/dev/null
. "$completion"

failures=0
# complete WORDS...: the words of COMPREPLY after Tab on the command line
# "decoder WORDS" (the last word is the one completed; "=" is a word of its
# own, as bash splits "--key=3" with its default COMP_WORDBREAKS).
complete_line() {
    COMP_WORDS=(decoder "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _tavro_decoder
    if [ ${#COMPREPLY[@]} -gt 0 ]; then
        printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | tr '\n' ' '
    fi
}
expect() {
    local want=$1 got
    shift
    got=$(complete_line "$@")
    if [ "$got" != "$want" ]; then
        echo "decoder $*<Tab>: got \"$got\", want \"$want\""
        failures=$((failures + 1))
    fi
}

# The menu keys and time-stamp choices as --help lists them, the options too.
keys=$("$decoder" --help | sed -n '/^Menu keys/,/^$/{s/^  \([^ ]\) .*/\1/p}' | LC_ALL=C sort | tr '\n' ' ')
times=$("$decoder" --help | sed -n '/^Time stamps/,/^$/{s/^  \([^ ]\) .*/\1/p}' | LC_ALL=C sort | tr '\n' ' ')
options=$("$decoder" --help | sed -n '/^Options:/,/^$/p' | grep -o -- ' -[a-z]\b\| --[a-z-]*=\?' |
    tr -d ' ' | LC_ALL=C sort | tr '\n' ' ')
[ "$(echo "$keys" | wc -w)" -ge 19 ] && [ "$(echo "$options" | wc -w)" -ge 16 ] || {
    echo "the help lists too few keys or options: $keys / $options"; exit 1; }

expect "$options" -
expect "$keys" -c ''
expect "$keys" --key ''
expect "$keys" --key =
expect "$keys" -f logger.bin --key = ''
expect '$ ' -c '$'
expect 'a ' --key = a
expect "$times" -a ''
expect "$times" --acc-time =
expect '--extended-gps= ' --ext
expect '--help ' --h
expect '--file= ' --fi
expect 'out dir ' -d o
expect 'out dir ' --output-dir = o
expect '2019-5-3-7-0-9_L000000012.bin ' -m 2
expect 'logger.bin ' -s l
expect 'logger.bin ' -c 3 l
# After "--" every word is a file name.
expect '' -- -
expect 'logger.bin ' -- l

# Bash itself calls the function for "decoder" after Tab.
[ "$(complete -p decoder)" = "complete -F _tavro_decoder decoder" ] || {
    echo "not registered for decoder: $(complete -p decoder)"; failures=$((failures + 1)); }
exit $((failures > 0))
