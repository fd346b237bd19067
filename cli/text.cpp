#include "text.h"

#include <utf8proc.h>

#include <algorithm>
#include <cerrno>

namespace telvane::cli {
namespace {

const iconv_t kClosed = reinterpret_cast<iconv_t>(-1);

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

}  // namespace

Converters::~Converters() {
    if (decoder_ != kClosed) iconv_close(decoder_);
    if (encoder_ != kClosed) iconv_close(encoder_);
}

void Converters::AppendUtf8(std::string_view gbk, std::string& out) {
    if (IsAscii(gbk)) {
        out += gbk;
        return;
    }
    if (decoder_ == kClosed) decoder_ = iconv_open("UTF-8", "GBK");
    const std::size_t start = out.size();
    if (decoder_ == kClosed) {
        for (const char c : gbk) {
            if (static_cast<unsigned char>(c) < 0x80) {
                out += c;
            } else {
                out += kReplacement;
            }
        }
        return;
    }
    iconv(decoder_, nullptr, nullptr, nullptr, nullptr);
    // A GBK character of one or two bytes gives at most three UTF-8 bytes, and so does a byte replaced.
    out.resize(start + gbk.size() * 3);
    char* in = const_cast<char*>(gbk.data());
    std::size_t inLeft = gbk.size();
    char* to = out.data() + start;
    std::size_t toLeft = gbk.size() * 3;
    while (inLeft > 0) {
        if (iconv(decoder_, &in, &inLeft, &to, &toLeft) != static_cast<std::size_t>(-1)) break;
        if ((errno != EILSEQ && errno != EINVAL) || toLeft < kReplacement.size()) break;  // never: see above
        to = std::copy(kReplacement.begin(), kReplacement.end(), to);
        toLeft -= kReplacement.size();
        ++in;
        --inLeft;
        iconv(decoder_, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
}

std::optional<std::string> Converters::Gbk(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    if (encoder_ == kClosed) encoder_ = iconv_open("GBK", "UTF-8");
    if (encoder_ == kClosed) return std::nullopt;
    iconv(encoder_, nullptr, nullptr, nullptr, nullptr);
    // A UTF-8 character of n bytes gives at most two GBK bytes (n >= 2 for every non-ASCII one).
    std::string gbk(utf8.size(), '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* to = gbk.data();
    std::size_t toLeft = gbk.size();
    if (iconv(encoder_, &in, &inLeft, &to, &toLeft) == static_cast<std::size_t>(-1)) return std::nullopt;
    // Complete the conversion: an encoder may hold back state until flushed.
    if (iconv(encoder_, nullptr, nullptr, &to, &toLeft) == static_cast<std::size_t>(-1)) return std::nullopt;
    gbk.resize(gbk.size() - toLeft);
    return gbk;
}

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
