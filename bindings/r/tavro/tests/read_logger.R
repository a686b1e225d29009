# Reads the example containers that the project's make_example writes and
# compares the GPS fixes with the console program's Movebank GPS files.
# TAVRO_EXAMPLE_DIR names a folder with logger.bin, voltage.bin and, in
# movebank/, the output of `decoder -c m -f logger.bin -d movebank`.
library(tavro)

# Errors need no example: a missing file fails with the console's text.
err <- tryCatch(read_logger(file.path(tempdir(), "no-such-container.bin")),
                error = function(e) e)
stopifnot(inherits(err, "tavro_error"),
          grepl("Couldn't open file", conditionMessage(err), fixed = TRUE),
          is.numeric(err$code), err$code != 0)
err <- tryCatch(read_logger("x.bin", sensors = "gyro"), error = function(e) e)
stopifnot(grepl("unknown sensors: gyro", conditionMessage(err), fixed = TRUE))

dir <- Sys.getenv("TAVRO_EXAMPLE_DIR")
if (!nzchar(dir)) {
    message("TAVRO_EXAMPLE_DIR is not set: the example containers are not read")
    quit(save = "no")
}

x <- read_logger(file.path(dir, "logger.bin"))
stopifnot(identical(attr(x, "kind"), "generation 5"),
          identical(names(x), c("tag17", "tag19", "tag1201", "tag801")))

seconds <- function(text) as.numeric(as.POSIXct(text, tz = "UTC", format = "%Y-%m-%d %H:%M:%OS"))
for (name in c("tag17", "tag19", "tag1201")) {
    gps <- x[[name]]$gps
    for (col in c("timestamp", "timestamp-gps", "start-timestamp", "start-timestamp-gps"))
        stopifnot(inherits(gps[[col]], "POSIXct"), identical(attr(gps[[col]], "tzone"), "UTC"))
    file <- read.csv(file.path(dir, "movebank", paste0(name, "_gps.txt")),
                     colClasses = "character", check.names = FALSE)
    stopifnot(nrow(file) > 0, nrow(gps) == nrow(file))
    for (i in seq_len(nrow(file))) {
        # The console leaves the position of a record without a fix empty
        # (the table holds NA), a version-9 tag's line also the fix time.
        fixed <- nzchar(file$longitude[i])
        ok <- if (fixed)
            abs(gps[["location-long"]][i] - as.numeric(file$longitude[i])) < 1e-7 &&
                abs(gps[["location-lat"]][i] - as.numeric(file$latitude[i])) < 1e-7
        else
            is.na(gps[["location-long"]][i]) && is.na(gps[["location-lat"]][i]) &&
                !nzchar(file$latitude[i])
        fix_time <- file[["timestamp-of-fix"]][i]
        ok <- ok && (if (nzchar(fix_time) || fixed)
            abs(as.numeric(gps[["timestamp-gps"]][i]) - seconds(fix_time)) < 1e-4 else TRUE) &&
            abs(as.numeric(gps[["start-timestamp-gps"]][i]) - seconds(file[["start-timestamp"]][i])) < 1e-4 &&
            gps[["key-bin-checksum"]][i] == file[["key-bin-checksum"]][i] &&
            gps[["tag-local-identifier"]][i] == as.numeric(file[["tag-serial-number"]][i])
        if (!isTRUE(ok)) stop(name, " GPS row ", i, " differs from the console's Movebank file")
    }
}

# Only the tags and sensors asked for; the other tables are empty.
y <- read_logger(file.path(dir, "logger.bin"), tags = 19, sensors = c("gps", "events"))
stopifnot(identical(names(y), "tag19"),
          identical(y$tag19$gps, x$tag19$gps), identical(y$tag19$events, x$tag19$events),
          nrow(y$tag19$acc) == 0, nrow(y$tag19$orientation) == 0, nrow(x$tag19$acc) > 0)

v <- read_logger(file.path(dir, "voltage.bin"))
stopifnot(identical(attr(v, "kind"), "voltage logger"), nrow(v$voltages) > 0)

if (requireNamespace("sf", quietly = TRUE)) {
    s <- gps_sf(x, tag = c(17, 19))
    both <- rbind(x$tag17$gps, x$tag19$gps)
    fix <- !is.na(both[["location-long"]])
    xy <- sf::st_coordinates(s[fix, ])
    stopifnot(inherits(s, "sf"), sf::st_crs(s) == sf::st_crs(4326),
              all(sf::st_geometry_type(s) == "POINT"), nrow(s) == nrow(both),
              any(!fix), all(sf::st_is_empty(s) == !fix),
              all(xy[, "X"] == both[["location-long"]][fix]),
              all(xy[, "Y"] == both[["location-lat"]][fix]))
} else {
    err <- tryCatch(gps_sf(x), error = function(e) e)
    stopifnot(grepl("needs the package 'sf'", conditionMessage(err), fixed = TRUE))
}
