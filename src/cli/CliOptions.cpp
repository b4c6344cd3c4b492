#include "cli/CliOptions.h"

#include <charconv>

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

}  // namespace

bool CliOptions::Parse(const std::vector<std::string>& arguments, CliOptions& options,
                       std::string& error) {
    options = CliOptions();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() > 1 && argument[0] == '-') {
            if (!options.ParseOption(arguments, i, error)) {
                return false;
            }
        } else if (options.command.empty()) {
            options.command = argument;
        } else {
            options.files.push_back(argument);
        }
    }
    return options.help || options.Check(error);
}

bool CliOptions::ParseOption(const std::vector<std::string>& arguments, std::size_t& index,
                             std::string& error) {
    const std::string& option = arguments[index];
    if (option == "--help" || option == "-h") {
        help = true;
        return true;
    }
    if (option == "--no-fallback" || option == "--no-zlib") {
        (option == "--no-fallback" ? fallback : zlib) = false;
        return true;
    }
    if (option != "-o" && option != "--icon" && option != "--depth") {
        error = "unknown option " + option;
        return false;
    }
    if (index + 1 >= arguments.size()) {
        error = option + " needs a value";
        return false;
    }
    const std::string& value = arguments[++index];
    if (option == "-o") {
        output = value;
    } else if (option == "--icon" ? !ParseSize(value, iconCx, iconCy)
                                  : !ParseInt(value, iconBitDepth)) {
        error = "bad value for " + option + ": " + value;
        return false;
    }
    return true;
}

bool CliOptions::Check(std::string& error) const {
    if (command != "info" && command != "decode") {
        error = command.empty() ? "no command given" : "unknown command " + command;
        return false;
    }
    if (files.empty() || (command == "decode" && (files.size() != 1 || output.empty()))) {
        error = command == "info" ? "info needs at least one FILE"
                                  : "decode needs one FILE and -o OUT.bmp";
        return false;
    }
    return true;
}
