#!/usr/bin/env python3
"""Runs a reading example of the README on freshly decoded example outputs.

The example file must stand verbatim in the README. The bundled example is
decoded with key m (MOVEBANK files) and key 4 (GPX), the example runs on that
folder, and its printed row counts, column names and first coordinates must
match the files. Exits 77 (skipped) when R with readr, or pandas, is missing.

usage: run_reading_example.py R|python SCRIPT README DECODER MAKE_EXAMPLE WORKDIR
"""
import os
import re
import shutil
import subprocess
import sys

SKIP = 77


def interpreter(lang):
    """The command that runs the example, or None."""
    if lang == "R":
        rscript = shutil.which("Rscript")
        if rscript and subprocess.run([rscript, "-e", "library(readr)"], capture_output=True).returncode == 0:
            return [rscript]
        return None
    for python in dict.fromkeys([sys.executable, "/usr/bin/python3"]):
        if os.path.exists(python) and subprocess.run([python, "-c", "import pandas"],
                                                     capture_output=True).returncode == 0:
            return [python]
    return None


def expected(out):
    """The lines the example must print, read from the files without it."""
    gps = open(os.path.join(out, "tag17_gps.txt")).read().splitlines()
    head, first = gps[0].split(","), gps[1].split(",")
    acc = open(os.path.join(out, "tag17_acc.txt")).read().splitlines()
    acc_head, acc_first = acc[0].split(","), acc[1].split(",")
    values = acc_first[acc_head.index("accelerations-raw")].split(" ")
    rate = float(acc_first[acc_head.index("acceleration-sampling-frequency-per-axis")])
    points = re.findall(r'<trkpt lat="([^"]+)" lon="([^"]+)">', open(os.path.join(out, "tag17.gpx")).read())
    return [
        f"gps {len(gps) - 1} rows; {', '.join(head[:5])}",
        f"first fix {first[head.index('longitude')]} {first[head.index('latitude')]}",
        f"acc {len(acc) - 1} bursts; first burst {len(values)} values at {rate:.2f} Hz",
        f"gpx {len(points)} points; first {points[0][1]} {points[0][0]}",
    ]


def main():
    lang, script, readme, decoder, make_example, work = sys.argv[1:7]
    text = open(script, encoding="utf-8").read()
    if text not in open(readme, encoding="utf-8").read():
        print(f"{readme} does not quote {script} verbatim")
        return 1
    command = interpreter(lang)
    if command is None:
        print("skipped: " + ("Rscript with readr (apt-get install r-cran-readr)" if lang == "R" else
                             "python3 with pandas (apt-get install python3-pandas)") + " is not installed")
        return SKIP
    shutil.rmtree(work, ignore_errors=True)
    out = os.path.join(work, "out")
    os.makedirs(out)
    container = os.path.join(work, "logger.bin")
    subprocess.run([make_example, container], check=True)
    env = dict(os.environ, LC_ALL="C", TZ="UTC")
    for key in ("m", "4"):
        subprocess.run([decoder, "-c", key, "-f", container, "-d", out], check=True, env=env,
                       stdout=subprocess.DEVNULL)
    run = subprocess.run(command + [script, out], capture_output=True, text=True, env=env)
    printed = run.stdout.splitlines()
    want = expected(out)
    if run.returncode != 0 or printed != want:
        print(f"{script} exited {run.returncode}; printed:\n" + run.stdout + run.stderr)
        print("expected:\n" + "\n".join(want))
        return 1
    print("\n".join(printed))
    return 0


if __name__ == "__main__":
    sys.exit(main())
