// Writes a project folder for the end-to-end drag test: `count` patches named PREFIX01, PREFIX02 ...
// in slots 1 to count, each using wave 1, the wave "001 Pad.wav" and the system files. With
// FIRST and LAST, the patches in those slots use wave 2, "002 Lead.wav", instead.
// Usage: orvanta_make_drag_project PARENT_FOLDER NAME.prj COUNT PREFIX [FIRST LAST]

#include "ProjectBuilder.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 5 && argc != 7) {
        std::fprintf(stderr, "usage: %s PARENT_FOLDER NAME.prj COUNT PREFIX [FIRST LAST]\n", argv[0]);
        return 2;
    }
    std::string parent = argv[1];
    if (parent.empty() || parent.back() != '/') {
        parent += '/';
    }
    const int count = std::atoi(argv[3]);
    const std::string prefix = argv[4];
    const int leadFirst = argc == 7 ? std::atoi(argv[5]) : 0;
    const int leadLast = argc == 7 ? std::atoi(argv[6]) : -1;
    if (count < 1 || count > 512 || prefix.empty() || prefix.size() > 8) {
        std::fprintf(stderr, "COUNT must lie in 1..512 and PREFIX have 1 to 8 characters\n");
        return 2;
    }
    Orvanta::TestSupport::ProjectBuilder project(parent, argv[2]);
    char name[64];
    for (int slot = 1; slot <= count; ++slot) {
        std::snprintf(name, sizeof name, "%03d %s%02d.p00", slot, prefix.c_str(), slot % 100);
        const bool lead = slot >= leadFirst && slot <= leadLast;
        project.AddPatch(name, Orvanta::TestSupport::ProjectBuilder::PatchUsingWaves(lead ? 2 : 1));
    }
    project.AddWave("001 Pad.wav");
    if (leadFirst <= leadLast) {
        project.AddWave("002 Lead.wav");
    }
    project.AddSystemFiles();
    std::printf("%s\n", project.Path().c_str());
    return 0;
}
