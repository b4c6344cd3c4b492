// SPDX-License-Identifier: MIT
#include "app/ImageAddress.h"

#include <charconv>
#include <filesystem>

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

// The text split at the last ":<tag>:" that has something on both sides.
bool SplitAtTag(const std::string& text, const std::string& tag, std::string& module,
                std::string& rest) {
    const std::string marker = ":" + tag + ":";
    const std::size_t at = text.rfind(marker);
    if (at == std::string::npos || at == 0 || at + marker.size() == text.size()) {
        return false;
    }
    module = text.substr(0, at);
    rest = text.substr(at + marker.size());
    return true;
}

}  // namespace

ImageAddress ImageAddress::Parse(const std::string& text) {
    ImageAddress address;
    address.path = text;
    if (StartsWith(text, "http://") || StartsWith(text, "https://")) {
        address.kind = Kind::Url;
        return address;
    }
    std::string module, rest;
    const bool bitmap = SplitAtTag(text, "bitmap", module, rest);
    if (!bitmap && !SplitAtTag(text, "icon", module, rest)) {
        return address;
    }
    std::error_code ignored;
    if (std::filesystem::exists(text, ignored)) {
        return address;
    }
    int position = 0;
    const char* end = rest.data() + rest.size();
    const auto [stop, error] = std::from_chars(rest.data(), end, position);
    if (bitmap) {
        address = {Kind::ModuleBitmap, module, 0, rest};
    } else if (error == std::errc() && stop == end && position >= 0) {
        address = {Kind::ModuleIcon, module, position, ""};
    }
    return address;
}
