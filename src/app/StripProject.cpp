// SPDX-License-Identifier: MIT
#include "app/StripProject.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "app/FailureReason.h"
#include "app/ImageAddress.h"
#include "app/ReplacingFileWriter.h"
#include "platform/file/RegularFile.h"

namespace {

using Json = nlohmann::ordered_json;
using Failure = StripProject::Failure;

// Writing and freeing nested values recurse; a project has no need of deep nesting.
constexpr int kMaxNesting = 64;

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool ParseInt(std::string_view text, int& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && !text.empty();
}

std::string Base64(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        const std::size_t count = std::min<std::size_t>(3, bytes.size() - at);
        std::uint32_t group = 0;
        for (std::size_t i = 0; i < 3; ++i) {
            group = (group << 8) | (i < count ? bytes[at + i] : 0u);
        }
        for (std::size_t i = 0; i < 4; ++i) {
            text += i <= count ? kBase64[(group >> (18 - 6 * i)) & 0x3F] : '=';
        }
    }
    return text;
}

// Strict: padded groups of four, padding only at the end, no other characters.
std::optional<std::vector<std::uint8_t>> FromBase64(const std::string& text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t at = 0; at < text.size(); at += 4) {
        const bool last = at + 4 == text.size();
        const int padding = !last || text[at + 3] != '=' ? 0 : text[at + 2] == '=' ? 2 : 1;
        std::uint32_t group = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text[at + static_cast<std::size_t>(i)];
            const char* digit = c == '\0' ? nullptr : std::strchr(kBase64, c);
            if (i < 4 - padding && digit == nullptr) {
                return std::nullopt;
            }
            group =
                (group << 6) | (i < 4 - padding ? static_cast<std::uint32_t>(digit - kBase64) : 0u);
        }
        for (int i = 0; i < 3 - padding; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(group >> (16 - 8 * i)));
        }
    }
    return bytes;
}

// How deeply arrays and objects nest, strings skipped.
int Nesting(const std::vector<std::uint8_t>& text) {
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = static_cast<char>(text[at]);
        if (inString) {
            at += c == '\\' ? 1 : 0;
            inString = c != '"';
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return deepest;
}

std::filesystem::path Absolute(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::absolute(path.empty() ? "." : path, ignored).lexically_normal();
}

// Inside the folder: relative to it; outside: absolute, so that it still names the file when
// the project is read from another folder.
std::string RelativePath(const std::string& path, const std::string& folder) {
    const std::filesystem::path absolute = Absolute(path);
    const std::filesystem::path relative = absolute.lexically_relative(Absolute(folder));
    const bool inside = !relative.empty() && *relative.begin() != "..";
    return inside ? relative.string() : absolute.string();
}

std::string ResolvedPath(const std::string& path, const std::string& folder) {
    const std::filesystem::path stored(path);
    return path.empty() || stored.is_absolute() || folder.empty()
               ? path
               : (folder / stored).lexically_normal().string();
}

// The address with its path (a file or a module) changed by change.
template <typename Change>
std::string WithPath(const std::string& source, Change change) {
    const ImageAddress address = ImageAddress::Parse(source);
    switch (address.kind) {
        case ImageAddress::Kind::File:
            return change(address.path);
        case ImageAddress::Kind::ModuleIcon:
            return change(address.path) + ":icon:" + std::to_string(address.iconPosition);
        case ImageAddress::Kind::ModuleBitmap:
            return change(address.path) + ":bitmap:" + address.bitmapName;
        case ImageAddress::Kind::Url:
            break;
    }
    return source;
}

// Reads the known fields of one JSON object, remembering the first fault; the fields it was
// not asked for are the unknown ones.
class FieldReader {
  public:
    FieldReader(const Json& object, std::string where, std::string& fault)
        : m_Object(object), m_Where(std::move(where)), m_Fault(fault) {}

    const Json* Find(const char* name, bool (Json::*is)() const, const char* kind) {
        m_Known.push_back(name);
        const auto found = m_Object.find(name);
        if (found == m_Object.end()) {
            return nullptr;
        }
        if (!((*found).*is)()) {
            Fail(std::string(name) + " is not " + kind);
            return nullptr;
        }
        return &*found;
    }
    void Fail(const std::string& what) {
        if (m_Fault.empty()) {
            m_Fault = m_Where + what;
        }
    }
    // Whole numbers from low to high.
    void Int(const char* name, int low, int high, int& value) {
        if (const Json* field = Find(name, &Json::is_number_integer, "a whole number")) {
            const auto number = field->get<std::int64_t>();
            if (number < low || number > high) {
                Fail(std::string(name) + " is out of range");
            }
            value = static_cast<int>(std::clamp<std::int64_t>(number, low, high));
        }
    }
    void Text(const char* name, std::string& value) {
        if (const Json* field = Find(name, &Json::is_string, "a string")) {
            value = field->get<std::string>();
        }
    }
    template <typename T, typename Parse>
    void Parsed(const char* name, Parse parse, T& value) {
        std::string text;
        Text(name, text);
        if (m_Object.contains(name) && m_Fault.empty()) {
            const auto parsed = parse(text);
            parsed ? void(value = *parsed) : Fail(std::string("bad ") + name + ": " + text);
        }
    }
    void Sizes(const char* name, std::vector<CellSize>& sizes) {
        if (const Json* field = Find(name, &Json::is_array, "a list")) {
            sizes.clear();
            for (const Json& item : *field) {
                const auto size = item.is_string()
                                      ? StripProject::ParseCellSize(item.get<std::string>())
                                      : std::nullopt;
                size ? sizes.push_back(*size) : Fail(std::string("bad size in ") + name);
            }
        }
    }
    StripProject::UnknownFields Unknown() const {
        StripProject::UnknownFields unknown;
        for (const auto& [name, value] : m_Object.items()) {
            if (std::find(m_Known.begin(), m_Known.end(), name) == m_Known.end()) {
                unknown.emplace_back(name, value.dump());
            }
        }
        return unknown;
    }

  private:
    const Json& m_Object;
    std::string m_Where;
    std::string& m_Fault;
    std::vector<std::string> m_Known;
};

bool ValidDepth(int depth) {
    static constexpr std::array kDepths = {1, 4, 8, 16, 24, 32};
    return std::find(kDepths.begin(), kDepths.end(), depth) != kDepths.end();
}

StripProject::Cell ReadCell(const Json& object, std::size_t index, const std::string& folder,
                            std::string& fault) {
    StripProject::Cell cell;
    FieldReader fields(object, "cell " + std::to_string(index) + ": ", fault);
    fields.Text("source", cell.source);
    int position = -1;
    fields.Int("cell", 0, 1 << 30, position);
    cell.stripCell = position >= 0 ? std::optional<int>(position) : std::nullopt;
    fields.Int("cellWidth", 0, 1 << 30, cell.stripCellWidth);
    std::string png;
    fields.Text("png", png);
    StripProject::AlphaChoice alpha;
    fields.Parsed("alpha", StripProject::ParseAlpha, alpha);
    cell.alpha = object.contains("alpha") ? std::optional(alpha) : std::nullopt;
    cell.unknown = fields.Unknown();
    const auto bytes = FromBase64(png);
    if (!bytes) {
        fields.Fail("png is not base64");
    }
    cell.png = bytes.value_or(std::vector<std::uint8_t>());
    if (cell.source.empty() == cell.png.empty()) {
        fields.Fail("needs either a source or png");
    }
    cell.source = cell.source.empty() ? "" : StripProject::ResolvedSource(cell.source, folder);
    return cell;
}

void ReadSettings(FieldReader& fields, const std::string& folder, StripProject& project) {
    fields.Sizes("cellSizes", project.cellSizes);
    if (project.cellSizes.empty()) {
        fields.Fail("cellSizes is empty");
    }
    fields.Int("depth", 1, 32, project.depth);
    if (!ValidDepth(project.depth)) {
        fields.Fail("depth is not 1, 4, 8, 16, 24 or 32");
    }
    fields.Parsed("background", StripProject::ParseColor, project.backColor);
    if (const Json* keep = fields.Find("keepAspectRatio", &Json::is_boolean, "true or false")) {
        project.keepAspectRatio = keep->get<bool>();
    }
    fields.Sizes("exportSizes", project.exportSizes);
    fields.Text("output", project.output);
    project.output = ResolvedPath(project.output, folder);
}

Expected<StripProject, Failure> FromJson(const Json& json, const std::string& folder,
                                         const std::string& name) {
    std::string fault;
    FieldReader fields(json, "", fault);
    std::string format;
    fields.Text("format", format);
    const Json* version = fields.Find("version", &Json::is_number_integer, "a whole number");
    const Json* cells = fields.Find("cells", &Json::is_array, "a list");
    if (format != StripProject::kFormat || version == nullptr || cells == nullptr ||
        version->get<std::int64_t>() < 1) {
        return Failure{Failure::Kind::NotAProject, name + " is not a Tilewright project"};
    }
    if (version->get<std::int64_t>() > StripProject::kVersion) {
        return Failure{Failure::Kind::NewerVersion,
                       name + " was made by a newer Tilewright (project version " +
                           version->dump() + "; this one reads up to " +
                           std::to_string(StripProject::kVersion) + ")"};
    }
    StripProject project;
    ReadSettings(fields, folder, project);
    for (std::size_t i = 0; i < cells->size() && fault.empty(); ++i) {
        const Json& cell = (*cells)[i];
        cell.is_object() ? project.cells.push_back(ReadCell(cell, i, folder, fault))
                         : fields.Fail("cell " + std::to_string(i) + " is not an object");
    }
    project.unknown = fields.Unknown();
    if (!fault.empty()) {
        return Failure{Failure::Kind::NotAProject, name + ": " + fault};
    }
    return project;
}

std::optional<Json> UnknownJson(const std::string& text) {
    Json value = Json::parse(text, nullptr, false);
    return value.is_discarded() ? std::nullopt : std::optional<Json>(std::move(value));
}

bool PutUnknown(Json& object, const StripProject::UnknownFields& unknown) {
    for (const auto& [name, text] : unknown) {
        std::optional<Json> value = UnknownJson(text);
        if (!value || object.contains(name)) {
            return false;
        }
        object[name] = std::move(*value);
    }
    return true;
}

Json SizesJson(const std::vector<CellSize>& sizes) {
    Json list = Json::array();
    for (const CellSize& size : sizes) {
        list.push_back(StripProject::CellSizeText(size));
    }
    return list;
}

std::optional<Json> CellJson(const StripProject::Cell& cell, const std::string& folder) {
    Json object = Json::object();
    if (!cell.source.empty()) {
        object["source"] = StripProject::RelativeSource(cell.source, folder);
    }
    if (cell.stripCell) {
        object["cell"] = *cell.stripCell;
        object["cellWidth"] = cell.stripCellWidth;
    }
    if (!cell.png.empty()) {
        object["png"] = Base64(cell.png);
    }
    if (cell.alpha) {
        object["alpha"] = StripProject::AlphaText(*cell.alpha);
    }
    return PutUnknown(object, cell.unknown) ? std::optional(std::move(object)) : std::nullopt;
}

std::optional<Json> ToJson(const StripProject& project, const std::string& folder) {
    Json json = Json::object();
    json["format"] = StripProject::kFormat;
    json["version"] = project.version;
    json["cellSizes"] = SizesJson(project.cellSizes);
    json["depth"] = project.depth;
    json["background"] = StripProject::ColorText(project.backColor);
    json["keepAspectRatio"] = project.keepAspectRatio;
    json["exportSizes"] = SizesJson(project.exportSizes);
    if (!project.output.empty()) {
        json["output"] = RelativePath(project.output, folder);
    }
    json["cells"] = Json::array();
    for (const StripProject::Cell& cell : project.cells) {
        std::optional<Json> object = CellJson(cell, folder);
        if (!object) {
            return std::nullopt;
        }
        json["cells"].push_back(std::move(*object));
    }
    return PutUnknown(json, project.unknown) ? std::optional(std::move(json)) : std::nullopt;
}

std::string FolderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

}  // namespace

Expected<StripProject, Failure> StripProject::Read(const std::string& path) {
    const auto bytes = RegularFile::Read(path, kMaxFileBytes);
    if (!bytes) {
        const std::string why = FailureReason::OfFile(path);
        return Failure{Failure::Kind::Unreadable,
                       "cannot read " + path + ": " + (why.empty() ? "larger than 256 MiB" : why)};
    }
    const Json json = Nesting(*bytes) > kMaxNesting
                          ? Json(nlohmann::detail::value_t::discarded)
                          : Json::parse(bytes->begin(), bytes->end(), nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        return Failure{Failure::Kind::NotAProject, path + " is not a Tilewright project"};
    }
    return FromJson(json, FolderOf(path), path);
}

Expected<bool, Failure> StripProject::Write(const std::string& path) const {
    std::string text;
    try {
        const std::optional<Json> json = ToJson(*this, FolderOf(path));
        text = json ? json->dump(2) + "\n" : "";
    } catch (const nlohmann::json::exception&) {
        text.clear();
    }
    if (text.empty()) {
        return Failure{Failure::Kind::Unwritable,
                       "cannot write " + path + ": a name is not UTF-8 or a field is doubled"};
    }
    ReplacingFileWriter writer;
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                              text.size());
    if (!writer.Open(path) || !writer.Write(bytes) || !writer.Commit()) {
        return Failure{Failure::Kind::Unwritable,
                       "cannot write " + path + ": " + std::strerror(writer.Error())};
    }
    return true;
}

std::string StripProject::RelativeSource(const std::string& source, const std::string& folder) {
    return WithPath(source, [&](const std::string& path) { return RelativePath(path, folder); });
}

std::string StripProject::ResolvedSource(const std::string& source, const std::string& folder) {
    return WithPath(source, [&](const std::string& path) { return ResolvedPath(path, folder); });
}

std::optional<CellSize> StripProject::ParseCellSize(const std::string& text) {
    const std::size_t x = text.find('x');
    CellSize size;
    const std::string_view view(text);
    if (x == std::string::npos || !ParseInt(view.substr(0, x), size.width) ||
        !ParseInt(view.substr(x + 1), size.height)) {
        return std::nullopt;
    }
    const bool inRange =
        size.width >= 1 && size.width <= 256 && size.height >= 1 && size.height <= 256;
    return inRange ? std::optional(size) : std::nullopt;
}

std::string StripProject::CellSizeText(const CellSize& size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

std::optional<std::uint32_t> StripProject::ParseColor(const std::string& text) {
    std::uint32_t rgb = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, rgb, 16);
    if (text.size() != 6 || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

std::string StripProject::ColorText(std::uint32_t color) {
    char text[8];
    std::snprintf(text, sizeof text, "%02x%02x%02x", color & 0xFF, (color >> 8) & 0xFF,
                  (color >> 16) & 0xFF);
    return text;
}

std::optional<StripProject::AlphaChoice> StripProject::ParseAlpha(const std::string& text) {
    if (text == "remove" || text == "preserve") {
        return AlphaChoice{text == "preserve", std::nullopt};
    }
    const auto color = text.rfind("preserve:", 0) == 0 ? ParseColor(text.substr(9)) : std::nullopt;
    return color ? std::optional(AlphaChoice{true, color}) : std::nullopt;
}

std::string StripProject::AlphaText(const AlphaChoice& choice) {
    return !choice.preserve ? "remove"
           : choice.color   ? "preserve:" + ColorText(*choice.color)
                            : "preserve";
}
