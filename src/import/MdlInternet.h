// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>

#include "import/TemporaryFile.h"
#include "platform/net/HttpClient.h"

// Downloads of images named by web addresses.
class MdlInternet {
  public:
    // Writes the image at sURL to sPath, replacing any file there. On failure no file is left.
    static bool DownloadUrlToFile(const std::string& sURL, const std::string& sPath,
                                  const net::DownloadLimits& limits = {},
                                  std::stop_token stop = {});
    // Writes the image at sURL through an open descriptor, from where it stands.
    static bool DownloadUrlToDescriptor(const std::string& sURL, int descriptor,
                                        const net::DownloadLimits& limits = {},
                                        std::stop_token stop = {});
    // A new, empty file of a unique name in the folder, ending with the address's last segment
    // when that is a plain file name; null when none can be made.
    static std::unique_ptr<TemporaryFile> CreateTemporaryFile(const std::string& folder,
                                                              const std::string& sURL);
    using Download = std::function<bool(std::stop_token)>;
    // Runs a download and returns its result; it may run it on another thread and stop it, but
    // returns only once the download has ended.
    using DownloadRunner = std::function<bool(const Download&)>;

    // Downloads sURL to a temporary file in the folder, hands its path to use and removes it,
    // whatever use does. False when nothing was downloaded (use is then not called). Without a
    // runner the download runs here, to its end.
    static bool WithDownloadedFile(const std::string& folder, const std::string& sURL,
                                   const std::function<void(const std::string& path)>& use,
                                   const DownloadRunner& run = {});
};
