// SPDX-License-Identifier: MIT
#include "app/AddReport.h"

void AddReport::Record(const std::string& source, StripDocument::AddResult result,
                       const std::optional<Error>& loadError, bool fileMissing) {
    if (result == StripDocument::AddResult::Added) {
        ++m_Added;
        return;
    }
    // The decoder's own words where it gave any, as the command line's info prints them.
    std::string reason = result == StripDocument::AddResult::Refused ? "cannot make a cell of it"
                         : loadError                                 ? loadError->Text()
                         : fileMissing                               ? "no such file"
                                                                     : "cannot decode it";
    m_Failures.push_back({source, std::move(reason)});
}

std::string AddReport::Notice() const {
    if (m_Failures.empty()) {
        return {};
    }
    return std::to_string(m_Added) + " of " + std::to_string(Tried()) + " images added; " +
           std::to_string(m_Failures.size()) + " could not be read";
}
