// Finding the post-processing programs in the program's folder and running them on the data file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "platform/run_program.h"
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

// A program that runs `first`, then writes its arguments (one a line) and its working folder into
// `out`, and ends with `status`.
std::string recorder(const std::string& out, int status = 0, const std::string& first = "") {
    return "#!/bin/sh\n" + first + "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + out +
           "'\npwd -P >> '" + out + "'\nexit " + std::to_string(status) + "\n";
}

TEST(PostProcessing, ProgramsAreFoundByNameIgnoringCaseWithOrWithoutExtension) {
    struct Entry {
        std::string name;
        bool executable;
        bool folder = false;
    };
    struct Case {
        std::vector<Entry> entries;
        std::vector<uint8_t> indexes;
        std::vector<std::string> files; // names of the files found, in list order
    } cases[] = {
        {{}, {}, {}},
        {{{"Pcomp.exe", true}, {"Heatlane.exe", true}}, {0, 1}, {"Pcomp.exe", "Heatlane.exe"}},
        {{{"HEATLANE.EXE", true}, {"pcomp", true}}, {0, 1}, {"pcomp", "HEATLANE.EXE"}},
        {{{"heatlane", true}}, {1}, {"heatlane"}},
        // Not executable, a folder, another extension, a longer name: none counts.
        {{{"Pcomp.exe", false},
          {"Heatlane.exe", false, true},
          {"Pcomp.bin", true},
          {"Pcomp2.exe", true},
          {"Heatlane.exe.bak", true},
          {"xPcomp.exe", true}},
         {},
         {}},
        // Several names fit: the first in byte order.
        {{{"pcomp.exe", true}, {"PCOMP", true}, {"Pcomp.EXE", true}}, {0}, {"PCOMP"}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        for (const Entry& e : c.entries) {
            if (e.folder)
                fs::create_directory(dir.file(e.name));
            else
                makeFile(dir.file(e.name), "#!/bin/sh\n", e.executable);
        }
        std::vector<uint8_t> indexes = {9}; // appended to, never replaced
        const int n = findFile(dir.path(), "exe", indexes);
        std::vector<uint8_t> want = {9};
        want.insert(want.end(), c.indexes.begin(), c.indexes.end());
        EXPECT_EQ(n, static_cast<int>(c.indexes.size())) << c.entries.size();
        EXPECT_EQ(indexes, want);
        std::vector<std::string> files;
        for (const PluginFile& p : findPlugins(dir.path(), "exe")) {
            EXPECT_TRUE(fs::path(p.path).is_absolute());
            files.push_back(fs::path(p.path).filename().string());
        }
        EXPECT_EQ(files, c.files);
    }
    std::vector<uint8_t> none;
    EXPECT_EQ(findFile("/nonexistent/korvane-plugins", "exe", none), 0);
    EXPECT_TRUE(none.empty());
}

class RunPlugin : public KorvaneTest {};

TEST_F(RunPlugin, RunsInTheProgramFolderWithTheDataFileAsItsOneArgumentAndWaits) {
    TempDir exe, out;
    const std::string record = out.file("args.txt");
    makeFile(exe.file("Heatlane.exe"), recorder(record, 3, "sleep 0.2\n"), true);
    Exe_dir = exe.path();
    Data_file = out.path() + "/dati del 'giorno' $HOME;*.txt"; // no shell ever reads it
    const auto found = findPlugins(Exe_dir, "exe");
    ASSERT_EQ(found.size(), 1u);
    int idles = 0;
    EXPECT_EQ(runPlugin(found[0], [&] { ++idles; }), 3);
    EXPECT_GT(idles, 0); // it was waited for, with the window's idle work in between
    EXPECT_EQ(readFileBytes(record), Data_file + "\n" + fs::canonical(exe.path()).string() + "\n");
}

TEST(RunProgram, ReportsHowTheProgramEnded) {
    TempDir dir;
    makeFile(dir.file("ok"), recorder(dir.file("ok.txt"), 0), true);
    makeFile(dir.file("fails"), "#!/bin/sh\nexit 7\n", true);
    makeFile(dir.file("killed"), "#!/bin/sh\nkill -TERM $$\n", true);
    makeFile(dir.file("plain"), "#!/bin/sh\n", false);
    EXPECT_EQ(runProgramAndWait(dir.file("ok"), {"a b", ""}), 0);
    EXPECT_EQ(readFileBytes(dir.file("ok.txt")), "a b\n\n" + fs::current_path().string() + "\n");
    EXPECT_EQ(runProgramAndWait(dir.file("fails"), {}), 7);
    EXPECT_EQ(runProgramAndWait(dir.file("killed"), {}), 128 + SIGTERM);
    EXPECT_EQ(runProgramAndWait(dir.file("plain"), {}), -1);
    EXPECT_EQ(runProgramAndWait(dir.file("missing"), {}), -1);
    EXPECT_EQ(runProgramAndWait(dir.file("ok"), {}, dir.file("no-such-folder")), -1);
}

} // namespace
