// The command's only encoding boundary: the directory's GBK bytes become UTF-8 for the terminal and
// for scripts, and typed UTF-8 texts become GBK for matching. Both through glibc's iconv.
#pragma once

#include <iconv.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace telvane::cli {

class Converters {
public:
    Converters() = default;
    ~Converters();
    Converters(const Converters&) = delete;
    Converters& operator=(const Converters&) = delete;

    // Appends the UTF-8 text of GBK bytes to out. Every byte that starts no GBK character becomes one
    // U+FFFD REPLACEMENT CHARACTER and decoding goes on with the next byte.
    void AppendUtf8(std::string_view gbk, std::string& out);
    std::string Utf8(std::string_view gbk) {
        std::string out;
        AppendUtf8(gbk, out);
        return out;
    }

    // The GBK bytes of UTF-8 text, or nothing when the text is not UTF-8 or holds a character GBK
    // cannot hold.
    std::optional<std::string> Gbk(std::string_view utf8);

private:
    // Each converter is opened when first needed (opening one loads a gconv module), then kept.
    iconv_t decoder_ = reinterpret_cast<iconv_t>(-1);
    iconv_t encoder_ = reinterpret_cast<iconv_t>(-1);
};

// The number of terminal columns UTF-8 text takes: 2 for wide (East Asian) characters, 0 for
// combining marks and controls, 1 otherwise; a byte that is not UTF-8 counts 1.
std::size_t DisplayWidth(std::string_view utf8);

}  // namespace telvane::cli
