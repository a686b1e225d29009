"""The Python module's data frames against the console program's files.

    python_tables_test.py DECODER MAKE_EXAMPLE MAKE_BENCH WORKDIR

Makes the example containers (generation 5 and 3, voltage logger) and a
small benchmark container, decodes each with the console program (MOVEBANK
files, key m; the voltage logger's voltages.csv) and with tavro.read(), and
compares every table row by row: the values the files print, at the
precision they print them, the checksums as text, times as the GPS time the
files print and as UTC the leap seconds off.
"""

import os
import pathlib
import shutil
import subprocess
import sys

import numpy as np
import pandas as pd

import tavro

decoder, make_example, make_bench, work = sys.argv[1:5]
work = pathlib.Path(work)
shutil.rmtree(work, ignore_errors=True)
work.mkdir(parents=True)


def run(*args):
    subprocess.run([str(a) for a in args], check=True, stdout=subprocess.DEVNULL)


def console(container, key):
    out = work / (container.stem + "_" + key)
    out.mkdir()
    run(decoder, "-c", key, "-f", container, "-d", out)
    return out


def csv(path):
    return pd.read_csv(path, dtype=str, keep_default_na=False)


def gps_text(times):
    """The files' "yyyy-mm-dd hh:mm:ss.sss" of naive GPS times."""
    return [t.strftime("%Y-%m-%d %H:%M:%S.") + "%03d" % (t.microsecond // 1000)
            if not pd.isna(t) else "" for t in times]


def fixed(values, decimals):
    return ["%.*f" % (decimals, v) for v in values]


def check_equal(what, got, expected):
    got, expected = list(got), list(expected)
    if got != expected:
        bad = next(i for i, (a, b) in enumerate(zip(got, expected)) if a != b) \
            if len(got) == len(expected) else "length %d != %d" % (len(got), len(expected))
        raise AssertionError("%s differs at row %s: %r against the file's %r" % (
            what, bad, got[bad] if isinstance(bad, int) else "", expected[bad]
            if isinstance(bad, int) else ""))


# GPS time ahead of UTC from these GPS times on (the leap seconds since 2006).
GPS_AHEAD = [("2006-01-01 00:00:14", 14), ("2009-01-01 00:00:15", 15),
             ("2012-07-01 00:00:16", 16), ("2015-07-01 00:00:17", 17),
             ("2017-01-01 00:00:18", 18)]


def check_utc(frame, column):
    """UTC is the GPS time less the leap seconds of the data's dates."""
    utc = frame[column]
    gps = frame[column + "-gps"]
    assert str(utc.dtype) == "datetime64[ns, UTC]", utc.dtype
    assert str(gps.dtype) == "datetime64[ns]", gps.dtype
    expected = pd.Series(np.nan, index=gps.index)
    for since, ahead in GPS_AHEAD:
        expected[gps >= pd.Timestamp(since)] = ahead
    known = gps.notna()
    diff = (gps.dt.tz_localize("UTC") - utc).dt.total_seconds()
    check_equal(column + " less UTC", diff[known], expected[known])


def compare_gps(tag, files):
    f = csv(files / ("tag%d_gps.txt" % tag.number))
    g = tag.gps
    check_equal("checksum", g["key-bin-checksum"], f["key-bin-checksum"])
    check_equal("tag", g["tag-local-identifier"].astype(str), f["tag-serial-number"])
    check_equal("start", gps_text(g["start-timestamp-gps"]), f["start-timestamp"])
    located = f["longitude"] != ""
    # What the file leaves empty the table has no value for.
    check_equal("no position", g["location-long"].isna(), ~located)
    check_equal("no fix time", g["timestamp-gps"].isna(), f["timestamp-of-fix"] == "")
    check_equal("type of fix", g["type-of-fix"].astype(str), f["type-of-fix"])
    check_equal("longitude", fixed(g["location-long"][located], 7), f["longitude"][located])
    check_equal("latitude", fixed(g["location-lat"][located], 7), f["latitude"][located])
    check_equal("height", fixed(g["height-above-ellipsoid"][located], 1),
                f["height-above-ellipsoid"][located])
    check_equal("status", g["status"], f["status"])
    check_equal("time to fix", g["used-time-to-get-fix"].astype(str), f["used-time-to-get-fix"])
    fixed_time = f["timestamp-of-fix"] != ""
    check_equal("fix time", np.array(gps_text(g["timestamp-gps"]))[fixed_time],
                f["timestamp-of-fix"][fixed_time])
    check_equal("battery", g["tag-voltage"].astype(str), f["battery-voltage"])
    check_equal("no motion", g["ground-speed"].isna(), f["speed-over-ground"] == "")
    moving = located & (f["speed-over-ground"] != "")
    check_equal("speed", fixed(g["ground-speed"][moving], 2), f["speed-over-ground"][moving])
    check_equal("heading", fixed(g["heading"][moving], 2), f["heading-degree"][moving])
    if "satellite-count" in f:
        extended = f["satellite-count"] != ""
        check_equal("satellites", g["gps:satellite-count"][extended].astype(str),
                    f["satellite-count"][extended])
        quat = f["quat-w-raw"] != ""
        for a in "wxyz":
            check_equal("quat " + a, g["quat-%s-raw" % a][quat].astype(str),
                        f["quat-%s-raw" % a][quat])
    check_utc(g, "timestamp")
    check_utc(g, "start-timestamp")
    return len(g)


def compare_acc(tag, files):
    f = csv(files / ("tag%d_acc.txt" % tag.number))
    b = tag.acc_bursts
    check_equal("burst checksum", b["key-bin-checksum"], f["key-bin-checksum"])
    check_equal("burst start", gps_text(b["start-timestamp-gps"]), f["start-timestamp"])
    check_equal("rate", fixed(b["sampling-frequency"], 2),
                f["acceleration-sampling-frequency-per-axis"])
    check_equal("axes", b["accelerations-axes"], f["acceleration-axes"])
    # The samples, axis by axis in the burst's order, as the file lists them.
    s = tag.acc
    columns = {"X": "acceleration-raw-x", "Y": "acceleration-raw-y", "Z": "acceleration-raw-z"}
    starts = np.concatenate([[0], np.cumsum(b["samples-per-axis"].to_numpy(np.int64))])
    for i, axes in enumerate(b["accelerations-axes"]):
        rows = s.iloc[starts[i]:starts[i + 1]]
        values = np.stack([rows[columns[a]].to_numpy(np.int64) for a in (axes or "X")], axis=1)
        check_equal("samples of burst %d" % i, " ".join(map(str, values.ravel())).split(),
                    f["accelerations-raw"][i].split())
        assert (rows["burst"] == i).all()
        for a in "XYZ":
            if a not in (axes or "X"):
                assert rows[columns[a]].isna().all(), (i, axes, a)
    check_utc(s, "timestamp")
    return len(s)


def compare_orientation(tag, files):
    q = csv(files / ("tag%d_quat.txt" % tag.number))
    m = csv(files / ("tag%d_magnetic.txt" % tag.number))
    o = tag.orientation
    first = o[o["entry"] == 0]
    check_equal("orientation checksum", first["key-bin-checksum"], q["key-bin-checksum"])
    check_equal("orientation start", gps_text(first["timestamp-gps"]), q["start-timestamp"])
    check_equal("temperature", fixed(first["temperature"], 2), m["temperature"])
    for i, burst in enumerate(o.groupby("burst", sort=True)):
        rows = burst[1]
        quat = rows[["quat-w-raw", "quat-x-raw", "quat-y-raw", "quat-z-raw"]].to_numpy()
        mag = rows[["magnetic-field-x-raw", "magnetic-field-y-raw",
                    "magnetic-field-z-raw"]].to_numpy()
        check_equal("quaternions %d" % i, [str(v) for v in quat.ravel()],
                    q["quaternions-raw"][i].split())
        check_equal("magnetic field %d" % i, [str(v) for v in mag.ravel()],
                    m["magnetic-fields-raw"][i].split())
    return len(o)


def compare_ecg(tag, files):
    f = csv(files / ("tag%d_ecg.txt" % tag.number))
    b, s = tag.ecg_bursts, tag.ecg
    check_equal("ecg checksum", b["key-bin-checksum"], f["key-bin-checksum"])
    check_equal("ecg start", gps_text(b["start-timestamp-gps"]), f["start-timestamp"])
    check_equal("ecg rate", fixed(b["sampling-frequency"], 2), f["ecg-sampling-frequency"])
    check_equal("ecg battery", b["tag-voltage"].astype(str), f["bat-mvolt"])
    for i, rows in s.groupby("burst", sort=True):
        check_equal("ecg samples %d" % i, rows["ecg-raw"].astype(str), f["ecg-raw"][i].split())
    return len(s)


def compare_events(tag, files):
    # Every event's status line carries its reset flags as " RS:0x".
    info = (files / ("info_tag%d.txt" % tag.number)).read_text(errors="replace")
    status_lines = sum(" RS:0x" in line for line in info.splitlines())
    assert len(tag.events) == status_lines, (tag.number, len(tag.events), status_lines)
    return len(tag.events)


def compare_container(container):
    files = console(container, "m")
    reading = tavro.read(container)
    events_files = console(container, "3")
    counts = {}
    for number, tag in reading.items():
        assert tag.last_download_complete in (True, False)
        if tag.layout == "ecg":
            counts["ecg"] = counts.get("ecg", 0) + compare_ecg(tag, files)
            continue
        counts["gps"] = counts.get("gps", 0) + compare_gps(tag, files)
        if (files / ("tag%d_acc.txt" % number)).exists():
            counts["acc"] = counts.get("acc", 0) + compare_acc(tag, files)
        if tag.layout == "gps-acc v10":
            counts["orientation"] = counts.get("orientation", 0) + \
                compare_orientation(tag, files)
        if tag.layout != "gen3 gps-acc":
            counts["events"] = counts.get("events", 0) + compare_events(tag, events_files)
    print("%s: %s" % (container.name, counts))
    return reading


gen5 = work / "logger.bin"
run(make_example, gen5)
reading = compare_container(gen5)
assert sorted(reading) == [17, 19, 801, 1201], sorted(reading)
assert reading.kind == "generation 5"

gen3 = work / "gen3.bin"
run(make_example, "--gen3", gen3)
compare_container(gen3)

bench = work / "bench.bin"
run(make_bench, bench, 4)
compare_container(bench)

# The voltage logger: its records against voltages.csv.
volt = work / "volt.bin"
run(make_example, "--voltage", volt)
files = console(volt, "3")
v = tavro.read(volt).voltages
f = csv(files / "voltages.csv")
f = f[f["hours"] != ""]
check_equal("hours", fixed(v["seconds"] / 3600, 6), f["hours"])
for ch in range(8):
    check_equal("channel %d" % ch, v["channel-%d-mv" % ch].astype(str), f["Ch%d/mV" % ch])

# Selection by tag and sensor, and failures as exceptions with the console's text.
only = tavro.read(gen5, tags=[19], sensors=["gps"])
assert list(only) == [19] and len(only[19].gps) > 0 and len(only[19].acc) == 0
try:
    tavro.read(work / "missing.bin")
    raise AssertionError("a missing file was read")
except tavro.Error as e:
    assert e.code == 18 and "Couldn't open file" in str(e), (e.code, str(e))
try:
    tavro.read(gen5, sensors=["sonar"])
    raise AssertionError("an unknown sensor was taken")
except ValueError:
    pass
leftovers = [p for p in pathlib.Path(os.environ.get("TMPDIR", "/tmp")).glob("tavro-*")
             if p.stat().st_mtime > work.stat().st_mtime]
assert not leftovers, leftovers
print("ok")
