#include "file_text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <string_view>

namespace telvane {
namespace {

enum class Encoding { kGbk, kUtf8, kUtf16Le, kUtf16Be };

Encoding DetectEncoding(std::string_view bytes, std::size_t& markLength) {
    if (bytes.starts_with("\xFF\xFE")) {
        markLength = 2;
        return Encoding::kUtf16Le;
    }
    if (bytes.starts_with("\xFE\xFF")) {
        markLength = 2;
        return Encoding::kUtf16Be;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        markLength = 3;
        return Encoding::kUtf8;
    }
    markLength = 0;
    return Encoding::kGbk;
}

// Bytes to skip after iconv stopped on a sequence it could not take at in: the whole character when
// it is well formed (GBK just lacks it), else a single code unit.
std::size_t UndecodableLength(Encoding encoding, std::string_view in) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(in[i]); };
    if (encoding == Encoding::kUtf8) {
        const unsigned char c = byte(0);
        std::size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 1;
        length = std::min(length, in.size());
        // A truncated sequence counts as one, as far as its continuation bytes reach.
        for (std::size_t i = 1; i < length; ++i) {
            if ((byte(i) & 0xC0) != 0x80) return i;
        }
        return length;
    }
    const bool little = encoding == Encoding::kUtf16Le;
    auto unit = [&](std::size_t i) {
        return little ? byte(i) | (byte(i + 1) << 8) : (byte(i) << 8) | byte(i + 1);
    };
    if (in.size() < 2) return in.size();
    const unsigned first = unit(0);
    if (first >= 0xD800 && first <= 0xDBFF && in.size() >= 4) {
        const unsigned second = unit(2);
        if (second >= 0xDC00 && second <= 0xDFFF) return 4;
    }
    return 2;
}

const char* IconvName(Encoding encoding) {
    switch (encoding) {
        case Encoding::kUtf8:
            return "UTF-8";
        case Encoding::kUtf16Le:
            return "UTF-16LE";
        case Encoding::kUtf16Be:
            return "UTF-16BE";
        case Encoding::kGbk:
            break;
    }
    return "GBK";
}

}  // namespace

bool HasUnicodeMark(std::string_view bytes) {
    std::size_t markLength = 0;
    return DetectEncoding(bytes, markLength) != Encoding::kGbk;
}

std::string FileTextAsGbk(std::string bytes) {
    std::size_t markLength = 0;
    const Encoding encoding = DetectEncoding(bytes, markLength);
    if (encoding == Encoding::kGbk) return bytes;

    iconv_t cd = iconv_open("GBK", IconvName(encoding));
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};

    // The output never outgrows the input (see the header), so one buffer of that size suffices.
    std::string out(bytes.size(), '\0');
    char* in = bytes.data() + markLength;
    std::size_t inLeft = bytes.size() - markLength;
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) break;
        if (errno != EILSEQ && errno != EINVAL) break;  // E2BIG cannot happen, see above
        const std::size_t skip = UndecodableLength(encoding, std::string_view(in, inLeft));
        in += skip;
        inLeft -= skip;
        if (outLeft == 0) break;
        *outPtr++ = '?';
        --outLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace telvane
