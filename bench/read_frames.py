"""GPS and acceleration of a container into pandas data frames, two ways.

    read_frames.py DECODER CONTAINER WORKDIR [ROUNDS]

module: tavro.read(CONTAINER, sensors=["gps", "acc"]), the frames as it
        returns them.
text:   the console program writes key 3 (all data, one file per tag), and
        pandas reads the "GPS," and "ACC," lines back: the fixes with their
        dates parsed, the samples in long form (burst, sample, value).
Each way runs in a process of its own, in turns, ROUNDS times (default 2);
printed: wall seconds and peak resident memory (the largest of the process
and the decoder it starts) of each run, and the best of each way.
"""

import io
import os
import pathlib
import shutil
import subprocess
import sys
import time


def module_way(container):
    import tavro

    reading = tavro.read(container, sensors=["gps", "acc"])
    return sum(len(t.gps) for t in reading.values()), sum(len(t.acc) for t in reading.values())


def text_way(decoder, container, work):
    import numpy as np
    import pandas as pd

    out = pathlib.Path(work) / "text"
    shutil.rmtree(out, ignore_errors=True)
    out.mkdir(parents=True)
    subprocess.run([decoder, "-c", "3", "-f", container, "-d", str(out)], check=True,
                   stdout=subprocess.DEVNULL)
    fixes = samples = 0
    frames = []  # every tag's frames are kept, as the module's are
    for path in sorted(out.glob("tag*.txt")):
        gps_lines, acc_values, acc_bursts = [], [], []
        with open(path) as f:
            for line in f:
                if line.startswith("GPS,"):
                    gps_lines.append(line)
                elif line.startswith("ACC,"):
                    fields = line.rstrip("\n").split(",")
                    acc_bursts.append(fields[2] + " " + fields[4])
                    acc_values.append(np.array(fields[5:], dtype=np.int16))
        if gps_lines:
            gps = pd.read_csv(io.StringIO("".join(gps_lines)), header=None)
            gps["time"] = pd.to_datetime(gps[2] + " " + gps[4], format="%d.%m.%Y %H:%M:%S")
            fixes += len(gps)
            frames.append(gps)
        if acc_values:
            counts = np.array([len(v) for v in acc_values])
            acc = pd.DataFrame({
                "burst": np.repeat(np.arange(len(acc_values)), counts),
                "sample": np.concatenate([np.arange(n) for n in counts]),
                "value": np.concatenate(acc_values),
            })
            starts = pd.to_datetime(pd.Series(acc_bursts), format="%d.%m.%Y %H:%M:%S")
            acc["start"] = np.repeat(starts.to_numpy(), counts)
            samples += len(acc)
            frames.append(acc)
    shutil.rmtree(out, ignore_errors=True)
    return fixes, samples


def child(way, decoder, container, work):
    t = time.perf_counter()
    counts = module_way(container) if way == "module" else text_way(decoder, container, work)
    print("%s %.3f %s %s" % (way, time.perf_counter() - t, counts[0], counts[1]))


def main():
    if sys.argv[1] == "--child":
        child(*sys.argv[2:6])
        return
    decoder, container, work = sys.argv[1:4]
    rounds = int(sys.argv[4]) if len(sys.argv) > 4 else 2
    pathlib.Path(work).mkdir(parents=True, exist_ok=True)
    best = {}
    for r in range(rounds):
        for way in ("module", "text"):
            start = time.perf_counter()
            p = subprocess.Popen([sys.executable, __file__, "--child", way, decoder, container,
                                  work], stdout=subprocess.PIPE, text=True)
            stdout = p.stdout.read()
            # The child's own usage, which on Linux includes the decoder it
            # waited for: its peak is the larger of the two.
            _, status, usage = os.wait4(p.pid, 0)
            p.returncode = os.waitstatus_to_exitcode(status)
            wall = time.perf_counter() - start
            if p.returncode != 0:
                raise SystemExit("%s failed" % way)
            peak = usage.ru_maxrss
            _, inner, fixes, samples = stdout.split()
            print("round %d %-6s wall %7.2f s (inside %7.2f s)  peak %6.0f MiB  fixes %s  "
                  "samples %s" % (r + 1, way, wall, float(inner), peak / 1024, fixes, samples),
                  flush=True)
            best[way] = min(best.get(way, wall), wall)
    print("best: module %.2f s, text %.2f s: module %.1fx faster" % (
        best["module"], best["text"], best["text"] / best["module"]))


if __name__ == "__main__":
    main()
