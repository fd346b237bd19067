// The window's GBK boundary. The input is read twice: as GBK bytes to decode, and as UTF-16 code units
// (in this machine's byte order) to encode.
//
// Decoding: the text is no longer than the bytes; bytes below 0x40, which never belong to a
// double-byte character, come through in order; 0xFF, which starts no character, shows U+FFFD; the
// text encodes back to the same bytes exactly when it shows no U+FFFD (so valid GBK round-trips, and
// invalid bytes always show).
// Encoding: a text holding a surrogate is refused; a text that is encoded decodes back to itself, in
// one to two bytes a code unit, ASCII as itself; the encoding of a text is the encodings of its
// characters one after another, refused when one of them is; GbkLength agrees with ToGbk.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "check.h"
#include "ui/gbk_text.h"

namespace {

using telvane::FromGbk;
using telvane::GbkLength;
using telvane::ToGbk;

bool SameLength(const std::optional<std::string>& bytes, const std::optional<std::size_t>& length) {
    return bytes.has_value() == length.has_value() && (!bytes || bytes->size() == *length);
}

void CheckDecoding(std::string_view bytes) {
    const QString text = FromGbk(bytes);
    FUZZ_CHECK(static_cast<std::size_t>(text.size()) <= bytes.size());

    std::u16string low;
    for (const QChar c : text) {
        if (c.unicode() < 0x40) low += c.unicode();
    }
    std::u16string lowBytes;
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) < 0x40) lowBytes += static_cast<char16_t>(c);
    }
    FUZZ_CHECK(low == lowBytes);

    const bool replaced = text.contains(QChar::ReplacementCharacter);
    if (bytes.find('\xFF') != std::string_view::npos) FUZZ_CHECK(replaced);
    const std::optional<std::string> encoded = ToGbk(text);
    FUZZ_CHECK(encoded.has_value() != replaced);
    if (encoded) FUZZ_CHECK(*encoded == bytes);
    FUZZ_CHECK(SameLength(encoded, GbkLength(text)));
}

void CheckEncoding(const QString& text) {
    const std::optional<std::string> encoded = ToGbk(text);
    FUZZ_CHECK(SameLength(encoded, GbkLength(text)));

    std::string joined;
    bool refused = false;
    bool ascii = true;
    for (const QChar c : text) {
        FUZZ_CHECK(!(c.isSurrogate() && encoded));
        ascii = ascii && c.unicode() < 0x80;
        const std::optional<std::string> one = ToGbk(QString(c));
        refused = refused || !one;
        if (one) joined += *one;
    }
    FUZZ_CHECK(encoded.has_value() != refused);
    if (!encoded) return;
    FUZZ_CHECK(*encoded == joined);
    const auto units = static_cast<std::size_t>(text.size());
    FUZZ_CHECK(encoded->size() >= units && encoded->size() <= 2 * units);
    if (ascii) FUZZ_CHECK(*encoded == text.toLatin1().toStdString());
    FUZZ_CHECK(FromGbk(*encoded) == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckDecoding(std::string_view(reinterpret_cast<const char*>(data), size));

    QString text(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, size / 2 * 2);
    CheckEncoding(text);
    return 0;
}
