#!/usr/bin/env python3
"""Checks that every `example` block of docs/outputs.md is still written.

Each block follows a line "Example from `FILE` (key `KEY`[, `--gen3`]):". The
bundled example container of that kind is decoded with that key, and every
line of the block must be a whole line of the output file FILE.

usage: check_outputs_doc.py DECODER MAKE_EXAMPLE DOC WORKDIR
"""
import os
import re
import shutil
import subprocess
import sys

HEAD = re.compile(r"^Example from `([^`]+)` \(key `([^`]+)`(?:, `(--gen3|--voltage)`)?\):$")


def blocks(doc):
    """(file, key, variant, lines, line number) of each example block."""
    lines = open(doc, encoding="utf-8").read().split("\n")
    found, i = [], 0
    while i < len(lines):
        if lines[i].startswith("```example"):
            j = i - 1
            while j >= 0 and not lines[j].strip():
                j -= 1
            head = HEAD.match(lines[j]) if j >= 0 else None
            if not head:
                sys.exit(f"{doc}:{i + 1}: example block without an 'Example from' line")
            end = lines.index("```", i + 1)
            found.append((head.group(1), head.group(2), head.group(3) or "", lines[i + 1:end], i + 1))
            i = end
        i += 1
    return found


def main():
    decoder, make_example, doc, work = sys.argv[1:5]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    env = dict(os.environ, LC_ALL="C", TZ="UTC")
    containers = {}
    outputs = {}
    failures = 0
    examples = blocks(doc)
    if not examples:
        sys.exit(f"{doc}: no example blocks")
    for name, key, variant, lines, where in examples:
        if variant not in containers:
            path = os.path.join(work, f"example{variant or '-logger'}.bin")
            subprocess.run([make_example] + ([variant] if variant else []) + [path], check=True)
            containers[variant] = path
        run = (variant, key)
        if run not in outputs:
            out = os.path.join(work, f"out{len(outputs)}")
            os.makedirs(out)
            args = key.split()
            cmd = [decoder, "-c", args[0]] + args[1:] + ["-f", containers[variant], "-d", out]
            subprocess.run(cmd, check=True, env=env, stdout=subprocess.DEVNULL)
            outputs[run] = out
        path = os.path.join(outputs[run], name)
        if not os.path.exists(path):
            print(f"{doc}:{where}: key {key} {variant} writes no {name}")
            failures += 1
            continue
        written = set(open(path, encoding="utf-8", errors="replace").read().split("\n"))
        for n, line in enumerate(lines, start=1):
            if line not in written:
                print(f"{doc}:{where + n}: not a line of {name} (key {key} {variant}): {line[:80]}")
                failures += 1
    print(f"{len(examples)} example blocks, {len(outputs)} decoder runs, {failures} lines missing")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
