#include "ui/gbk_text.h"

#include <iconv.h>

#include <QSysInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace telvane {
namespace {

// Opening a converter loads a gconv module, which costs far more than converting a row, so each
// thread keeps one converter per direction for its lifetime.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        return cd_;
    }

private:
    iconv_t cd_;
};

constexpr const char* kUtf16 = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsAscii(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

}  // namespace

QString FromGbk(std::string_view bytes) {
    // Area codes, postcodes and most keys of the data file are plain digits.
    if (IsAscii(bytes)) return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));

    thread_local Converter decoder(kUtf16, "GBK");
    if (!decoder.valid()) return QString(static_cast<qsizetype>(bytes.size()), QChar::ReplacementCharacter);
    iconv_t cd = decoder.get();

    // Every GBK byte gives at most one UTF-16 code unit.
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);

    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* out = reinterpret_cast<char*>(text.data());
    std::size_t outLeft = bytes.size() * sizeof(char16_t);
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1)) break;
        if ((errno != EILSEQ && errno != EINVAL) || outLeft < sizeof(char16_t)) break;  // never: see above
        // EILSEQ or EINVAL: the byte at in starts no character.
        const char16_t replacement = QChar::ReplacementCharacter;
        std::memcpy(out, &replacement, sizeof replacement);
        out += sizeof replacement;
        outLeft -= sizeof replacement;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    text.truncate(static_cast<qsizetype>(reinterpret_cast<QChar*>(out) - text.data()));
    return text;
}

std::optional<std::string> ToGbk(const QString& text) {
    if (IsAscii(text)) return text.toStdString();

    thread_local Converter encoder("GBK", kUtf16);
    if (!encoder.valid()) return std::nullopt;
    iconv_t cd = encoder.get();

    // A UTF-16 code unit gives at most two GBK bytes.
    std::string bytes(static_cast<std::size_t>(text.size()) * 2, '\0');
    char* in = const_cast<char*>(reinterpret_cast<const char*>(text.constData()));
    std::size_t inLeft = static_cast<std::size_t>(text.size()) * sizeof(char16_t);
    char* out = bytes.data();
    std::size_t outLeft = bytes.size();
    if (iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) return std::nullopt;
    bytes.resize(bytes.size() - outLeft);
    return bytes;
}

std::optional<std::size_t> GbkLength(const QString& text) {
    const std::optional<std::string> bytes = ToGbk(text);
    if (!bytes) return std::nullopt;
    return bytes->size();
}

}  // namespace telvane
