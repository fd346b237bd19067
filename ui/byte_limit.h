// A length limit in GBK bytes for a line edit, the way an edit of a code-page-936 program limits its
// typed text: a Chinese character takes two bytes of the limit.
#pragma once

#include <QValidator>
#include <cstddef>

namespace telvane {

// Keeps a QLineEdit's text within maxBytes GBK bytes and within GBK's repertoire:
// - text comes through the code page (ThroughGbk): each character GBK cannot hold, typed or pasted,
//   becomes one '?' and counts as one byte;
// - a change that would be too long keeps the part of the new text before the cursor that fits, so
//   typing at the limit adds nothing and a paste is cut to what fits (a double-byte character that
//   would straddle the limit is left out whole).
class TGbkByteLimit : public QValidator {
    Q_OBJECT

public:
    TGbkByteLimit(std::size_t maxBytes, QObject* parent);
    ~TGbkByteLimit() override;

    State validate(QString& input, int& pos) const override;

private:
    State Limit(QString& input, int& pos) const;

    std::size_t maxBytes_;
};

}  // namespace telvane
