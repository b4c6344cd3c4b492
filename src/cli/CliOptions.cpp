// SPDX-License-Identifier: MIT
#include "cli/CliOptions.h"

#include <algorithm>
#include <charconv>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>

#include "app/StripProject.h"
#include "platform/file/RegularFile.h"

namespace {

bool ParseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

// "WxH" with both sides from 0 up.
bool ParseSize(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find('x');
    return x != std::string::npos && ParseInt(text.substr(0, x), width) &&
           ParseInt(text.substr(x + 1), height) && width >= 0 && height >= 0;
}

// "RRGGBB" as a colour value, whose low byte is red.
bool ParseColor(const std::string& text, std::uint32_t& color) {
    const std::optional<std::uint32_t> parsed = StripProject::ParseColor(text);
    color = parsed.value_or(color);
    return parsed.has_value();
}

bool ParseCellSize(const std::string& text, CellSize& size) {
    const std::optional<CellSize> parsed = StripProject::ParseCellSize(text);
    size = parsed.value_or(size);
    return parsed.has_value();
}

// "WxH" or several of them separated by commas, each size once.
bool ParseCellSizes(const std::string& text, std::vector<CellSize>& sizes) {
    sizes.clear();
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, ',');) {
        CellSize size;
        if (!ParseCellSize(item, size) ||
            std::find(sizes.begin(), sizes.end(), size) != sizes.end()) {
            return false;
        }
        sizes.push_back(size);
    }
    return !sizes.empty() && text.back() != ',';
}

bool NamesTheSize(const std::string& output) {
    return output.find("{w}") != std::string::npos || output.find("{h}") != std::string::npos;
}

// More threads than this only wait on one another.
constexpr int kMaxJobs = 64;

bool ValidDepth(int depth) {
    static constexpr int kDepths[] = {1, 4, 8, 16, 24, 32};
    return std::find(std::begin(kDepths), std::end(kDepths), depth) != std::end(kDepths);
}

// How many values each option takes.
const std::map<std::string, int>& ValueCounts() {
    static const std::map<std::string, int> counts = {
        {"-o", 1},          {"--icon", 1},   {"--depth", 1},     {"--cell", 1},
        {"--back", 1},      {"--alpha", 1},  {"--from-list", 1}, {"--format", 1},
        {"--manifest", 1},  {"--add", 1},    {"--insert", 2},    {"--move", 2},
        {"--delete", 1},    {"--strict", 0}, {"--quiet", 0},     {"--no-fallback", 0},
        {"--no-zlib", 0},   {"--jobs", 1},   {"--project", 1},   {"--save-project", 1},
        {"--if-changed", 0}};
    return counts;
}

// The options each command takes.
const std::map<std::string, std::vector<std::string>>& CommandOptions() {
    static const std::map<std::string, std::vector<std::string>> options = {
        {"info", {"--icon", "--depth", "--no-fallback", "--no-zlib"}},
        {"decode", {"-o", "--icon", "--depth", "--no-fallback", "--no-zlib"}},
        {"build",
         {"-o", "--cell", "--depth", "--back", "--alpha", "--from-list", "--manifest", "--strict",
          "--quiet", "--no-fallback", "--no-zlib", "--jobs", "--project", "--save-project",
          "--if-changed"}},
        {"open",
         {"-o", "--cell", "--depth", "--back", "--alpha", "--add", "--insert", "--move", "--delete",
          "--strict", "--quiet", "--no-fallback", "--no-zlib", "--jobs"}},
        {"split", {"-o", "--cell", "--format", "--quiet"}},
        {"list", {}},
    };
    return options;
}

// A list longer than this names more images than any strip holds; a device as the standard
// input never ends.
constexpr std::size_t kMaxListBytes = std::size_t{64} << 20;

std::optional<std::string> ReadStandardInput() {
    std::string text;
    char buffer[65536];
    while (std::cin.read(buffer, sizeof buffer) || std::cin.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(std::cin.gcount()));
        if (text.size() > kMaxListBytes) {
            return std::nullopt;
        }
    }
    return text;
}

std::optional<std::string> ReadListText(const std::string& path) {
    if (path == "-") {
        return ReadStandardInput();
    }
    const auto bytes = RegularFile::Read(path, kMaxListBytes);
    return bytes ? std::optional<std::string>(std::in_place, bytes->begin(), bytes->end())
                 : std::nullopt;
}

}  // namespace

bool CliOptions::Parse(const std::vector<std::string>& arguments, CliOptions& options,
                       std::string& error) {
    options = CliOptions();
    // "--" ends the options: what follows are files, whatever their names.
    const auto optionsEnd = std::find(arguments.begin(), arguments.end(), "--");
    if (std::find(arguments.begin(), optionsEnd, "--version") != optionsEnd) {
        options.version = true;
        return true;
    }
    if (std::find_if(arguments.begin(), optionsEnd, [](const std::string& argument) {
            return argument == "--help" || argument == "-h";
        }) != optionsEnd) {
        options.help = true;
        const bool named = !arguments.empty() && CommandOptions().count(arguments.front()) != 0;
        options.command = named ? arguments.front() : "";
        return true;
    }
    bool filesOnly = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!filesOnly && !options.command.empty() && argument == "--") {
            filesOnly = true;
        } else if (options.command.empty()) {
            options.command = argument;
            if (CommandOptions().count(argument) == 0) {
                error = "unknown command " + argument;
                options.command.clear();
                return false;
            }
        } else if (!filesOnly && argument.size() > 1 && argument[0] == '-') {
            if (!options.ParseOption(arguments, i, error)) {
                return false;
            }
        } else {
            options.files.push_back(argument);
        }
    }
    return options.Check(error);
}

bool CliOptions::Allowed(const std::string& option) const {
    const std::vector<std::string>& allowed = CommandOptions().at(command);
    return std::find(allowed.begin(), allowed.end(), option) != allowed.end();
}

bool CliOptions::ParseOption(const std::vector<std::string>& arguments, std::size_t& index,
                             std::string& error) {
    const std::string& option = arguments[index];
    const auto count = ValueCounts().find(option);
    if (count == ValueCounts().end() || !Allowed(option)) {
        error = count == ValueCounts().end() ? "unknown option " + option
                                             : option + " is not an option of " + command;
        return false;
    }
    if (arguments.size() - index - 1 < static_cast<std::size_t>(count->second)) {
        error = option + " needs " + std::to_string(count->second) +
                (count->second == 1 ? " value" : " values");
        return false;
    }
    const std::vector<std::string> values(
        arguments.begin() + static_cast<std::ptrdiff_t>(index + 1),
        arguments.begin() + static_cast<std::ptrdiff_t>(index + 1 + count->second));
    index += static_cast<std::size_t>(count->second);
    return ParseValues(option, values, error);
}

bool CliOptions::ParseValues(const std::string& option, const std::vector<std::string>& values,
                             std::string& error) {
    bool valid = true;
    int number = 0;
    if (option == "--strict" || option == "--quiet") {
        (option == "--strict" ? strict : quiet) = true;
    } else if (option == "--no-fallback" || option == "--no-zlib") {
        (option == "--no-fallback" ? fallback : zlib) = false;
    } else if (option == "-o") {
        output = values[0];
    } else if (option == "--icon") {
        valid = ParseSize(values[0], iconCx, iconCy);
    } else if (option == "--depth") {
        valid = ParseInt(values[0], number) &&
                (command == "info" || command == "decode" || ValidDepth(number));
        depth = number;
    } else if (option == "--cell") {
        valid =
            ParseCellSizes(values[0], cellSizes) && (command == "build" || cellSizes.size() == 1);
        cellWidth = valid ? cellSizes.front().width : cellWidth;
        cellHeight = valid ? cellSizes.front().height : cellHeight;
        cellGiven = true;
    } else if (option == "--jobs") {
        valid = ParseInt(values[0], jobs) && jobs >= 1 && jobs <= kMaxJobs;
    } else if (option == "--manifest") {
        manifest = values[0];
    } else if (option == "--project" || option == "--save-project") {
        (option == "--project" ? project : saveProject) = values[0];
    } else if (option == "--if-changed") {
        ifChanged = true;
    } else if (option == "--back") {
        valid = ParseColor(values[0], backColor);
        backGiven = true;
        edits.push_back({StripEdit::Verb::Back, 0, 0, "", backColor});
    } else if (option == "--alpha") {
        const std::string& mode = values[0];
        std::uint32_t color = 0;
        alphaPreserve = mode.rfind("preserve", 0) == 0;
        alphaGiven = true;
        valid = mode == "remove" || mode == "preserve" ||
                (mode.rfind("preserve:", 0) == 0 && ParseColor(mode.substr(9), color));
        alphaColor = mode.size() > 9 ? std::optional<std::uint32_t>(color) : std::nullopt;
    } else if (option == "--format") {
        format = values[0];
        valid = format == "png" || format == "bmp";
    } else if (option == "--from-list") {
        return ReadList(values[0], error);
    } else {
        return ParseEdit(option, values, error);
    }
    if (!valid) {
        error = "bad value for " + option + ": " + values[0];
    }
    return valid;
}

bool CliOptions::ParseEdit(const std::string& option, const std::vector<std::string>& values,
                           std::string& error) {
    StripEdit edit;
    bool valid = true;
    if (option == "--add") {
        edit = {StripEdit::Verb::Add, 0, 0, values[0], 0};
    } else if (option == "--insert") {
        edit = {StripEdit::Verb::Insert, 0, 0, values[1], 0};
        valid = ParseInt(values[0], edit.first);
    } else if (option == "--move") {
        edit.verb = StripEdit::Verb::Move;
        valid = ParseInt(values[0], edit.first) && ParseInt(values[1], edit.second);
    } else {
        edit.verb = StripEdit::Verb::Delete;
        valid = ParseInt(values[0], edit.first);
    }
    if (!valid) {
        error = "bad position for " + option;
        return false;
    }
    edits.push_back(edit);
    return true;
}

// One image per line; empty lines are skipped. "-" reads the standard input.
bool CliOptions::ReadList(const std::string& path, std::string& error) {
    const std::optional<std::string> text = ReadListText(path);
    if (!text) {
        error = "cannot read the list " + path + " (a regular file of at most 64 MiB)";
        return false;
    }
    std::istringstream in(*text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            files.push_back(line);
        }
    }
    return true;
}

bool CliOptions::Check(std::string& error) const {
    if (command.empty()) {
        error = "no command given";
        return false;
    }
    const bool many = command == "info" || command == "build";
    // A project may name the images and the output itself.
    const bool fromProject = !project.empty();
    const bool countOk = many ? !files.empty() || fromProject : files.size() == 1;
    const bool outputOk = output.empty() == (command == "info" || command == "list") || fromProject;
    if (!countOk || !outputOk) {
        static const std::map<std::string, std::string> needs = {
            {"info", "info needs at least one FILE"},
            {"decode", "decode needs one FILE and -o OUT.bmp"},
            {"build", "build needs -o OUT and at least one IMAGE"},
            {"open", "open needs one STRIP and -o OUT"},
            {"split", "split needs one STRIP and -o DIR"},
            {"list", "list needs one MODULE"}};
        error = needs.at(command);
        return false;
    }
    if (ifChanged && !fromProject) {
        error = "--if-changed needs --project";
        return false;
    }
    if (cellSizes.size() > 1 && !NamesTheSize(output) && !fromProject) {
        error = "several cell sizes need {w} or {h} in the name of -o";
        return false;
    }
    return true;
}
