// The demo script writes the demo project only into a folder that has none or one older than the
// project writer, so that the user's settings in its System.ini stay from start to start; an option
// writes it anew.
#include "tools/project_writer.h"

#include "fixtures/bytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(RunDemoScript, WritesTheDemoOnlyWhereItIsMissingOrWhenAskedAnew) {
    fixtures::TempDir tmp;
    // A build folder with the real project writer and a player that only notes its arguments.
    const fs::path build = tmp.path() / "build", demo = tmp.path() / "demo";
    fs::create_directories(build);
    ASSERT_TRUE(fs::exists(fs::path(M4_BINARY_DIR) / "m4_projwriter"))
        << "the project writer is built with the player";
    fs::create_symlink(fs::path(M4_BINARY_DIR) / "m4_projwriter", build / "m4_projwriter");
    std::ofstream(build / "mirelda4") << "#!/bin/sh\necho \"$@\" >started.txt\n";
    fs::permissions(build / "mirelda4", fs::perms::owner_all, fs::perm_options::add);
    const auto run = [&](const std::string& args) {
        const std::string command = "BUILD_DIR='" + build.string() + "' DEMO_DIR='" + demo.string() +
                                    "' bash '" + M4_SOURCE_DIR + "/scripts/run-demo.sh' " + args +
                                    " >/dev/null 2>&1";
        return std::system(command.c_str());
    };

    ASSERT_EQ(run(""), 0);
    ASSERT_TRUE(fs::exists(demo / "data" / "System.dat"));
    EXPECT_EQ(ReadText(demo / "System.ini"), project_writer::DemoSystemIni());
    EXPECT_EQ(ReadText(demo / "started.txt"), "\n");

    // The user's choice of back-end and window mode stays; the file argument reaches the player.
    const std::string mine = "Direct3D=1\r\nWindowMode=2\r\nExit\r\n";
    std::ofstream(demo / "System.ini", std::ios::binary) << mine;
    ASSERT_EQ(run("data/stg4/demo.stg4_000"), 0);
    EXPECT_EQ(ReadText(demo / "System.ini"), mine);
    EXPECT_EQ(ReadText(demo / "started.txt"), "data/stg4/demo.stg4_000\n");

    // A project older than the project writer is written anew, the user's System.ini kept; a
    // current one is left as it is.
    const auto old = fs::last_write_time(build / "m4_projwriter") - std::chrono::hours(24);
    fs::last_write_time(demo / "data" / "System.dat", old);
    fs::last_write_time(demo / "data" / "WorldMap.dat", old);
    ASSERT_EQ(run(""), 0);
    EXPECT_GT(fs::last_write_time(demo / "data" / "WorldMap.dat"), old) << "the old project was kept";
    EXPECT_EQ(ReadText(demo / "System.ini"), mine);
    fs::last_write_time(demo / "data" / "WorldMap.dat", old);
    ASSERT_EQ(run(""), 0);
    EXPECT_EQ(fs::last_write_time(demo / "data" / "WorldMap.dat"), old)
        << "a current project was written again";

    ASSERT_EQ(run("--new-demo"), 0);
    EXPECT_EQ(ReadText(demo / "System.ini"), project_writer::DemoSystemIni());
}
