#!/usr/bin/env bash
# tools/check-includes on scratch source trees: a tree without circles passes;
# planted circles between files (a header and its .cpp counting as one file,
# includes resolved beside the includer first) and between folders are each
# printed with their include lines, and fail the check.
# Arguments: CHECK_INCLUDES WORKDIR
set -euo pipefail
check=$1
work=$2

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# tree NAME FILE:INCLUDE... makes the tree WORKDIR/NAME, each FILE with a line
# `#include "INCLUDE"` (FILE alone: an empty file).
tree() {
    local dir=$work/$1 entry file
    shift
    rm -rf -- "$dir"
    for entry in "$@"; do
        file=${entry%%:*}
        mkdir -p -- "$dir/$(dirname -- "$file")"
        touch -- "$dir/$file"
        if [ "$entry" != "$file" ]; then
            printf '// %s\n#include <vector>\n#include "%s"\n' "$file" "${entry#*:}" >>"$dir/$file"
        fi
    done
}

# expect NAME CODE WANT: the check over tree NAME exits with CODE and prints WANT.
expect() {
    local got code=0
    got=$("$check" "$work/$1" 2>&1) || code=$?
    [ "$code" = "$2" ] || fail "$1: exit $code, not $2"
    [ "$got" = "$3" ] || fail "$1: printed
$got
not
$3"
}

# Includes across folders without a circle, an include of a file that is not
# in the tree, and a .cpp including its own header.
tree clean a/x.h:b/y.h a/x.cpp:a/x.h a/z.cpp:gtest/gtest.h b/y.h b/y.cpp:b/y.h
expect clean 0 "no include circles among 5 files"

# p.cpp includes q.h, q.cpp includes p.h: the files p and q include each
# other though no header includes the other's header.
tree pair a/p.h a/p.cpp:a/q.h a/q.h a/q.cpp:a/p.h
expect pair 1 'circle between files: a/p -> a/q -> a/p
    a/p.cpp:3: #include "a/q.h"
    a/q.cpp:3: #include "a/p.h"
1 include circle'

# "v.h" in a/u.cpp is a/v.h (beside it), not the v.h at the top of the tree.
tree beside a/u.h a/u.cpp:v.h a/v.h:a/u.h v.h
expect beside 1 'circle between files: a/u -> a/v -> a/u
    a/u.cpp:3: #include "v.h"
    a/v.h:3: #include "a/u.h"
1 include circle'

# Folders a and b include each other through different files: no file circle.
tree folders a/m.h:b/n.h b/n.h b/o.cpp:a/k.h a/k.h
expect folders 1 'circle between folders: a -> b -> a
    a/m.h:3: #include "b/n.h"
    b/o.cpp:3: #include "a/k.h"
1 include circle'

# Three files in three folders, and a second circle sharing a file with it:
# both circles of files and the circle of folders.
tree three a/r.h:b/s.h b/s.h:c/t.h c/t.h:a/r.h c/t.cpp:c/w.h c/w.h:b/s.h
expect three 1 'circle between folders: a -> b -> c -> a
    a/r.h:3: #include "b/s.h"
    b/s.h:3: #include "c/t.h"
    c/t.h:3: #include "a/r.h"
circle between folders: b -> c -> b
    b/s.h:3: #include "c/t.h"
    c/w.h:3: #include "b/s.h"
circle between files: a/r -> b/s -> c/t -> a/r
    a/r.h:3: #include "b/s.h"
    b/s.h:3: #include "c/t.h"
    c/t.h:3: #include "a/r.h"
circle between files: b/s -> c/t -> c/w -> b/s
    b/s.h:3: #include "c/t.h"
    c/t.cpp:3: #include "c/w.h"
    c/w.h:3: #include "b/s.h"
4 include circles'

[ "$failures" = 0 ] || exit 1
echo "check-includes: all cases passed"
