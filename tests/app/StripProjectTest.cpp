// SPDX-License-Identifier: MIT
#include "app/StripProject.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/TempFolder.h"

namespace {

void WriteText(const std::string& path, const std::string& text) {
    TempFolder::Write(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// Python's json module: whether both files hold the same JSON value (every field, any order).
bool SameJson(const std::string& a, const std::string& b) {
    const std::string command =
        "/usr/bin/python3 -c \"import json, sys; sys.exit(json.load("
        "open(sys.argv[1])) != json.load(open(sys.argv[2])))\" " +
        a + " " + b;
    return std::system(command.c_str()) == 0;
}

const std::string kEveryField =
    R"({"format": "tilewright-project", "version": 1, "cellSizes": ["16x16", "24x20"],
"depth": 8, "background": "112233", "keepAspectRatio": true, "exportSizes": ["48x48"],
"output": "out_{w}.bmp", "future": {"deep": [1, null, "x"]},
"cells": [{"source": "icons/a.png", "alpha": "preserve:ffffff", "note": "kept"},
{"source": "/elsewhere/b.png", "alpha": "remove"}, {"source": "lib/m.dll:icon:2"},
{"source": "https://example.org/c.png"}, {"source": "m.dll:bitmap:#133", "cell": 3,
"cellWidth": 16}, {"png": "AAEC/w=="}, {"png": "AQ=="}, {"png": "AQI=", "alpha": "preserve"}]})";

}  // namespace

// Read resolves the sources below the project's folder; Write stores them relative again and
// keeps every field, unknown ones too, as Python reads them.
TEST(StripProject, KeepsEveryFieldThroughReadAndWrite) {
    TempFolder folder;
    WriteText(folder.File("p.tilewright"), kEveryField);
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
    EXPECT_TRUE(SameJson(folder.File("p.tilewright"), folder.File("again.tilewright")));
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
