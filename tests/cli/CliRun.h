// SPDX-License-Identifier: MIT
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "support/HostPixel.h"
#include "support/TempFolder.h"

// One run of the built tilewright-cli with its exit code and what it printed.
struct CliRun {
    int status;
    std::string out;
    std::string err;
};

inline std::string ReadText(const std::string& path) {
    const auto bytes = testsupport::ReadFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

inline CliRun RunCli(const TempFolder& folder, const std::string& arguments) {
    const std::string out = folder.File("out.txt");
    const std::string err = folder.File("err.txt");
    const std::string command =
        std::string(TILEWRIGHT_CLI) + " " + arguments + " >" + out + " 2>" + err;
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
}

// Runs a command that has to succeed.
inline bool Runs(const TempFolder& folder, const std::string& arguments) {
    const CliRun run = RunCli(folder, arguments);
    EXPECT_EQ(run.status, 0) << arguments << "\n" << run.err;
    return run.status == 0;
}
