# Bits of the reading library's sensors, in its order.
.sensor_bits <- c(gps = 1L, acc = 2L, imu = 4L, events = 8L, ecg = 16L)

read_logger <- function(path, tags = NULL, sensors = NULL) {
    if (!is.character(path) || length(path) != 1L || is.na(path))
        stop("'path' must be one file name", call. = FALSE)
    if (is.null(tags)) {
        tags <- numeric()
    } else if (!is.numeric(tags) || anyNA(tags) || any(tags < 0 | tags > 4294967295 |
                                                       tags != floor(tags))) {
        stop("'tags' must be tag numbers (whole numbers from 0)", call. = FALSE)
    }
    if (is.null(sensors)) {
        bits <- sum(.sensor_bits)
    } else {
        unknown <- setdiff(sensors, names(.sensor_bits))
        if (!is.character(sensors) || length(unknown) > 0L)
            stop("unknown sensors: ", paste(unknown, collapse = ", "), "; known are ",
                 paste(names(.sensor_bits), collapse = ", "), call. = FALSE)
        bits <- sum(.sensor_bits[unique(sensors)])
    }
    r <- .read_container(path.expand(path), as.numeric(tags), bits)
    if (!is.null(r$error)) {
        cond <- structure(class = c("tavro_error", "error", "condition"),
                          list(message = sub("\n+$", "", r$error), call = sys.call(),
                               code = r$code))
        stop(cond)
    }
    out <- r$tags
    if (!is.null(r$voltages))
        out$voltages <- r$voltages
    attr(out, "kind") <- r$kind
    attr(out, "console") <- r$console
    attr(out, "leap_source") <- r$leap_source
    out
}

gps_sf <- function(x, tag = NULL) {
    if (!requireNamespace("sf", quietly = TRUE))
        stop("gps_sf() needs the package 'sf'; install it to convert the GPS fixes",
             call. = FALSE)
    if (is.data.frame(x)) {
        gps <- x
    } else if (is.list(x) && is.data.frame(x$gps)) {
        gps <- x$gps
    } else if (is.list(x)) {
        tags <- x[vapply(x, function(t) is.list(t) && is.data.frame(t$gps), logical(1))]
        if (!is.null(tag)) {
            wanted <- paste0("tag", tag)
            missing <- setdiff(wanted, names(tags))
            if (length(missing) > 0L)
                stop("no such tag: ", paste(missing, collapse = ", "), call. = FALSE)
            tags <- tags[wanted]
        }
        gps <- do.call(rbind, c(unname(lapply(tags, `[[`, "gps")),
                                list(make.row.names = FALSE)))
        if (is.null(gps))
            stop("no tags with GPS fixes", call. = FALSE)
    } else {
        stop("'x' must be read_logger()'s result, a tag of it or its GPS table",
             call. = FALSE)
    }
    if (!all(c("location-long", "location-lat") %in% names(gps)))
        stop("'x' has no location-long and location-lat columns", call. = FALSE)
    # A record without a fix has no position (NA): an empty point.
    sf::st_as_sf(gps, coords = c("location-long", "location-lat"), crs = 4326,
                 remove = FALSE, na.fail = FALSE)
}
