library(readr)

args <- commandArgs(trailingOnly = TRUE)
out <- if (length(args) > 0) args[1] else "example/out"

# MOVEBANK GPS file: comma separated with one header line; the checksum keeps
# its leading zeros as text. Records without a fix have empty positions (NA).
gps <- read_csv(file.path(out, "tag17_gps.txt"),
                col_types = cols(`key-bin-checksum` = col_character()))
cat(sprintf("gps %d rows; %s\n", nrow(gps), paste(names(gps)[1:5], collapse = ", ")))
cat(sprintf("first fix %.7f %.7f\n", gps$longitude[1], gps$latitude[1]))

# MOVEBANK acceleration file: one burst a line, its samples in one column,
# separated by spaces (x y z x y z ...).
acc <- read_csv(file.path(out, "tag17_acc.txt"),
                col_types = cols(`key-bin-checksum` = col_character()))
samples <- lapply(strsplit(acc$`accelerations-raw`, " "), as.integer)
rate <- acc$`acceleration-sampling-frequency-per-axis`[1]
cat(sprintf("acc %d bursts; first burst %d values at %.2f Hz\n",
            nrow(acc), length(samples[[1]]), rate))

# GPX track: one trkpt per valid fix (attributes lat and lon).
gpx <- read_lines(file.path(out, "tag17.gpx"))
trkpt <- grep("<trkpt ", gpx, value = TRUE)
track <- data.frame(lon = as.numeric(sub('.*lon="([^"]+)".*', "\\1", trkpt)),
                    lat = as.numeric(sub('.*lat="([^"]+)".*', "\\1", trkpt)))
cat(sprintf("gpx %d points; first %.6f %.6f\n", nrow(track), track$lon[1], track$lat[1]))
