// SPDX-License-Identifier: MIT
#include "image/PixelScaler.h"

#include <algorithm>
#include <cmath>
#include <vector>

PixelScaler::Tap PixelScaler::NearestTap(int output, double ratio, int sourceLength) {
    const int index = std::min(static_cast<int>(std::floor(output * ratio)), sourceLength - 1);
    return {index, index, 0};
}

// Pairs sample i with i + 1; the last source sample stands alone.
PixelScaler::Tap PixelScaler::BilinearTap(int output, double ratio, int sourceLength) {
    const double position = output * ratio;
    const int index = static_cast<int>(std::floor(position));
    if (index >= sourceLength - 1) {
        return {sourceLength - 1, sourceLength - 1, 0};
    }
    return {index, index + 1, position - index};
}

void PixelScaler::Scale(const Source& source, const PixelView& target, bool bilinear, bool mirrorX,
                        bool mirrorY) {
    const double ratioX = static_cast<double>(source.width) / target.Width;
    const double ratioY = static_cast<double>(source.height) / target.Height;
    // Memory row of the rectangle's bottom row, and its first column.
    const int baseRow = source.pixels.Height - source.y - source.height;
    const auto tapFor = [bilinear](int output, double ratio, int length) {
        return bilinear ? BilinearTap(output, ratio, length) : NearestTap(output, ratio, length);
    };
    std::vector<Tap> columns(static_cast<std::size_t>(target.Width));
    for (int c = 0; c < target.Width; ++c) {
        columns[static_cast<std::size_t>(c)] = tapFor(c, ratioX, source.width);
    }
    for (int r = target.Height - 1; r >= 0; --r) {
        const Tap row = tapFor(r, ratioY, source.height);
        const int outputRow = mirrorY ? target.Height - 1 - r : r;
        for (int c = 0; c < target.Width; ++c) {
            const Tap& column = columns[static_cast<std::size_t>(c)];
            const int outputColumn = mirrorX ? target.Width - 1 - c : c;
            std::uint8_t* out = target.AtMemoryRow(outputColumn, outputRow);
            const std::uint8_t* p00 =
                source.pixels.AtMemoryRow(source.x + column.first, baseRow + row.first);
            if (!bilinear) {
                out[0] = p00[0];
                out[1] = p00[1];
                out[2] = p00[2];
                out[3] = p00[3];
                continue;
            }
            const std::uint8_t* p01 =
                source.pixels.AtMemoryRow(source.x + column.second, baseRow + row.first);
            const std::uint8_t* p10 =
                source.pixels.AtMemoryRow(source.x + column.first, baseRow + row.second);
            const std::uint8_t* p11 =
                source.pixels.AtMemoryRow(source.x + column.second, baseRow + row.second);
            const double w00 = (1 - column.weight) * (1 - row.weight);
            const double w01 = column.weight * (1 - row.weight);
            const double w10 = (1 - column.weight) * row.weight;
            const double w11 = column.weight * row.weight;
            for (int channel = 0; channel < 4; ++channel) {
                const double value = w00 * p00[channel] + w01 * p01[channel] + w10 * p10[channel] +
                                     w11 * p11[channel];
                out[channel] = static_cast<std::uint8_t>(std::min(255.0, std::floor(value)));
            }
        }
    }
}
