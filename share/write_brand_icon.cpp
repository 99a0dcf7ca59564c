// Writes the application icon (the envelope mark as scalable SVG) at build time, so the icon and the
// mark every deliverable draws come from one definition.

#include <cstdio>
#include <fstream>

#include "tarnwick/brand/markartwork.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_brand_icon OUTPUT.svg\n");
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << tarnwick::markartwork::envelope().svg;
    out.close();
    if (!out) {
        std::fprintf(stderr, "write_brand_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
