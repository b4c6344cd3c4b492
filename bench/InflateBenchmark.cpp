// SPDX-License-Identifier: MIT
// Own inflater against zlib on one large stream shaped roughly like filtered image rows.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>
#include <vector>

#include "codecs/cInflater.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kInputSize = 16u << 20;
constexpr std::size_t kRowSize = 4096;

// splitmix64: fixed seed, so every run measures the same bytes.
class Random {
  public:
    std::uint64_t Next() {
        std::uint64_t z = (m_State += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    unsigned Below(unsigned bound) { return static_cast<unsigned>(Next() % bound); }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(Next()); }

  private:
    std::uint64_t m_State = 0x5EED;
};

// Words from a small vocabulary with the odd letter changed: many medium-length matches.
void AppendTextRow(Bytes& out, Random& random) {
    static constexpr std::array<std::string_view, 8> kWords = {
        "tile ", "strip ", "bitmap ", "toolbar ", "alpha ", "pixel ", "image ", "row "};
    const std::size_t end = out.size() + kRowSize;
    while (out.size() < end) {
        const std::string_view word = kWords[random.Below(kWords.size())];
        for (const char letter : word) {
            if (out.size() < end) {
                out.push_back(random.Below(16) == 0 ? random.Byte()
                                                    : static_cast<std::uint8_t>(letter));
            }
        }
    }
}

void AppendRandomRow(Bytes& out, Random& random) {
    for (std::size_t i = 0; i < kRowSize; ++i) {
        out.push_back(random.Byte());
    }
}

// Runs of one value, like flat areas after PNG filtering: long matches at distance 1.
void AppendRunRow(Bytes& out, Random& random) {
    const std::size_t end = out.size() + kRowSize;
    while (out.size() < end) {
        const std::uint8_t value = random.Below(4) == 0 ? random.Byte() : 0;
        const std::size_t run = 64 + random.Below(1024);
        for (std::size_t i = 0; i < run && out.size() < end; ++i) {
            out.push_back(value);
        }
    }
}

// Small deltas, like a sub-filtered gradient with noise: mostly literals from a skewed alphabet.
void AppendNoisyDeltaRow(Bytes& out, Random& random) {
    for (std::size_t i = 0; i < kRowSize; ++i) {
        out.push_back(static_cast<std::uint8_t>(random.Below(7) - 3));
    }
}

Bytes MakeInput() {
    Random random;
    Bytes input;
    input.reserve(kInputSize);
    while (input.size() < kInputSize) {
        const unsigned kind = random.Below(10);
        if (kind < 4) {
            AppendTextRow(input, random);
        } else if (kind < 5) {
            AppendRandomRow(input, random);
        } else if (kind < 7) {
            AppendRunRow(input, random);
        } else {
            AppendNoisyDeltaRow(input, random);
        }
    }
    input.resize(kInputSize);
    return input;
}

[[noreturn]] void Fail(const char* message) {
    std::fprintf(stderr, "InflateBenchmark setup: %s\n", message);
    std::abort();
}

Bytes Compress(const Bytes& input) {
    uLongf length = compressBound(static_cast<uLong>(input.size()));
    Bytes compressed(length);
    if (compress2(compressed.data(), &length, input.data(), static_cast<uLong>(input.size()), 6) !=
        Z_OK) {
        Fail("compress2 failed");
    }
    compressed.resize(length);
    return compressed;
}

struct Streams {
    Bytes original;
    Bytes compressed;
};

// Built once for all benchmarks; the own inflater must reproduce the input before it is timed.
const Streams& GetStreams() {
    static const Streams streams = [] {
        Streams built{MakeInput(), {}};
        built.compressed = Compress(built.original);
        Bytes inflated(built.original.size(), 0);
        if (!cInflater().Inflate(inflated, built.compressed) || inflated != built.original) {
            Fail("own inflater does not reproduce the input");
        }
        return built;
    }();
    return streams;
}

void BM_InflateZlib(benchmark::State& state) {
    const Streams& streams = GetStreams();
    Bytes out(streams.original.size());
    for (auto _ : state) {
        uLongf length = static_cast<uLongf>(out.size());
        const int result = uncompress(out.data(), &length, streams.compressed.data(),
                                      static_cast<uLong>(streams.compressed.size()));
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(out.size()));
    state.counters["ratio"] = static_cast<double>(streams.original.size()) /
                              static_cast<double>(streams.compressed.size());
}
BENCHMARK(BM_InflateZlib)->Unit(benchmark::kMillisecond);

// The buffer is zeroed only once: the stream writes every byte of it on each pass and matches
// only read bytes already written in that pass, so stale contents cannot change the result.
void BM_InflateOwn(benchmark::State& state) {
    const Streams& streams = GetStreams();
    Bytes out(streams.original.size(), 0);
    for (auto _ : state) {
        const bool ok = cInflater().Inflate(out, streams.compressed);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(out.size()));
}
BENCHMARK(BM_InflateOwn)->Unit(benchmark::kMillisecond);

}  // namespace
