import sys
import xml.etree.ElementTree as ET

import pandas as pd

out = sys.argv[1] if len(sys.argv) > 1 else "example/out"

# MOVEBANK GPS file: comma separated with one header line; the checksum keeps
# its leading zeros as text. Records without a fix have empty positions (NaN).
gps = pd.read_csv(f"{out}/tag17_gps.txt", dtype={"key-bin-checksum": str},
                  parse_dates=["start-timestamp", "timestamp-of-fix"])
print(f"gps {len(gps)} rows; {', '.join(gps.columns[:5])}")
print(f"first fix {gps['longitude'].iloc[0]:.7f} {gps['latitude'].iloc[0]:.7f}")

# MOVEBANK acceleration file: one burst a line, its samples in one column,
# separated by spaces (x y z x y z ...).
acc = pd.read_csv(f"{out}/tag17_acc.txt", dtype={"key-bin-checksum": str})
samples = acc["accelerations-raw"].str.split(" ").map(lambda s: [int(v) for v in s])
rate = acc["acceleration-sampling-frequency-per-axis"].iloc[0]
print(f"acc {len(acc)} bursts; first burst {len(samples.iloc[0])} values at {rate:.2f} Hz")

# GPX track: one trkpt per valid fix.
ns = {"g": "http://www.topografix.com/GPX/1/1"}
points = ET.parse(f"{out}/tag17.gpx").getroot().findall(".//g:trkpt", ns)
track = pd.DataFrame({
    "lon": [float(p.get("lon")) for p in points],
    "lat": [float(p.get("lat")) for p in points],
    "time": pd.to_datetime([p.find("g:time", ns).text for p in points]),
})
print(f"gpx {len(track)} points; first {track['lon'].iloc[0]:.6f} {track['lat'].iloc[0]:.6f}")
