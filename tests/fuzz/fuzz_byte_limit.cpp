// The byte limit of the criteria edits, TGbkByteLimit::validate, in two situations drawn from the
// input: typing or pasting into an edit whose text fits, as QLineEdit hands it over (the whole new
// text, the cursor just after the change), and any text with any cursor, as code may set it. Texts
// come from the input as GBK bytes (decoded, so mostly characters GBK holds) or as UTF-16 code units.
//
// Always: a text with a character GBK cannot hold is refused and left alone; otherwise it is
// accepted, within the limit, still all GBK, and left alone when it fitted; the cursor stays inside
// it. Typing: the old text stays whole, and of the typed text the longest start that fits is kept,
// with the cursor after it. Any text: what is kept is the text before some point at or before the
// cursor and a run from the cursor on; the cursor ends at that point; at most one byte of the limit
// is left unused.
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

// Validates text with the cursor at pos; checks what holds for every change and returns whether the
// text was accepted.
bool Validate(const TGbkByteLimit& limit, std::size_t maxBytes, QString& text, int& pos) {
    const QString before = text;
    const int posBefore = pos;
    const std::optional<std::size_t> length = GbkLength(text);
    const QValidator::State state = limit.validate(text, pos);
    if (!length) {
        FUZZ_CHECK(state == QValidator::Invalid);
        FUZZ_CHECK(text == before && pos == posBefore);
        return false;
    }
    FUZZ_CHECK(state == QValidator::Acceptable);
    FUZZ_CHECK(Fits(text, maxBytes));
    FUZZ_CHECK(pos >= 0 && pos <= text.size());
    if (*length <= maxBytes) FUZZ_CHECK(text == before && pos == posBefore);
    return true;
}

void CheckTyping(const TGbkByteLimit& limit, std::size_t maxBytes, QString old, const QString& typed,
                 std::uint16_t at) {
    while (!Fits(old, maxBytes)) old.chop(1);
    const qsizetype split = at % (old.size() + 1);
    QString text = old.left(split) + typed + old.mid(split);
    int pos = static_cast<int>(split + typed.size());
    if (!Validate(limit, maxBytes, text, pos)) return;

    const qsizetype kept = text.size() - old.size();
    FUZZ_CHECK(kept >= 0 && kept <= typed.size());
    FUZZ_CHECK(text == old.left(split) + typed.left(kept) + old.mid(split));
    FUZZ_CHECK(pos == split + kept);
    if (kept < typed.size())
        FUZZ_CHECK(!Fits(old.left(split) + typed.left(kept + 1) + old.mid(split), maxBytes));
}

void CheckAnyText(const TGbkByteLimit& limit, std::size_t maxBytes, const QString& given, std::uint16_t at) {
    QString text = given;
    const int cursor = static_cast<int>(at % (given.size() + 1));
    int pos = cursor;
    if (!Validate(limit, maxBytes, text, pos) || Fits(given, maxBytes)) return;

    FUZZ_CHECK(pos <= cursor);
    FUZZ_CHECK(text.left(pos) == given.left(pos));
    FUZZ_CHECK(given.mid(cursor).startsWith(text.mid(pos)));
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
