#!/usr/bin/env Rscript
# Writes res/coastlines.bin, the chart's offline basemap, from the Natural
# Earth data that Debian's r-cran-rnaturalearthdata ships (public domain;
# the R package is CC0):
#   apt-get install --no-install-recommends r-cran-rnaturalearthdata
#   Rscript tools/make_coastlines.R res/coastlines.bin
# Two levels: 1:110m for the whole world, 1:50m once zoomed in. Land is
# the countries' outer rings (holes left out: enclaves and lakes are too
# small for a chart of warnings), the coast is Natural Earth's coastline.
# Lines are thinned (Douglas-Peucker, 0.05 degrees at 1:110m, 0.01 at
# 1:50m), below what either scale shows, which takes a fifth off the file
# (about 1 MB).
#
# Format (little endian), read by src/geo/coastline_map.cpp:
#   "WLCOAST1"                         8 bytes
#   u32 layer count
#   per layer: u8 level (0 coarse, 1 detailed), u8 kind (0 land ring,
#              1 coast line), u16 0, u32 part count, u32 point count
#   per layer, in that order: part count u32 point counts of its parts,
#              then point count (i32 longitude, i32 latitude) in
#              millionths of a degree
suppressPackageStartupMessages(library(sp))

args <- commandArgs(trailingOnly = TRUE)
out <- if (length(args) >= 1) args[1] else "res/coastlines.bin"
rdata <- file.path(find.package("rnaturalearthdata"), "data", "Rdata")
e <- new.env()
invisible(lazyLoad(rdata, envir = e))

# Douglas-Peucker on a matrix of (lon, lat); keeps both ends.
thin <- function(m, tolerance) {
    n <- nrow(m)
    if (n <= 2) return(m)
    keep <- logical(n)
    keep[c(1, n)] <- TRUE
    stack <- list(c(1, n))
    while (length(stack) > 0) {
        span <- stack[[length(stack)]]
        stack[[length(stack)]] <- NULL
        a <- span[1]; b <- span[2]
        if (b - a < 2) next
        i <- (a + 1):(b - 1)
        dx <- m[b, 1] - m[a, 1]; dy <- m[b, 2] - m[a, 2]
        len <- sqrt(dx * dx + dy * dy)
        d <- if (len == 0) sqrt((m[i, 1] - m[a, 1])^2 + (m[i, 2] - m[a, 2])^2)
             else abs(dy * m[i, 1] - dx * m[i, 2] + m[b, 1] * m[a, 2] - m[b, 2] * m[a, 1]) / len
        k <- which.max(d)
        if (d[k] > tolerance) {
            j <- i[k]
            keep[j] <- TRUE
            stack[[length(stack) + 1]] <- c(a, j)
            stack[[length(stack) + 1]] <- c(j, b)
        }
    }
    m[keep, , drop = FALSE]
}

land_parts <- function(o, tolerance) {
    parts <- list()
    for (p in o@polygons) for (pp in p@Polygons) {
        if (pp@hole) next
        m <- thin(pp@coords, tolerance)
        # The ring is closed by the reader; the repeated first point goes.
        if (nrow(m) > 1 && all(m[1, ] == m[nrow(m), ])) m <- m[-nrow(m), , drop = FALSE]
        if (nrow(m) >= 3) parts[[length(parts) + 1]] <- m
    }
    parts
}

coast_parts <- function(o, tolerance) {
    parts <- list()
    for (l in o@lines) for (ln in l@Lines) {
        m <- thin(ln@coords, tolerance)
        if (nrow(m) >= 2) parts[[length(parts) + 1]] <- m
    }
    parts
}

layers <- list(
    list(level = 0, kind = 0, parts = land_parts(e$countries110, 0.05)),
    list(level = 0, kind = 1, parts = coast_parts(e$coastline110, 0.05)),
    list(level = 1, kind = 0, parts = land_parts(e$countries50, 0.01)),
    list(level = 1, kind = 1, parts = coast_parts(e$coastline50, 0.01)))

con <- file(out, "wb")
writeBin(charToRaw("WLCOAST1"), con)
writeBin(as.integer(length(layers)), con, size = 4, endian = "little")
for (layer in layers) {
    counts <- vapply(layer$parts, nrow, 1L)
    writeBin(as.raw(c(layer$level, layer$kind, 0, 0)), con)
    writeBin(as.integer(c(length(counts), sum(counts))), con, size = 4, endian = "little")
}
for (layer in layers) {
    counts <- vapply(layer$parts, nrow, 1L)
    writeBin(as.integer(counts), con, size = 4, endian = "little")
    all <- do.call(rbind, layer$parts)
    micro <- round(all * 1e6)
    micro[, 1] <- pmin(pmax(micro[, 1], -180e6), 180e6)
    micro[, 2] <- pmin(pmax(micro[, 2], -90e6), 90e6)
    writeBin(as.integer(t(micro)), con, size = 4, endian = "little")
    cat(sprintf("level %d %s: %d parts, %d points\n", layer$level,
                if (layer$kind == 0) "land" else "coast", length(counts), sum(counts)))
}
close(con)
