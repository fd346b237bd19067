#include "directory/codec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>

namespace telvane {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// One iconv conversion descriptor, closed with the object. Opening one loads a gconv module, which
// costs far more than converting a name, so each thread keeps one per conversion for its lifetime.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (valid()) iconv_close(cd_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of *in as it can into *out, advancing both; iconv's result, with errno set when
    // it stopped on a sequence it could not take.
    std::size_t Convert(const char** in, std::size_t* inLeft, char** out, std::size_t* outLeft) {
        return iconv(cd_, const_cast<char**>(in), inLeft, out, outLeft);
    }
    // Back to the initial shift state, so a failed conversion leaves nothing behind for the next.
    void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }
    // Writes what an encoder held back; false when it did not fit.
    bool Flush(char** out, std::size_t* outLeft) {
        return iconv(cd_, nullptr, nullptr, out, outLeft) != static_cast<std::size_t>(-1);
    }

private:
    iconv_t cd_;
};

IconvHandle& Handle(UnicodeForm form) {
    switch (form) {
        case UnicodeForm::kUtf16Le: {
            thread_local IconvHandle handle("GBK", "UTF-16LE");
            return handle;
        }
        case UnicodeForm::kUtf16Be: {
            thread_local IconvHandle handle("GBK", "UTF-16BE");
            return handle;
        }
        case UnicodeForm::kUtf8:
            break;
    }
    thread_local IconvHandle handle("GBK", "UTF-8");
    return handle;
}

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Bytes to skip after iconv stopped on a sequence it could not take at the start of in: the whole
// character when it is well formed (GBK just lacks it), else a single code unit. A truncated UTF-8
// sequence counts as one, as far as its continuation bytes reach.
std::size_t UnconvertibleLength(UnicodeForm form, std::string_view in) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(in[i]); };
    if (form == UnicodeForm::kUtf8) {
        const unsigned char c = byte(0);
        std::size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 1;
        length = std::min(length, in.size());
        for (std::size_t i = 1; i < length; ++i) {
            if ((byte(i) & 0xC0) != 0x80) return i;
        }
        return length;
    }
    const bool little = form == UnicodeForm::kUtf16Le;
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

}  // namespace

void AppendGbkAsUtf8(std::string_view gbk, std::string& out) {
    // Area codes, postcodes and many names are plain ASCII.
    if (IsAscii(gbk)) {
        out += gbk;
        return;
    }
    thread_local IconvHandle decoder("UTF-8", "GBK");
    if (!decoder.valid()) {
        for (const char c : gbk) {
            if (static_cast<unsigned char>(c) < 0x80) {
                out += c;
            } else {
                out += kReplacement;
            }
        }
        return;
    }
    decoder.Reset();
    // A GBK character of one or two bytes gives at most three UTF-8 bytes, and so does a byte replaced.
    const std::size_t start = out.size();
    out.resize(start + gbk.size() * 3);
    const char* in = gbk.data();
    std::size_t inLeft = gbk.size();
    char* to = out.data() + start;
    std::size_t toLeft = gbk.size() * 3;
    while (inLeft > 0) {
        if (decoder.Convert(&in, &inLeft, &to, &toLeft) != static_cast<std::size_t>(-1)) break;
        if ((errno != EILSEQ && errno != EINVAL) || toLeft < kReplacement.size()) break;  // never: see above
        // The byte at in starts no character.
        to = std::copy(kReplacement.begin(), kReplacement.end(), to);
        toLeft -= kReplacement.size();
        ++in;
        --inLeft;
        decoder.Reset();
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
}

std::string GbkToUtf8(std::string_view gbk) {
    std::string out;
    AppendGbkAsUtf8(gbk, out);
    return out;
}

namespace {

// Bytes of a Unicode tag character (U+E0000 to U+E007F) in either form.
constexpr std::size_t kTagBytes = 4;

// Where the first Unicode tag character of text starts, or text.size() when it holds none. glibc's
// iconv passes over these characters without a word, where every other character GBK lacks stops it.
std::size_t FindTagCharacter(UnicodeForm form, std::string_view text) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (form == UnicodeForm::kUtf8) {
        // F3 A0 80 80 to F3 A0 81 BF; F3 never continues a sequence, so any F3 starts one.
        for (std::size_t i = text.find('\xF3'); i != std::string_view::npos; i = text.find('\xF3', i + 1)) {
            if (i + kTagBytes <= text.size() && byte(i + 1) == 0xA0 && (byte(i + 2) & 0xFE) == 0x80 &&
                (byte(i + 3) & 0xC0) == 0x80) {
                return i;
            }
        }
        return text.size();
    }
    const bool little = form == UnicodeForm::kUtf16Le;
    auto unit = [&](std::size_t i) {
        return little ? byte(i) | (byte(i + 1) << 8) : (byte(i) << 8) | byte(i + 1);
    };
    // DB40 DC00 to DB40 DC7F.
    for (std::size_t i = 0; i + kTagBytes <= text.size(); i += 2) {
        if (unit(i) == 0xDB40 && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDC7F) return i;
    }
    return text.size();
}

// Unicode text as GBK. Each character GBK cannot hold, and each malformed sequence, becomes one '?'
// when replace is set and refuses the whole text otherwise.
std::optional<std::string> Encode(std::string_view text, UnicodeForm form, bool replace) {
    IconvHandle& encoder = Handle(form);
    if (!encoder.valid()) return std::nullopt;
    encoder.Reset();
    // Every character gives no more GBK bytes than it has bytes itself (a non-ASCII UTF-8 character has
    // two or more), and a '?' replaces at least one byte, so one buffer of the input's size suffices.
    std::string out(text.size(), '\0');
    const char* in = text.data();
    std::size_t inLeft = text.size();
    char* to = out.data();
    std::size_t toLeft = out.size();
    while (inLeft > 0) {
        // iconv converts up to the next tag character, which is then taken as one GBK lacks.
        std::size_t partLeft = FindTagCharacter(form, std::string_view(in, inLeft));
        const std::size_t after = inLeft - partLeft;
        const bool converted = encoder.Convert(&in, &partLeft, &to, &toLeft) != static_cast<std::size_t>(-1);
        inLeft = partLeft + after;
        if (converted) {
            if (inLeft == 0) break;
            partLeft = kTagBytes;
        } else if (!converted && (errno == EILSEQ || errno == EINVAL)) {
            partLeft = UnconvertibleLength(form, std::string_view(in, inLeft));
        } else {
            return std::nullopt;  // E2BIG cannot happen, see above
        }
        if (!replace) return std::nullopt;
        in += partLeft;
        inLeft -= partLeft;
        if (toLeft == 0) break;
        *to++ = '?';
        --toLeft;
        encoder.Reset();
    }
    if (!encoder.Flush(&to, &toLeft) && !replace) return std::nullopt;
    out.resize(out.size() - toLeft);
    return out;
}

}  // namespace

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    return Encode(utf8, UnicodeForm::kUtf8, false);
}

std::string UnicodeToGbkReplacing(std::string_view text, UnicodeForm form) {
    return Encode(text, form, true).value_or(std::string());
}

namespace {

std::size_t MarkLength(std::string_view bytes, UnicodeForm& form) {
    if (bytes.starts_with("\xFF\xFE")) {
        form = UnicodeForm::kUtf16Le;
        return 2;
    }
    if (bytes.starts_with("\xFE\xFF")) {
        form = UnicodeForm::kUtf16Be;
        return 2;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        form = UnicodeForm::kUtf8;
        return 3;
    }
    return 0;
}

}  // namespace

bool HasUnicodeMark(std::string_view bytes) {
    UnicodeForm form{};
    return MarkLength(bytes, form) != 0;
}

std::string FileTextAsGbk(std::string bytes) {
    UnicodeForm form{};
    const std::size_t mark = MarkLength(bytes, form);
    if (mark == 0) return bytes;
    return UnicodeToGbkReplacing(std::string_view(bytes).substr(mark), form);
}

}  // namespace telvane
