// mv_artwork: draws every image the program uses.
//   mv_artwork --img DIR              the PNG files of the img folder
//   mv_artwork --resources OUT.cpp    the icon and bitmap resources as a C++ source
//   mv_artwork --preview IMGDIR OUTDIR  contact sheets of the generated files
//   mv_artwork --desktop-icons DIR APPID  the application icon in the hicolor theme's folders
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/artwork/art_catalog.h"
#include "tools/artwork/art_desktop_icon.h"
#include "tools/artwork/art_preview.h"

static int Usage() {
    std::fprintf(stderr,
                 "usage: mv_artwork --img DIR | --resources OUT.cpp | --preview IMGDIR OUTDIR | "
                 "--desktop-icons DIR APPID\n");
    return 2;
}

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    std::string error;
    bool ok = false;
    if (std::strcmp(argv[1], "--img") == 0 && argc == 3) {
        ok = ArtWriteImageFiles(argv[2], &error);
    } else if (std::strcmp(argv[1], "--resources") == 0 && argc == 3) {
        ok = ArtWriteResourceSource(argv[2], &error);
    } else if (std::strcmp(argv[1], "--preview") == 0 && argc == 4) {
        ok = ArtWritePreviews(argv[2], argv[3], &error);
    } else if (std::strcmp(argv[1], "--desktop-icons") == 0 && argc == 4) {
        ok = ArtWriteDesktopIcons(argv[2], argv[3], &error);
    } else {
        return Usage();
    }
    if (!ok) {
        std::fprintf(stderr, "mv_artwork: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
