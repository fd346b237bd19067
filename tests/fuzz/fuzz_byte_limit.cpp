// The byte limit of the criteria edits, TGbkByteLimit::validate, in two situations drawn from the
// input: typing or pasting into an edit whose text fits, as QLineEdit hands it over (the whole new
// text, the cursor just after the change), and any text with any cursor, as code may set it. Texts
// come from the input as GBK bytes (decoded, so mostly characters GBK holds) or as UTF-16 code units.
//
// A text with a character GBK cannot hold comes through the code page first, on either side of the
// cursor: worked out here one character at a time, each such character (a surrogate pair is one, a
// lone surrogate another) becomes one '?' and every other character what GBK gives back for it; the
// cursor stays after the part before it. Then always: the text is accepted, within the limit, all
// GBK, and left as it came through when that fitted; the cursor stays inside it. Typing: the old text
// stays whole, and of the typed text the longest start that fits is kept, with the cursor after it.
// Any text: what is kept is the text before some point at or before the cursor and a run from the
// cursor on; the cursor ends at that point; at most one byte of the limit is left unused.
#include <fuzzer/FuzzedDataProvider.h>

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "check.h"
#include "ui/byte_limit.h"
#include "ui/gbk_text.h"

namespace {

using telvane::GbkLength;
using telvane::TGbkByteLimit;

QString ConsumeText(FuzzedDataProvider& input, bool utf16) {
    const std::string bytes = input.ConsumeRandomLengthString(256);
    if (!utf16) return telvane::FromGbk(bytes);
    QString text(static_cast<qsizetype>(bytes.size() / 2), Qt::Uninitialized);
    std::memcpy(text.data(), bytes.data(), bytes.size() / 2 * 2);
    return text;
}

bool Fits(const QString& text, std::size_t maxBytes) {
    const std::optional<std::size_t> length = GbkLength(text);
    return length && *length <= maxBytes;
}

// text through the code page, one character at a time.
QString Through(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += u'?';
            ++i;
            continue;
        }
        const std::optional<std::string> bytes = telvane::ToGbk(QString(text[i]));
        out += bytes ? telvane::FromGbk(*bytes) : QStringLiteral("?");
    }
    return out;
}

// What the validator is to work on: text as it stands when it is all GBK, else each side of the
// cursor through the code page.
struct Came {
    QString text;
    qsizetype pos;
};
Came CameThrough(const QString& text, qsizetype pos) {
    if (GbkLength(text)) return {text, pos};
    const QString head = Through(text.left(pos));
    return {head + Through(text.mid(pos)), head.size()};
}

// Validates text with the cursor at pos; checks what holds for every change.
void Validate(const TGbkByteLimit& limit, std::size_t maxBytes, QString& text, int& pos) {
    const Came came = CameThrough(text, pos);
    const QValidator::State state = limit.validate(text, pos);
    FUZZ_CHECK(state == QValidator::Acceptable);
    FUZZ_CHECK(Fits(text, maxBytes));
    FUZZ_CHECK(pos >= 0 && pos <= text.size());
    if (Fits(came.text, maxBytes)) FUZZ_CHECK(text == came.text && pos == came.pos);
}

void CheckTyping(const TGbkByteLimit& limit, std::size_t maxBytes, QString old, const QString& typed,
                 std::uint16_t at) {
    while (!Fits(old, maxBytes)) old.chop(1);
    const qsizetype split = at % (old.size() + 1);
    QString text = old.left(split) + typed + old.mid(split);
    int pos = static_cast<int>(split + typed.size());
    // Each part comes through alike: the old text holds no surrogate, so no character spans two parts.
    const bool through = !GbkLength(text);
    const QString left = through ? Through(old.left(split)) : old.left(split);
    const QString added = through ? Through(typed) : typed;
    const QString right = through ? Through(old.mid(split)) : old.mid(split);
    Validate(limit, maxBytes, text, pos);

    const qsizetype kept = text.size() - left.size() - right.size();
    FUZZ_CHECK(kept >= 0 && kept <= added.size());
    FUZZ_CHECK(text == left + added.left(kept) + right);
    FUZZ_CHECK(pos == left.size() + kept);
    if (kept < added.size()) FUZZ_CHECK(!Fits(left + added.left(kept + 1) + right, maxBytes));
}

void CheckAnyText(const TGbkByteLimit& limit, std::size_t maxBytes, const QString& given, std::uint16_t at) {
    QString text = given;
    const int cursor = static_cast<int>(at % (given.size() + 1));
    int pos = cursor;
    const Came came = CameThrough(given, cursor);
    Validate(limit, maxBytes, text, pos);
    if (Fits(came.text, maxBytes)) return;

    FUZZ_CHECK(pos <= came.pos);
    FUZZ_CHECK(text.left(pos) == came.text.left(pos));
    FUZZ_CHECK(came.text.mid(came.pos).startsWith(text.mid(pos)));
    FUZZ_CHECK(*GbkLength(text) + 1 >= maxBytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto flags = input.ConsumeIntegral<std::uint8_t>();
    const auto maxBytes = input.ConsumeIntegralInRange<std::size_t>(0, 40);
    const auto at = input.ConsumeIntegral<std::uint16_t>();
    const QString first = ConsumeText(input, flags & 1);
    const QString second = ConsumeText(input, flags & 2);

    const TGbkByteLimit limit(maxBytes, nullptr);
    CheckTyping(limit, maxBytes, first, second, at);
    CheckAnyText(limit, maxBytes, first + second, at);
    return 0;
}
