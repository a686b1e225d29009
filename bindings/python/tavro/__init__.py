"""Base-station containers of wildlife tags read into pandas data frames.

    >>> import tavro
    >>> tags = tavro.read("logger.bin")
    >>> tags[17].gps.head()

read() decodes the container as the console program does and returns, per
tag number, a Tag whose data frames hold the records: gps, acc_bursts, acc
(the samples in long form), orientation, events, ecg_bursts and ecg. Times
are timezone-aware UTC (datetime64[ns, UTC]) with the leap seconds taken off
the tags' GPS time; each time column has its uncorrected GPS time beside it
(the same name ending in "-gps", without a time zone). Column names are Movebank's attribute
names where one exists.
"""

from dataclasses import dataclass, field
from typing import Dict, List, Optional, Sequence, Tuple

import numpy as np
import pandas as pd

from . import _tavro

__all__ = ["read", "Tag", "Reading", "Error", "TABLES", "SENSORS"]

Error = _tavro.Error
TABLES = ("gps", "acc_bursts", "acc", "orientation", "events", "ecg_bursts", "ecg")
SENSORS = ("gps", "acc", "imu", "events", "ecg")
api_version = _tavro.api_version
decoder_version = _tavro.decoder_version

_UTC = pd.DatetimeTZDtype(tz="UTC")


@dataclass
class Tag:
    """The records of one tag."""

    number: int
    layout: str
    gps: pd.DataFrame
    acc_bursts: pd.DataFrame
    acc: pd.DataFrame
    orientation: pd.DataFrame
    events: pd.DataFrame
    ecg_bursts: pd.DataFrame
    ecg: pd.DataFrame
    last_download_complete: bool
    bad_units: int
    bytes_decoded: int
    connect_time: Optional[pd.Timestamp]
    settings: List[Tuple[str, str]] = field(default_factory=list)
    info: str = ""
    warnings: List[str] = field(default_factory=list)


class Reading(dict):
    """The tags of a container by number, with what the run reported."""

    kind: str = ""
    console: str = ""
    leap_source: str = ""
    voltages: pd.DataFrame


def _column(name, values):
    if isinstance(values, list):
        return pd.array(values, dtype=object) if values else np.array([], dtype=object)
    if values.dtype.kind == "M" and not name.endswith("-gps"):
        # UTC, marked as such without a copy; the "-gps" columns stay naive:
        # GPS time is no time zone.
        return pd.arrays.DatetimeArray(values, dtype=_UTC)
    return values


def _frame(columns, masks=None):
    data = {name: _column(name, values) for name, values in columns.items()}
    if masks:
        for name, mask in masks.items():
            if mask.any():
                data[name] = pd.arrays.IntegerArray(np.asarray(data[name]), mask)
    return pd.DataFrame(data, copy=False)


def _axis_masks(bursts, samples):
    """Which sample rows lack an axis: the burst's axis letters tell."""
    axes = pd.Series(bursts["accelerations-axes"], dtype=object).str.upper()
    # A burst that names no axes has one, written as x.
    named = axes != ""
    lacks = np.zeros(len(axes), dtype=np.uint8)
    for bit, letter in enumerate("XYZ"):
        has = axes.str.contains(letter, regex=False).to_numpy(bool)
        if letter == "X":
            has |= ~named.to_numpy(bool)
        lacks |= (~has).astype(np.uint8) << bit
    counts = np.asarray(bursts["samples-per-axis"], dtype=np.int64)
    rows = np.repeat(lacks, counts)
    if len(rows) != len(samples["burst"]):
        return None
    return {column: (rows & (1 << bit)) != 0 for bit, column in enumerate(
        ("acceleration-raw-x", "acceleration-raw-y", "acceleration-raw-z"))}


def read(path, tags: Optional[Sequence[int]] = None, sensors: Optional[Sequence[str]] = None,
         work_dir: Optional[str] = None, leap_seconds_list: Optional[str] = None) -> Reading:
    """Decodes the container at `path` into data frames per tag.

    tags: tag numbers to read (default all); sensors: any of "gps", "acc",
    "imu", "events", "ecg" (default all). work_dir: where temporary files go
    (default the system's temporary folder). leap_seconds_list: a
    leap-seconds.list to convert with (default the system's, else the table
    built in). Raises tavro.Error with the console program's text, and its
    exit code as `code`, where the console program would fail.
    """
    raw = _tavro.read(str(path), [int(t) for t in (tags or [])],
                      None if sensors is None else [str(s) for s in sensors],
                      str(work_dir or ""), str(leap_seconds_list or ""))
    out = Reading()
    out.kind = raw["kind"]
    out.console = raw["console"]
    out.leap_source = raw["leap_source"]
    out.voltages = _frame(raw["voltages"])
    for t in raw["tags"]:
        frames = {}
        for name in TABLES:
            masks = _axis_masks(t["acc_bursts"], t["acc"]) if name == "acc" else None
            frames[name] = _frame(t[name], masks)
        connect = (pd.Timestamp(t["connect_time"], unit="s", tz="UTC")
                   if t["connect_time"] else None)
        out[t["number"]] = Tag(number=t["number"], layout=t["layout"],
                               last_download_complete=t["last_download_complete"],
                               bad_units=t["bad_units"], bytes_decoded=t["bytes_decoded"],
                               connect_time=connect, settings=list(t["settings"]),
                               info=t["info"], warnings=list(t["warnings"]), **frames)
    return out
