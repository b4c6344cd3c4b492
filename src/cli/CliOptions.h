// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/CellSize.h"

// One editing verb of the open command, applied in the order given.
struct StripEdit {
    enum class Verb { Add, Insert, Move, Delete, Back };
    Verb verb = Verb::Add;
    int first = 0;   // Insert and Delete: the position; Move: from
    int second = 0;  // Move: to
    std::string image;
    std::uint32_t color = 0;  // Back: a colour value (0x00BBGGRR)
};

// The parsed command line of tilewright-cli.
class CliOptions {
  public:
    // False with a one-line reason when the arguments do not make a command.
    static bool Parse(const std::vector<std::string>& arguments, CliOptions& options,
                      std::string& error);

    std::string command;
    std::vector<std::string> files;
    std::string output;
    int iconCx = 0;
    int iconCy = 0;
    std::optional<int> depth;
    // The first of the cell sizes; build makes one strip for each of cellSizes.
    int cellWidth = 16;
    int cellHeight = 16;
    bool cellGiven = false;
    std::vector<CellSize> cellSizes{CellSize{}};
    // Where build describes the strips it wrote, as JSON; "-" is the standard output.
    std::string manifest;
    std::uint32_t backColor = 0xFF00FF;
    bool backGiven = false;
    bool alphaGiven = false;
    bool alphaPreserve = false;
    std::optional<std::uint32_t> alphaColor;
    std::vector<StripEdit> edits;
    std::string format = "png";
    // build: the project to build, the project to write of what was built, and whether to
    // build only when the project's outputs are older than what they are made of.
    std::string project;
    std::string saveProject;
    bool ifChanged = false;
    // Worker threads that decode the images of build and open; 0: one per core.
    int jobs = 0;
    bool strict = false;
    bool quiet = false;
    bool fallback = true;
    bool zlib = true;
    bool help = false;
    bool version = false;

  private:
    bool ParseOption(const std::vector<std::string>& arguments, std::size_t& index,
                     std::string& error);
    bool ParseValues(const std::string& option, const std::vector<std::string>& values,
                     std::string& error);
    bool ParseEdit(const std::string& option, const std::vector<std::string>& values,
                   std::string& error);
    bool ReadList(const std::string& path, std::string& error);
    bool Allowed(const std::string& option) const;
    bool Check(std::string& error) const;
};
