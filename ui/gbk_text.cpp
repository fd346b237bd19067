#include "ui/gbk_text.h"

#include <QByteArray>
#include <QSysInfo>
#include <algorithm>

#include "directory/codec.h"

namespace telvane {
namespace {

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

QString FromGbk(std::string_view bytes) {
    // Area codes, postcodes and many names are plain digits and letters.
    if (IsAscii(bytes)) return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const std::string utf8 = GbkToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::optional<std::string> ToGbk(const QString& text) {
    // UTF-8 has no lone surrogates (Qt would write '?' for one), and GBK has no place for one either.
    if (!text.isValidUtf16()) return std::nullopt;
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToGbk(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

std::optional<std::size_t> GbkLength(const QString& text) {
    const std::optional<std::string> bytes = ToGbk(text);
    if (!bytes) return std::nullopt;
    return bytes->size();
}

QString ThroughGbk(const QString& text) {
    const std::string_view units(reinterpret_cast<const char*>(text.utf16()),
                                 static_cast<std::size_t>(text.size()) * sizeof(char16_t));
    constexpr UnicodeForm kForm =
        QSysInfo::ByteOrder == QSysInfo::LittleEndian ? UnicodeForm::kUtf16Le : UnicodeForm::kUtf16Be;
    return FromGbk(UnicodeToGbkReplacing(units, kForm));
}

}  // namespace telvane
