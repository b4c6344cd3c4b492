#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Downloads of images named by web addresses.
class MdlInternet {
  public:
    // A hostile server must not fill the disk.
    static constexpr std::size_t kMaxDownloadBytes = std::size_t{64} << 20;
    static constexpr long kStallSeconds = 30;

    // Writes the image at sURL to sPath, replacing any file there. On failure no file is left.
    static bool DownloadUrlToFile(const std::string& sURL, const std::string& sPath,
                                  std::size_t maxBytes = kMaxDownloadBytes,
                                  long stallSeconds = kStallSeconds);
    // A new, empty file of a unique name in the folder, ending with the address's last segment
    // when that is a plain file name; empty when none can be made.
    static std::string CreateTemporaryFile(const std::string& folder, const std::string& sURL);
    // Downloads sURL to a temporary file in the folder, hands its path to use and removes it,
    // whatever use does. False when nothing was downloaded (use is then not called).
    static bool WithDownloadedFile(const std::string& folder, const std::string& sURL,
                                   const std::function<void(const std::string& path)>& use);
};
