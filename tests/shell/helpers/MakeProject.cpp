// Writes a small project folder for the end-to-end test: one patch that uses one wave, and the
// system files. Usage: orvanta_make_project PARENT_FOLDER NAME.prj

#include "ProjectBuilder.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PARENT_FOLDER NAME.prj\n", argv[0]);
        return 2;
    }
    std::string parent = argv[1];
    if (parent.empty() || parent.back() != '/') {
        parent += '/';
    }
    Orvanta::TestSupport::ProjectBuilder project(parent, argv[2]);
    project.AddPatch("001 Lead.p00", Orvanta::TestSupport::ProjectBuilder::PatchUsingWaves(1));
    project.AddWave("001 Pad.wav");
    project.AddSystemFiles();
    std::printf("%s\n", project.Path().c_str());
    return 0;
}
