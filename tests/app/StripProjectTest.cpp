// SPDX-License-Identifier: MIT
#include "app/StripProject.h"

#include <gtest/gtest.h>

#include <string>

#include "support/TempFolder.h"

namespace {

void WriteText(const std::string& path, const std::string& text) {
    TempFolder::Write(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// Every field is kept through a read and a write by the command-line tests, as Python reads it.
const std::string kProject =
    R"({"format": "tilewright-project", "version": 1, "background": "112233", "future": {},
"cells": [{"source": "icons/a.png", "alpha": "preserve:ffffff", "note": "kept"},
{"source": "/elsewhere/b.png"}, {"source": "lib/m.dll:icon:2"},
{"source": "https://example.org/c.png"}, {"source": "m.dll:bitmap:#133", "cell": 3},
{"png": "AAEC/w=="}, {"png": "AQ=="}, {"png": "AQI=", "alpha": "preserve"}]})";

}  // namespace

// Read resolves the sources below the project's folder and Write stores them relative again;
// what Write stores, Read gives back.
TEST(StripProject, ReadGivesBackWhatWriteStores) {
    TempFolder folder;
    WriteText(folder.File("p.tilewright"), kProject);
    const auto project = StripProject::Read(folder.File("p.tilewright"));
    ASSERT_TRUE(project) << project.Error().text;
    EXPECT_EQ(project->backColor, 0x332211u);
    EXPECT_EQ(project->cells[1].source, "/elsewhere/b.png");
    EXPECT_EQ(project->cells[2].source, folder.File("lib/m.dll") + ":icon:2");
    EXPECT_EQ(project->cells[3].source, "https://example.org/c.png");
    EXPECT_EQ(project->cells[5].png, (std::vector<std::uint8_t>{0, 1, 2, 255}));
    EXPECT_EQ(project->cells[6].png, std::vector<std::uint8_t>{1});
    EXPECT_EQ(project->cells[7].png, (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(project->cells[0].alpha, (StripProject::AlphaChoice{true, 0xFFFFFF}));
    ASSERT_TRUE(project->Write(folder.File("again.tilewright")));
    const auto again = StripProject::Read(folder.File("again.tilewright"));
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *project);

    StripProject notUtf8;
    notUtf8.cells.resize(1);
    notUtf8.cells[0].source = "\xff.png";
    EXPECT_FALSE(notUtf8.Write(folder.File("bad.tilewright")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("bad.tilewright")));
}

TEST(StripProject, RefusesWhatIsNoProjectOfThisVersion) {
    using Kind = StripProject::Failure::Kind;
    const std::string head = R"({"format": "tilewright-project", "version": 1, )";
    const struct {
        std::string text;
        Kind kind;
        std::string says;
    } cases[] = {
        {R"({"format": "tilewright-project", "version": 2, "cells": []})", Kind::NewerVersion,
         "was made by a newer Tilewright (project version 2; this one reads up to 1)"},
        {"{\"format\": ", Kind::NotAProject, "is not a Tilewright project"},
        {R"({"version": 1, "cells": []})", Kind::NotAProject, "is not a Tilewright project"},
        {head + R"("cells": [], "depth": 7})", Kind::NotAProject, "depth is not 1, 4, 8"},
        {head + R"("cells": [], "depth": "8"})", Kind::NotAProject, "depth is not a whole"},
        {head + R"("cells": [], "background": "12345"})", Kind::NotAProject, "bad background"},
        {head + R"("cells": [], "cellSizes": ["0x16"]})", Kind::NotAProject, "bad size in"},
        {head + R"("cells": [], "cellSizes": []})", Kind::NotAProject, "cellSizes is empty"},
        {head + R"("cells": [{"png": "AAE"}]})", Kind::NotAProject, "cell 0: png is not base64"},
        {head + R"("cells": [{"png": "A=AA"}]})", Kind::NotAProject, "png is not base64"},
        {head + R"("cells": [{"source": "a", "png": "AA=="}]})", Kind::NotAProject,
         "cell 0: needs either a source or png"},
        {head + R"("cells": [{}, 1]})", Kind::NotAProject, "cell 0: needs either"},
        {head + R"("cells": [], "x": )" + std::string(100, '[') + std::string(100, ']') + "}",
         Kind::NotAProject, "is not a Tilewright project"},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        WriteText(folder.File("p.tilewright"), c.text);
        const auto read = StripProject::Read(folder.File("p.tilewright"));
        ASSERT_FALSE(read) << c.text;
        EXPECT_EQ(read.Error().kind, c.kind) << c.text;
        EXPECT_NE(read.Error().text.find(c.says), std::string::npos) << read.Error().text;
    }
    EXPECT_EQ(StripProject::Read(folder.File("none")).Error().text,
              "cannot read " + folder.File("none") + ": No such file or directory");
}
