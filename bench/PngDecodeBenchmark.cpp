// SPDX-License-Identifier: MIT
// Our PNG decode (with zlib, and with the own inflater only) against libpng, on one large
// photo-like image and on a folder of small icons.

#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "codecs/ZlibSwitchGuard.h"
#include "codecs/cPNGparser.h"
#include "image/c32bppDIB.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kLargeSide = 1024;
constexpr int kIconCount = 256;

[[noreturn]] void Fail(const char* message) {
    std::fprintf(stderr, "PngDecodeBenchmark setup: %s\n", message);
    std::abort();
}

// Straight (not premultiplied) RGBA, rows top-down.
struct RgbaImage {
    int width = 0;
    int height = 0;
    Bytes pixels;
};

std::uint8_t Clamp(double value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0) + 0.5);
}

// Small fixed-seed generator so every run measures the same files.
class Random {
  public:
    explicit Random(std::uint32_t seed) : m_State(seed | 1u) {}
    std::uint32_t Next() {
        m_State ^= m_State << 13;
        m_State ^= m_State >> 17;
        m_State ^= m_State << 5;
        return m_State;
    }
    double Noise(double amplitude) {
        return (static_cast<double>(Next() % 2001) / 1000.0 - 1.0) * amplitude;
    }

  private:
    std::uint32_t m_State;
};

void SetPixel(RgbaImage& image, int x, int y, double r, double g, double b, double a) {
    std::uint8_t* pixel = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4];
    pixel[0] = Clamp(r);
    pixel[1] = Clamp(g);
    pixel[2] = Clamp(b);
    pixel[3] = Clamp(a);
}

// Smooth gradients with sensor-like noise, a few soft discs and a translucent band.
RgbaImage MakePhoto() {
    RgbaImage image{kLargeSide, kLargeSide, Bytes(std::size_t{kLargeSide} * kLargeSide * 4)};
    Random random(12345);
    const struct {
        double cx, cy, radius, r, g, b;
    } discs[] = {
        {300, 280, 140, 220, 60, 40}, {700, 600, 200, 40, 160, 220}, {520, 860, 90, 240, 220, 80}};
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            double r = 90 + 80 * std::sin(x * 0.004) + 40 * std::cos(y * 0.007);
            double g = 110 + 60 * std::sin((x + y) * 0.003);
            double b = 150 + 70 * std::cos(x * 0.002 - y * 0.005);
            for (const auto& disc : discs) {
                const double d = std::hypot(x - disc.cx, y - disc.cy);
                const double cover = std::clamp((disc.radius - d) / 6.0, 0.0, 1.0);
                r += (disc.r - r) * cover;
                g += (disc.g - g) * cover;
                b += (disc.b - b) * cover;
            }
            const bool inBand = y > 420 && y < 480;
            const double alpha = inBand ? 128 + 100 * std::sin(x * 0.01) : 255;
            SetPixel(image, x, y, r + random.Noise(6), g + random.Noise(6), b + random.Noise(6),
                     alpha);
        }
    }
    return image;
}

// An anti-aliased disc or rounded square on transparency, with a gradient fill and a few noisy
// pixels; shape, colours and size vary with the index.
RgbaImage MakeIcon(int index) {
    const int side = index % 2 == 0 ? 32 : 48;
    RgbaImage image{side, side, Bytes(static_cast<std::size_t>(side) * side * 4)};
    Random random(static_cast<std::uint32_t>(index) * 2654435761u + 7);
    const double hue = index * 0.37;
    const double half = side / 2.0;
    const double radius = half * (0.6 + 0.35 * ((index * 7) % 10) / 10.0);
    const bool square = (index / 2) % 3 == 0;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double dx = x + 0.5 - half;
            const double dy = y + 0.5 - half;
            const double d = square ? std::max(std::abs(dx), std::abs(dy)) : std::hypot(dx, dy);
            const double cover = std::clamp(radius - d + 0.5, 0.0, 1.0);
            const double shade = static_cast<double>(y) / side;
            const double noise = random.Next() % 8 == 0 ? random.Noise(30) : 0;
            SetPixel(image, x, y, 128 + 120 * std::sin(hue) - 60 * shade + noise,
                     128 + 120 * std::sin(hue + 2.1) - 40 * shade + noise,
                     128 + 120 * std::sin(hue + 4.2) + 30 * shade + noise, 255 * cover);
        }
    }
    return image;
}

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// libpng reports errors by longjmp; every object with a destructor exists before setjmp.
bool EncodePng(const RgbaImage& image, Bytes& out) {
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(
            &image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) * 4]);
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, AppendToVector, nullptr);
    png_set_compression_level(png, 6);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

Bytes Encode(const RgbaImage& image) {
    Bytes out;
    if (!EncodePng(image, out)) {
        Fail("libpng could not encode a test image");
    }
    return out;
}

struct MemoryReader {
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
};

void ReadFromMemory(png_structp png, png_bytep data, png_size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > reader->bytes.size() - reader->position) {
        png_error(png, "read past the end of the stream");
    }
    std::memcpy(data, reader->bytes.data() + reader->position, length);
    reader->position += length;
}

// Asks libpng for 8-bit RGBA whatever the file holds.
void RequestRgba8(png_structp png, png_infop info) {
    const png_byte colorType = png_get_color_type(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    if ((colorType & PNG_COLOR_MASK_ALPHA) == 0 && !png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

// Decodes to straight RGBA, top-down, into pixels (sized by the caller); rows is scratch space.
// No premultiply pass: this is libpng's plain decode cost.
bool DecodeWithLibpng(std::span<const std::uint8_t> file, std::span<std::uint8_t> pixels,
                      std::vector<png_bytep>& rows) {
    MemoryReader reader{file};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, ReadFromMemory);
    png_read_info(png, info);
    RequestRgba8(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const std::size_t stride = std::size_t{width} * 4;
    if (png_get_rowbytes(png, info) != stride || stride * height > pixels.size() ||
        height > rows.size()) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    for (png_uint_32 y = 0; y < height; ++y) {
        rows[y] = pixels.data() + y * stride;
    }
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool DecodeWithOurs(std::span<const std::uint8_t> file, c32bppDIB& host) {
    cPNGparser parser;
    return parser.LoadStream(file, host, 0, static_cast<std::int64_t>(file.size())) &&
           host.Width() > 0;
}

// Our host is premultiplied BGRA bottom-up; opaque pixels must match the source exactly.
bool OpaquePixelsMatch(const RgbaImage& source, const c32bppDIB& host) {
    if (host.Width() != source.width || host.Height() != source.height) {
        return false;
    }
    for (int y = 0; y < source.height; ++y) {
        const std::uint8_t* from =
            &source
                 .pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(source.width) * 4];
        const std::uint8_t* to =
            host.BitsPointer() + static_cast<std::size_t>(source.height - 1 - y) * host.scanWidth();
        for (int x = 0; x < source.width; ++x, from += 4, to += 4) {
            if (from[3] == 255 &&
                (to[0] != from[2] || to[1] != from[1] || to[2] != from[0] || to[3] != 255)) {
                return false;
            }
        }
    }
    return true;
}

// Both decoders must read the file back before any of them is timed.
Bytes EncodeChecked(const RgbaImage& image) {
    Bytes file = Encode(image);
    for (const bool zlibPresent : {true, false}) {
        const ZlibSwitchGuard zlib(zlibPresent);
        c32bppDIB host;
        if (!DecodeWithOurs(file, host) || !OpaquePixelsMatch(image, host)) {
            Fail(zlibPresent ? "our decode (with zlib) does not match the source"
                             : "our decode (own inflater) does not match the source");
        }
    }
    Bytes pixels(image.pixels.size());
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
    if (!DecodeWithLibpng(file, pixels, rows) || pixels != image.pixels) {
        Fail("libpng decode does not match the source");
    }
    return file;
}

const Bytes& LargeFile() {
    static const Bytes file = EncodeChecked(MakePhoto());
    return file;
}

const std::vector<Bytes>& IconFiles() {
    static const std::vector<Bytes> files = [] {
        std::vector<Bytes> built;
        for (int i = 0; i < kIconCount; ++i) {
            built.push_back(EncodeChecked(MakeIcon(i)));
        }
        return built;
    }();
    return files;
}

// Our decode allocates its host image on every load; that is part of what it costs.
void RunOurs(benchmark::State& state, const std::vector<const Bytes*>& files) {
    for (auto _ : state) {
        for (const Bytes* file : files) {
            c32bppDIB host;
            const bool ok = DecodeWithOurs(*file, host);
            benchmark::DoNotOptimize(ok);
            benchmark::DoNotOptimize(host.BitsPointer());
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(files.size()));
}

void RunLibpng(benchmark::State& state, const std::vector<const Bytes*>& files, int maxSide) {
    Bytes pixels(static_cast<std::size_t>(maxSide) * static_cast<std::size_t>(maxSide) * 4);
    std::vector<png_bytep> rows(static_cast<std::size_t>(maxSide));
    for (auto _ : state) {
        for (const Bytes* file : files) {
            const bool ok = DecodeWithLibpng(*file, pixels, rows);
            benchmark::DoNotOptimize(ok);
            benchmark::DoNotOptimize(pixels.data());
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(files.size()));
}

std::vector<const Bytes*> LargeSet() {
    return {&LargeFile()};
}

std::vector<const Bytes*> IconSet() {
    std::vector<const Bytes*> set;
    for (const Bytes& file : IconFiles()) {
        set.push_back(&file);
    }
    return set;
}

void BM_DecodeLargeOwnWithZlib(benchmark::State& state) {
    RunOurs(state, LargeSet());
}

void BM_DecodeLargeOwnInflater(benchmark::State& state) {
    const std::vector<const Bytes*> set = LargeSet();
    const ZlibSwitchGuard zlibAbsent(false);
    RunOurs(state, set);
}

void BM_DecodeLargeLibpng(benchmark::State& state) {
    RunLibpng(state, LargeSet(), kLargeSide);
}

void BM_DecodeIconsOwnWithZlib(benchmark::State& state) {
    RunOurs(state, IconSet());
}

void BM_DecodeIconsOwnInflater(benchmark::State& state) {
    const std::vector<const Bytes*> set = IconSet();
    const ZlibSwitchGuard zlibAbsent(false);
    RunOurs(state, set);
}

void BM_DecodeIconsLibpng(benchmark::State& state) {
    RunLibpng(state, IconSet(), 48);
}

BENCHMARK(BM_DecodeLargeOwnWithZlib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLargeOwnInflater)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLargeLibpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeIconsOwnWithZlib)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeIconsOwnInflater)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeIconsLibpng)->Unit(benchmark::kMicrosecond);

}  // namespace
