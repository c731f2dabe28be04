// SPDX-License-Identifier: MIT
// Reads the rows of a written fault report back as cell texts, so tests
// compare what the reader sees, entities decoded.
#pragma once

#include <QList>
#include <QRegularExpression>
#include <QStringList>

namespace reporttest {

// The text an HTML cell stands for: character references and the four
// entities decoded, spaces kept as they are.
inline QString cellText(const QString& html)
{
    static const QRegularExpression reference(QStringLiteral("&(#[0-9]+|amp|lt|gt|quot);"));
    QString text;
    qsizetype from = 0;
    for (const auto& m : reference.globalMatch(html)) {
        text += html.mid(from, m.capturedStart() - from);
        const QString name = m.captured(1);
        if (name.startsWith(QLatin1Char('#'))) {
            const char32_t c = name.mid(1).toUInt();
            text += QString::fromUcs4(&c, 1);
        } else {
            text += name == QLatin1String("amp")  ? QStringLiteral("&")
                    : name == QLatin1String("lt") ? QStringLiteral("<")
                    : name == QLatin1String("gt") ? QStringLiteral(">")
                                                  : QStringLiteral("\"");
        }
        from = m.capturedEnd();
    }
    return text + html.mid(from);
}

// Every data row (not the heading rows) of the HTML, top to bottom: the five
// filled cells #, name, time, value, code.
inline QList<QStringList> dataRows(const QByteArray& html)
{
    static const QRegularExpression row(QStringLiteral("<tr style=\"background-color: #8080FF\">(.*?)</tr>"),
                                        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression cell(QStringLiteral("<td[^>]*>(.*?)</td>"),
                                         QRegularExpression::DotMatchesEverythingOption);
    QList<QStringList> rows;
    for (const auto& r : row.globalMatch(QString::fromLatin1(html))) {
        QStringList cells;
        for (const auto& c : cell.globalMatch(r.captured(1)))
            if (const QString text = c.captured(1); !text.isEmpty())
                cells << cellText(text);
        rows << cells;
    }
    return rows;
}

// The part of the report between the n-th table's heading and its end (0 relay, 1 panel).
inline QByteArray table(const QByteArray& html, int n)
{
    qsizetype from = 0;
    for (int i = 0; i <= n; ++i)
        from = html.indexOf("<table", from) + 1;
    return html.mid(from, html.indexOf("</table>", from) - from);
}

} // namespace reporttest
