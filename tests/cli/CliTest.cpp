// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sys/ioctl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>

#include "cli/CliRun.h"
#include "image/c32bppDIB.h"
#include "support/HostPixel.h"
#include "support/TempFolder.h"

// Runs the built tilewright-cli and checks its exit codes, its JSON and the bitmap it writes.
namespace {

const std::string kData = TILEWRIGHT_TEST_SOURCE_DIR "/data/";

TEST(TilewrightCli, InfoPrintsOneJsonLinePerFileAndTakesTheLoaderSwitches) {
    TempFolder folder;
    const std::string png = kData + "png/ct6_d8.png", jpeg = kData + "misc/photo.jpg";
    EXPECT_EQ(RunCli(folder, "info " + png).out,
              "{\"file\": \"" + png +
                  "\", \"ok\": true, \"width\": 13, \"height\": 11, \"alpha\": true, "
                  "\"imageType\": 10}\n");
    const std::string broken = folder.File("cut.png");
    std::filesystem::copy_file(png, broken);
    std::filesystem::resize_file(broken, 100);
    const std::string cutReason = "truncated: the data ends at byte 100";
    // After "--" a name that starts with "-" is a file; a byte that is no UTF-8 is U+FFFD in
    // JSON and '?' on a terminal, as is a C1 control character. These run inside the folder.
    std::filesystem::copy_file(png, folder.File("-x.png"));
    std::filesystem::copy_file(png, folder.File("\xff\xc3\xa9.png"));
    const std::string dashed = "info -- -x.png '\xff\xc3\xa9.png'";
    // Arguments, exit code, a part of what it printed (a build's errors, info's output).
    const std::tuple<std::string, int, std::string> runs[] = {
        {"info " + broken, 1, "cut.png\", \"error\": \"" + cutReason + "\", \"ok\": false"},
        {"build -o s.bmp " + broken, 1, "cannot decode it: " + cutReason},
        {"info " + png + " " + folder.File("none.png"), 1,
         "\"ok\": false, \"width\": 0, \"height\": 0, \"alpha\": false, \"imageType\": -1}\n"},
        {"info " + jpeg, 0, "\"width\": 8, \"height\": 6"},
        {"info --no-fallback " + jpeg, 1, "\"ok\": false"},
        {"info --no-zlib " + png, 0, "\"ok\": true"},
        {dashed, 0, "\"file\": \"-x.png\", \"ok\": true"},
        {dashed, 0, "\"file\": \"\\ufffd\xc3\xa9.png\", \"ok\": true"},
        {"build -o s.bmp '\xff\xc2\x9b\xc3\xa9.png'", 1, "skipped ??\xc3\xa9.png"}};
    const auto started = std::filesystem::current_path();
    std::filesystem::current_path(folder.File(""));
    for (const auto& [arguments, status, shown] : runs) {
        const CliRun run = RunCli(folder, arguments);
        EXPECT_EQ(run.status, status) << arguments;
        const std::string& printed = arguments.rfind("build", 0) == 0 ? run.err : run.out;
        EXPECT_NE(printed.find(shown), std::string::npos) << arguments << ": " << printed;
    }
    std::filesystem::current_path(started);
}

// Runs a build that reads its list of icons from a pipe; returns the exit status and the
// environment the process had once it had read the list, past its start-up.
std::pair<int, std::string> BuildFromPipe(const TempFolder& folder, const std::string& command,
                                          const std::string& list) {
    const std::string pid = folder.File("pid.txt");
    FILE* input = ::popen(("echo $$ >" + pid + "; exec " + command).c_str(), "w");
    std::fputs(list.c_str(), input);
    std::fflush(input);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int unread = 1;
    while (::ioctl(::fileno(input), FIONREAD, &unread) == 0 && unread > 0 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const std::string environment =
        ReadText("/proc/" + std::to_string(std::atoi(ReadText(pid).c_str())) + "/environ");
    const int status = ::pclose(input);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, environment};
}

// Started directly or through the dynamic loader (as valgrind and other tools start programs),
// a build runs in the process it was started in and with the environment it was given, which
// is all that anything it starts inherits.
TEST(TilewrightCli, BuildRunsAsStartedAndKeepsItsEnvironment) {
    TempFolder folder;
    const std::string png = kData + "png/ct6_d8.png", strip = folder.File("s.bmp");
    for (const std::string start : {"", "/lib64/ld-linux-x86-64.so.2 "}) {
        const auto [status, environment] = BuildFromPipe(
            folder, start + TILEWRIGHT_CLI " build --quiet --cell 13x11 --from-list - -o " + strip,
            png + "\n" + png + "\n");
        EXPECT_EQ(status, 0) << start;
        EXPECT_NE(environment.find("PATH="), std::string::npos);
        EXPECT_EQ(environment.find("GLIBC_TUNABLES"), std::string::npos);
        EXPECT_EQ(environment.find("TILEWRIGHT_"), std::string::npos);
        const std::string size = folder.File("size.txt");
        std::system(("/usr/bin/identify -regard-warnings -format '%m %w %h' " + strip + " >" + size)
                        .c_str());
        EXPECT_EQ(ReadText(size), "BMP3 26 11") << start;
        std::filesystem::remove(strip);
    }
}

TEST(TilewrightCli, DecodeWritesTheImageBytesAsTheyAreInMemory) {
    TempFolder folder;
    const std::string png = kData + "png/ct6_d8.png";
    const CliRun run = RunCli(folder, "decode " + png + " -o " + folder.File("x.bmp"));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto file = testsupport::ReadFileBytes(folder.File("x.bmp"));
    c32bppDIB image;
    ASSERT_TRUE(image.LoadPicture_File(png, 0, 0, false, 32));
    const std::size_t pixels = static_cast<std::size_t>(image.scanWidth()) * 11;
    ASSERT_EQ(file.size(), 54 + pixels);
    const std::uint8_t header[] = {'B', 'M', 0x72, 2, 0, 0,  0, 0, 0, 0, 54, 0,  0, 0, 40, 0, 0,
                                   0,   13,  0,    0, 0, 11, 0, 0, 0, 1, 0,  32, 0, 0, 0,  0, 0};
    EXPECT_TRUE(std::equal(std::begin(header), std::end(header), file.begin()));
    EXPECT_TRUE(std::equal(file.begin() + 54, file.end(), image.BitsPointer()));
}

TEST(TilewrightCli, FailuresAndBadArguments) {
    TempFolder folder;
    // A failed decode writes no file; its exit code and its one-line message are checked with
    // the other failures' messages.
    RunCli(folder, "decode " + kData + "misc/photo.jpg --no-fallback -o " + folder.File("y.bmp"));
    EXPECT_EQ(folder.EntryCount(), 2u);  // only the captured output files
    // What the libraries under the fallback decoder complain of never reaches the terminal
    // without the program's name.
    const std::string tiff = folder.File("cut.tif");
    ASSERT_EQ(std::system(("/usr/bin/convert -size 16x16 xc:red " + tiff).c_str()), 0);
    std::filesystem::resize_file(tiff, 200);
    const CliRun cut = RunCli(folder, "decode " + tiff + " -o " + folder.File("y.bmp"));
    EXPECT_EQ(cut.status, 1);
    std::istringstream lines(cut.err);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(line.rfind("tilewright-cli: ", 0), 0u) << line;
    }
    std::filesystem::remove(tiff);
    for (const std::string arguments :
         {"", "frobnicate x.png", "decode a.png", "decode a.png b.png -o c.bmp", "info",
          "info --icon 16 a.png", "info --depth x a.png", "info --wrong a.png", "info -o"}) {
        const CliRun run = RunCli(folder, arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_TRUE(run.out.empty()) << arguments;
        EXPECT_NE(run.err.find("usage:"), std::string::npos) << arguments;
    }
    EXPECT_EQ(RunCli(folder, "--help").status, 0);
    EXPECT_EQ(RunCli(folder, "info --version").out, "tilewright-cli " TILEWRIGHT_VERSION
                                                    "\n"
                                                    "Copyright (c) The Tilewright developers\n"
                                                    "Licence: MIT\n");
}

}  // namespace
