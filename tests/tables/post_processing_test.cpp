// Finding the post-processing programs in the program's folder and running them on the data file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/state_guard.h"
#include "tables/post_processing.h"

namespace {

namespace fs = std::filesystem;

void makeFile(const std::string& path, const std::string& text, bool executable) {
    std::ofstream(path, std::ios::binary) << text;
    ::chmod(path.c_str(), executable ? 0755 : 0644);
}

TEST(PostProcessing, ProgramsAreFoundByNameIgnoringCaseWithOrWithoutExtension) {
    TempDir dir;
    makeFile(dir.file("Pcomp.exe"), "#!/bin/sh\n", false); // not executable
    for (const char* name :
         {"Pcomp.bin", "Heatlane.exe.bak", "xHeatlane", "PCOMP", "pcomp.exe", "HEATLANE.EXE"})
        makeFile(dir.file(name), "#!/bin/sh\n", true);
    const auto found = findPlugins(dir.path(), "exe");
    ASSERT_EQ(found.size(), 2u); // case ignored; several fit: the first in byte order
    EXPECT_EQ(fs::path(found[0].path).filename(), "PCOMP");
    EXPECT_EQ(fs::path(found[1].path).filename(), "HEATLANE.EXE");
}

class RunPlugin : public KorvaneTest {};

TEST_F(RunPlugin, RunsInTheProgramFolderWithTheDataFileAsItsOneArgumentAndWaits) {
    TempDir exe, out;
    const std::string record = out.file("args.txt");
    makeFile(exe.file("Heatlane.exe"),
             "#!/bin/sh\nsleep 0.2\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record +
                 "'\npwd -P >> '" + record + "'\nexit 3\n",
             true);
    Exe_dir = exe.path();
    Data_file = out.path() + "/dati del 'giorno' $HOME;*.txt"; // no shell ever reads it
    const auto found = findPlugins(Exe_dir, "exe");
    ASSERT_EQ(found.size(), 1u);
    int idles = 0;
    EXPECT_EQ(runPlugin(found[0], [&] { ++idles; }), 3);
    EXPECT_GT(idles, 0); // it was waited for, with the window's idle work in between
    EXPECT_EQ(readFileBytes(record), Data_file + "\n" + fs::canonical(exe.path()).string() + "\n");
}

} // namespace
