// SPDX-License-Identifier: MIT
#include "app/CellSource.h"

std::string CellSource::Description() const {
    if (address.empty()) {
        return label;
    }
    return cellPosition < 0 ? address : address + ", cell " + std::to_string(cellPosition + 1);
}
