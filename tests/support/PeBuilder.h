// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/pe/PeModule.h"
#include "support/HostPixel.h"

// Builds executable modules byte by byte: one section holding a resource directory.
namespace testsupport {

using Bytes = std::vector<std::uint8_t>;

struct Resource {
    std::uint16_t type;
    pe::ResourceId name;
    Bytes data;
};

// Little-endian fields; the value is cut to the field's width.
inline void Put16(Bytes& out, std::size_t at, std::uint64_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
inline void Put32(Bytes& out, std::size_t at, std::uint64_t value) {
    Put16(out, at, value & 0xFFFF);
    Put16(out, at + 2, value >> 16);
}

constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::size_t kSectionFileOffset = 0x200;

inline Bytes ModuleAround(const Bytes& section, bool wide);

// A module with one section holding the resources: PE32, or PE32+ when wide. The section holds
// the type, name and language directories, then data entries, names and data.
inline Bytes Module(const std::vector<Resource>& resources, bool wide) {
    std::map<std::uint16_t, std::vector<const Resource*>> types;
    for (const Resource& r : resources) {
        types[r.type].push_back(&r);
    }
    std::size_t size = 16 + 8 * types.size();
    for (const auto& [type, names] : types) {
        size += 16 + 48 * names.size();
    }
    Bytes section(size);
    auto directory = [&](std::size_t at, std::size_t named, std::size_t ids) {
        Put16(section, at + 12, named);
        Put16(section, at + 14, ids);
    };
    directory(0, 0, types.size());
    std::size_t next = 16 + 8 * types.size(), typeSlot = 16;
    for (const auto& [type, names] : types) {
        Put32(section, typeSlot, type);
        Put32(section, typeSlot + 4, 0x80000000u | next);
        typeSlot += 8;
        const std::size_t typeDirectory = next;
        const auto named = std::count_if(names.begin(), names.end(),
                                         [](const Resource* r) { return !r->name.isInteger; });
        directory(typeDirectory, named, names.size() - named);
        next += 16 + 8 * names.size();
        for (std::size_t i = 0; i < names.size(); ++i) {
            const Resource& r = *names[i];
            const std::size_t slot = typeDirectory + 16 + 8 * i;
            const std::size_t languageDirectory = next, dataEntry = next + 24;
            next += 40;
            if (r.name.isInteger) {
                Put32(section, slot, r.name.id);
            } else {
                const std::size_t text = section.size();
                section.resize(text + 2 + 2 * r.name.name.size());
                Put16(section, text, r.name.name.size());
                for (std::size_t c = 0; c < r.name.name.size(); ++c) {
                    Put16(section, text + 2 + 2 * c, static_cast<std::uint8_t>(r.name.name[c]));
                }
                Put32(section, slot, 0x80000000u | text);
            }
            Put32(section, slot + 4, 0x80000000u | languageDirectory);
            directory(languageDirectory, 0, 1);
            Put32(section, languageDirectory + 16, 1033);
            Put32(section, languageDirectory + 20, dataEntry);
            Put32(section, dataEntry, kSectionRva + section.size());
            Put32(section, dataEntry + 4, r.data.size());
            section.insert(section.end(), r.data.begin(), r.data.end());
        }
    }
    return ModuleAround(section, wide);
}

// A module whose one section, at kSectionRva, is `section`, the resource directory at its start.
inline Bytes ModuleAround(const Bytes& section, bool wide) {
    Bytes out(kSectionFileOffset);
    out[0] = 'M', out[1] = 'Z';
    Put32(out, 0x3C, 0x40);
    Put32(out, 0x40, 0x00004550);
    const std::size_t coff = 0x44, optional = coff + 20, optionalSize = wide ? 240 : 224;
    Put16(out, coff + 2, 1);
    Put16(out, coff + 16, optionalSize);
    Put16(out, optional, wide ? 0x20B : 0x10B);
    const std::size_t directories = optional + (wide ? 112 : 96);
    Put32(out, directories - 4, 16);
    Put32(out, directories + 16, kSectionRva);
    Put32(out, directories + 20, section.size());
    const std::size_t header = optional + optionalSize;
    Put32(out, header + 8, section.size());
    Put32(out, header + 12, kSectionRva);
    Put32(out, header + 16, section.size());
    Put32(out, header + 20, kSectionFileOffset);
    out.insert(out.end(), section.begin(), section.end());
    return out;
}

// The module written to the temporary folder under `name`; returns its path.
inline std::string WriteModule(const std::string& name, const std::vector<Resource>& resources,
                               bool wide = false) {
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    WriteFileBytes(path, Module(resources, wide));
    return path;
}

struct GroupEntry {
    int width, height, colors, planes, bits;
    std::size_t size;
    int id;
};

// An icon group resource: the directory header and one 14-byte entry per image.
inline Bytes IconGroupDirectory(const std::vector<GroupEntry>& entries) {
    Bytes out{0, 0, 1, 0, 0, 0};
    Put16(out, 4, entries.size());
    for (const GroupEntry& e : entries) {
        const std::size_t at = out.size();
        out.resize(at + 14);
        out[at] = static_cast<std::uint8_t>(e.width);
        out[at + 1] = static_cast<std::uint8_t>(e.height);
        out[at + 2] = static_cast<std::uint8_t>(e.colors);
        Put16(out, at + 4, e.planes);
        Put16(out, at + 6, e.bits);
        Put32(out, at + 8, e.size);
        Put16(out, at + 12, e.id);
    }
    return out;
}

// A packed 24-bit bitmap (header, bits) whose pixel (x, y), top row 0, is colorAt(x, y), or a
// 32-bit one when bitCount is 32.
template <typename ColorAt>
Bytes PackedDib(int w, int h, int bitCount, ColorAt colorAt) {
    const int bytesPerPixel = bitCount / 8;
    const int stride = (w * bytesPerPixel + 3) / 4 * 4;
    Bytes dib(40 + static_cast<std::size_t>(stride * h));
    for (const auto& [at, value] : {std::pair{0, 40}, {4, w}, {8, h}, {12, 1 | bitCount << 16}}) {
        Put32(dib, static_cast<std::size_t>(at), static_cast<std::uint64_t>(value));
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t color = colorAt(x, y);
            const std::size_t at =
                40 + static_cast<std::size_t>((h - 1 - y) * stride + x * bytesPerPixel);
            dib[at] = static_cast<std::uint8_t>(color >> 16);
            dib[at + 1] = static_cast<std::uint8_t>(color >> 8);
            dib[at + 2] = static_cast<std::uint8_t>(color);
            if (bitCount == 32) {
                dib[at + 3] = 255;
            }
        }
    }
    return dib;
}

// A packed bitmap without a colour table as a file: the 14-byte file header in front.
inline Bytes BitmapFileOf(const Bytes& packed) {
    Bytes file(14);
    file[0] = 'B', file[1] = 'M';
    Put32(file, 2, 14 + packed.size());
    Put32(file, 10, 54);
    file.insert(file.end(), packed.begin(), packed.end());
    return file;
}

// Cells of `cell` pixels framed in magenta, each filled with its own colour.
inline Bytes FramedStrip(int w, int h, int cell, int bitCount = 24) {
    return PackedDib(w, h, bitCount, [=](int x, int y) -> std::uint32_t {
        const bool edge = x % cell == 0 || x % cell == cell - 1 || y == 0 || y == h - 1;
        return edge ? 0xFF00FFu : 0x203040u + static_cast<std::uint32_t>(x / cell);
    });
}

}  // namespace testsupport
