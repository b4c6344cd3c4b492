// SPDX-License-Identifier: MIT
#pragma once

#include <variant>

#include "platform/file/Error.h"
#include "platform/file/Expected.h"

// Success with nothing to return, or why not.
using Status = Expected<std::monostate, Error>;
