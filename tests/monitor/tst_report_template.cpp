// SPDX-License-Identifier: MIT
// The report's template language and its text encoding, without a relay or
// a window: a golden file for the expansion rules, tables for the encoding.

#include "ReportTemplate.h"

#include <QFile>
#include <QtTest>

using namespace faultreport;

class TestReportTemplate : public QObject
{
    Q_OBJECT

private slots:
    void expansionMatchesGoldenFile();
    void keywordOrderDecidesPrefixMatches();
    void edgesOfTheTemplate_data();
    void edgesOfTheTemplate();
    void htmlText_data();
    void htmlText();
};

namespace {

QByteArray fixture(const QString& name)
{
    QFile file(QStringLiteral(ZRQ7_FIXTURES "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return file.readAll();
}

const std::vector<Placeholder> placeholders{
    {"CURRENT_DATE", "1.2.2026"},
    {"DEVICE_NAME", faultreport::htmlText(u"\"A<b>&ł\"")},
};

} // namespace

void TestReportTemplate::expansionMatchesGoldenFile()
{
    // Lower-case and longer names, unknown and too short names, a lone '%', a
    // name that never closes within 50 bytes, and one still open at the end.
    QCOMPARE(expandTemplate(fixture(QStringLiteral("expansion.tmpl")), placeholders),
             fixture(QStringLiteral("expansion.expected")));
}

void TestReportTemplate::keywordOrderDecidesPrefixMatches()
{
    // "ABC_LONGER" begins with "ABC": the first keyword in the list wins.
    const std::vector<Placeholder> ordered{{"ABC", "short"}, {"ABC_LONGER", "long"}};
    QCOMPARE(expandTemplate("%%abc_longer%%", ordered), QByteArray("short"));
    const std::vector<Placeholder> reversed{{"ABC_LONGER", "long"}, {"ABC", "short"}};
    QCOMPARE(expandTemplate("%%abc_longer%%", reversed), QByteArray("long"));
}

void TestReportTemplate::edgesOfTheTemplate_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("lone % at the end") << QByteArray("a%") << QByteArray("a%");
    QTest::newRow("empty name") << QByteArray("a%%%%b") << QByteArray("ab");
    QTest::newRow("three % open a name") << QByteArray("x%%%DEVICE_NAME%%y") << QByteArray("xy");
    QTest::newRow("exactly 50 bytes still close")
        << QByteArray("%%" + QByteArray(50, 'z') + "%%!") << QByteArray("!");
    QTest::newRow("51st byte ends the name") << QByteArray("%%" + QByteArray(51, 'z') + "%%!")
                                             << QByteArray("z"); // then "%%!" opens a name left open
    QTest::newRow("bytes beyond ASCII are copied") << QByteArray("\xc5\x82%%current_date%%\xff")
                                                   << QByteArray("\xc5\x82"
                                                                 "1.2.2026\xff");
}

void TestReportTemplate::edgesOfTheTemplate()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, expected);
    QCOMPARE(expandTemplate(source, placeholders), expected);
}

void TestReportTemplate::htmlText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("ascii") << QStringLiteral("Imax 234.5 A") << QByteArray("Imax 234.5 A");
    QTest::newRow("polish") << QStringLiteral("Zabezpieczenie nadprądowe łżŁŻ")
                            << QByteArray("Zabezpieczenie nadpr&#261;dowe &#322;&#380;&#321;&#379;");
    QTest::newRow("degree and Cyrillic Es") << QStringLiteral("85 °С") << QByteArray("85 &#176;&#1057;");
    QTest::newRow("omega") << QStringLiteral("2.5 MΩ") << QByteArray("2.5 M&#937;");
    QTest::newRow("outside the BMP") << QString::fromUcs4(U"\U0001F600") << QByteArray("&#128512;");
    QTest::newRow("markup") << QStringLiteral("<script>a&b</script>\"")
                            << QByteArray("&lt;script&gt;a&amp;b&lt;/script&gt;&quot;");
    QTest::newRow("percent pairs stay text")
        << QStringLiteral("%%EVENT_TABLE_DATA%%") << QByteArray("%%EVENT_TABLE_DATA%%");
    QTest::newRow("control characters go") << QStringLiteral("a\x01\x7f"
                                                             "b\r\n")
                                           << QByteArray("ab\r\n");
}

void TestReportTemplate::htmlText()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(faultreport::htmlText(text), expected);
}

QTEST_GUILESS_MAIN(TestReportTemplate)
#include "tst_report_template.moc"
