// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <string>

#include "platform/desktop/FallbackDecoder.h"

// The fallback decoder as a process of its own, started for each picture: the image plugins it
// runs are third-party parsers of untrusted bytes, so a picture that makes them crash, loop or
// eat memory costs that process and no more. The process limits its own memory and CPU time and
// may neither write files nor reach the network; the caller gives up on it after a deadline.
class FallbackProcess : public FallbackDecoder {
  public:
    static constexpr const char* kProgramName = "tilewright-fallback-decoder";
    static constexpr std::chrono::seconds kDeadline{30};

    // program: the decoder's executable; Find() gives the installed or built one.
    FallbackProcess(std::string program, std::uint64_t maxPixels,
                    std::chrono::milliseconds deadline = kDeadline);
    // Beside the running executable (the build tree), else in its library folder (installed);
    // empty when neither exists.
    static std::string Find();

    Expected<bool, Error> Decode(std::span<const std::uint8_t> bytes, int drawWidth, int drawHeight,
                                 const PixelRoom& room) const override;

  private:
    std::string m_Program;
    std::uint64_t m_MaxPixels;
    std::chrono::milliseconds m_Deadline;
};
