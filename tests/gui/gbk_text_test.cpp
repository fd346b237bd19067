// The GBK boundary: decoding the data file's bytes for display and encoding typed text back.
#include <QTest>
#include <optional>
#include <string>

#include "ui/gbk_text.h"

Q_DECLARE_METATYPE(std::string)

class GbkTextTest : public QObject {
    Q_OBJECT

private slots:
    void fromGbk_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("digits") << QByteArray("010-100010") << QStringLiteral("010-100010");
        QTest::newRow("chinese") << QByteArray("\xB1\xB1\xBE\xA9") << QStringLiteral("北京");
        QTest::newRow("mixed") << QByteArray(
                                      "a\xB1\xB1"
                                      "1")
                               << QStringLiteral("a北1");
        QTest::newRow("euro as in 936") << QByteArray("\x80") << QStringLiteral("€");
        QTest::newRow("0xFF") << QByteArray(
                                     "a\xFF"
                                     "b")
                              << QStringLiteral("a\uFFFDb");
        QTest::newRow("lead byte at the end") << QByteArray("\xB1\xB1\xBE") << QStringLiteral("北\uFFFD");
        QTest::newRow("lead byte before ASCII") << QByteArray(
                                                       "\xB1\x31"
                                                       "2")
                                                << QStringLiteral("\uFFFD12");
        QTest::newRow("stray trail byte") << QByteArray("\xA1") << QStringLiteral("\uFFFD");
        QTest::newRow("unassigned pair") << QByteArray(
                                                "\xAA\xA1"
                                                "x")
                                         << QStringLiteral("\uFFFD\uFFFDx");
        QTest::newRow("NUL kept") << QByteArray("a\0b", 3) << QString::fromUtf16(u"a\0b", 3);
        QTest::newRow("NUL among chinese") << QByteArray("\xB1\xB1\0", 3) << QString::fromUtf16(u"北\0", 2);
    }

    void fromGbk() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(
            telvane::FromGbk(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))),
            text);
    }

    void toGbk_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("encodable");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QString() << true << QByteArray();
        QTest::newRow("digits and blanks") << QStringLiteral(" 010 ") << true << QByteArray(" 010 ");
        QTest::newRow("chinese") << QStringLiteral("北京") << true << QByteArray("\xB1\xB1\xBE\xA9");
        QTest::newRow("full-width digits")
            << QStringLiteral("０１") << true << QByteArray("\xA3\xB0\xA3\xB1");
        QTest::newRow("euro") << QStringLiteral("€") << true << QByteArray("\x80");
        QTest::newRow("thai") << QStringLiteral("1ก") << false << QByteArray();
        QTest::newRow("beyond the BMP") << QStringLiteral("1😀") << false << QByteArray();
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << false << QByteArray();
    }

    void toGbk() {
        QFETCH(QString, text);
        QFETCH(bool, encodable);
        QFETCH(QByteArray, bytes);
        const std::optional<std::string> encoded = telvane::ToGbk(text);
        QCOMPARE(encoded.has_value(), encodable);
        QCOMPARE(telvane::GbkLength(text).has_value(), encodable);
        if (!encodable) return;
        QCOMPARE(QByteArray::fromStdString(*encoded), bytes);
        QCOMPARE(*telvane::GbkLength(text), static_cast<std::size_t>(bytes.size()));
        QCOMPARE(telvane::FromGbk(*encoded), text);
    }

    void throughGbk_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("through");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("GBK's own") << QStringLiteral("0北京€") << QStringLiteral("0北京€");
        QTest::newRow("a Korean letter") << QStringLiteral("한1") << QStringLiteral("?1");
        QTest::newRow("beyond the BMP, one '?' a character")
            << QStringLiteral("1😀😀") << QStringLiteral("1??");
        QTest::newRow("lone surrogates")
            << QString(QChar(0xDC00)) + u'a' + QChar(0xD800) << QStringLiteral("?a?");
    }

    // Each character GBK cannot hold comes through as one '?'; the others come through as they were.
    void throughGbk() {
        QFETCH(QString, text);
        QFETCH(QString, through);
        QCOMPARE(telvane::ThroughGbk(text), through);
        QVERIFY(telvane::ToGbk(through).has_value());
    }
};

QTEST_MAIN(GbkTextTest)
#include "gbk_text_test.moc"
