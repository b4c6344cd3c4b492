// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/StripDocument.h"
#include "platform/file/Error.h"

// What one command that adds images brought in: how many it tried and, for each image that did
// not become a cell, where it came from and why.
class AddReport {
  public:
    struct Failure {
        std::string source;
        std::string reason;
    };

    // fileMissing: the image was to come from a file that does not exist.
    void Record(const std::string& source, StripDocument::AddResult result,
                const std::optional<Error>& loadError, bool fileMissing = false);
    int Tried() const { return m_Added + static_cast<int>(m_Failures.size()); }
    int Added() const { return m_Added; }
    const std::vector<Failure>& Failures() const { return m_Failures; }
    // "3 of 9 images added; 6 could not be read"; empty when nothing failed.
    std::string Notice() const;

  private:
    int m_Added = 0;
    std::vector<Failure> m_Failures;
};
