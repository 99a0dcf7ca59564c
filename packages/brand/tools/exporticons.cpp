// Writes the tray's symbolic icon for the desktop's icon theme (installed under share/icons).

#include <cstdio>
#include <fstream>

#include "tarnwick/brand/symbolicglyph.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.svg\n", argv[0]);
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << tarnwick::symbolicglyph::svg(tarnwick::BrandMarkKind::tarnwick);
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: could not write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
