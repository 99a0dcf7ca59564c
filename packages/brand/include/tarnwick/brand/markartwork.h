#pragma once

// The brand artwork as SVG text kept inside the program: no image files ship.

#include <string>

#include "tarnwick/brand/brandmarkkind.h"

namespace tarnwick {

/// One artwork: its size and outline stroke width in SVG user units, and the SVG text built from
/// them. Built once on first use and kept for the process; safe to read from any thread.
struct ArtworkDefinition {
    double width = 0;
    double height = 0;
    double strokeWidth = 0;
    std::string svg;

    double aspectRatio() const { return width / height; }
};

namespace markartwork {

/// The envelope of the `tarnwick` mark (36 x 30, stroke 2).
const ArtworkDefinition& envelope();
/// The calendar card of the `brisdell` mark (36 x 39, stroke 2).
const ArtworkDefinition& calendar();
/// The artwork of a kind.
const ArtworkDefinition& definition(BrandMarkKind kind);

} // namespace markartwork
} // namespace tarnwick
