// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Text quoted and escaped as a JSON string.
std::string JsonString(const std::string& text);
