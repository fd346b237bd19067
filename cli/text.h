// Terminal text: how many columns UTF-8 text takes, for aligning the table.
#pragma once

#include <cstddef>
#include <string_view>

namespace telvane::cli {

// The number of terminal columns UTF-8 text takes: 2 for wide (East Asian) characters, 0 for
// combining marks and controls, 1 otherwise; a byte that is not UTF-8 counts 1.
std::size_t DisplayWidth(std::string_view utf8);

}  // namespace telvane::cli
