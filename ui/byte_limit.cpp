#include "ui/byte_limit.h"

#include <optional>

#include "ui/gbk_text.h"

namespace telvane {

namespace {

std::size_t CharBytes(QChar c) {
    if (c.unicode() < 0x80) return 1;
    return GbkLength(QString(c)).value_or(2);
}

}  // namespace

TGbkByteLimit::TGbkByteLimit(std::size_t maxBytes, QObject* parent)
    : QValidator(parent), maxBytes_(maxBytes) {}

TGbkByteLimit::~TGbkByteLimit() = default;

QValidator::State TGbkByteLimit::validate(QString& input, int& pos) const {
    // Qt calls this from inside its key and paste handling, where nothing may be thrown: a change
    // that cannot be checked (out of memory) is refused.
    try {
        return Limit(input, pos);
    } catch (...) {
        return Invalid;
    }
}

QValidator::State TGbkByteLimit::Limit(QString& input, int& pos) const {
    std::optional<std::size_t> length = GbkLength(input);
    if (!length) {
        // Both sides of the cursor come through the code page, so the cursor stays after the change.
        const qsizetype cursor = qBound(qsizetype{0}, qsizetype{pos}, input.size());
        const QString head = ThroughGbk(input.left(cursor));
        input = head + ThroughGbk(input.mid(cursor));
        pos = static_cast<int>(head.size());
        length = GbkLength(input);
        if (!length) return Invalid;
    }
    if (*length <= maxBytes_) return Acceptable;

    // QLineEdit hands over the whole text with the cursor just after what was typed or pasted, and the
    // text before the change fitted. Dropping characters just before the cursor therefore drops the
    // tail of the new text, never text that was already there.
    const std::size_t excess = *length - maxBytes_;
    std::size_t dropped = 0;
    const qsizetype cursor = qBound(qsizetype{0}, qsizetype{pos}, input.size());
    qsizetype keep = cursor;
    while (dropped < excess && keep > 0) dropped += CharBytes(input[--keep]);
    input.remove(keep, cursor - keep);
    pos = static_cast<int>(keep);

    // Text set from code need not have fitted before; its end goes.
    qsizetype end = input.size();
    while (dropped < excess && end > 0) dropped += CharBytes(input[--end]);
    input.truncate(end);
    return Acceptable;
}

}  // namespace telvane
