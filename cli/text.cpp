#include "text.h"

#include <utf8proc.h>

#include <algorithm>

namespace telvane::cli {

std::size_t DisplayWidth(std::string_view utf8) {
    std::size_t width = 0;
    const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(utf8.data());
    auto left = static_cast<utf8proc_ssize_t>(utf8.size());
    while (left > 0) {
        utf8proc_int32_t c = 0;
        utf8proc_ssize_t length = utf8proc_iterate(bytes, left, &c);
        if (length <= 0) {
            width += 1;
            length = 1;
        } else {
            width += static_cast<std::size_t>(std::max(0, utf8proc_charwidth(c)));
        }
        bytes += length;
        left -= length;
    }
    return width;
}

}  // namespace telvane::cli
