// SPDX-License-Identifier: MIT
#pragma once

#include <string>

class c32bppDIB;

// Why an image or strip address gave nothing, in the words `info` uses, so that every
// command that fails on an input says why.
class FailureReason {
  public:
    // Why the file cannot be read at all ("No such file or directory"); empty when it can.
    static std::string OfFile(const std::string& path);
    // Why the image did not load from the file: the file's own problem, else the decoder's
    // reason, else "cannot decode it".
    static std::string OfImage(const std::string& path, const c32bppDIB& image);
    // Why the file opens as no strip of cells cellWidth wide (0: as square as the height allows).
    static std::string OfStrip(const std::string& path, int cellWidth);
    // Why a bitmap of that size cuts into no strip of cells cellWidth wide; empty when it does.
    static std::string OfCells(int width, int height, int cellWidth);
    // Said when an image would make a strip pass its cell limit.
    static std::string StripFull();
    // Said when a bitmap would cut into more cells than a strip holds.
    static std::string TooManyCells();
};
