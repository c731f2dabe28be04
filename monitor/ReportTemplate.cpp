// SPDX-License-Identifier: MIT
#include "ReportTemplate.h"

#include <QList>

namespace faultreport {

QByteArray expandTemplate(QByteArrayView source, const std::vector<Placeholder>& placeholders)
{
    std::vector<TemplateValue> values;
    values.reserve(placeholders.size());
    for (const Placeholder& p : placeholders)
        values.push_back({std::string_view(p.keyword.data(), std::size_t(p.keyword.size())),
                          std::string_view(p.replacement.data(), std::size_t(p.replacement.size()))});
    const std::string out =
        expandTemplateText(std::string_view(source.data(), std::size_t(source.size())), values);
    return QByteArray(out.data(), qsizetype(out.size()));
}

QByteArray htmlText(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        switch (c) {
        case '&':
            out += "&amp;";
            continue;
        case '<':
            out += "&lt;";
            continue;
        case '>':
            out += "&gt;";
            continue;
        case '"':
            out += "&quot;";
            continue;
        case '\t':
        case '\r':
        case '\n':
            out += char(c);
            continue;
        default:
            break;
        }
        if (c < 0x20 || c == 0x7F)
            continue;
        if (c < 0x80)
            out += char(c);
        else
            out += "&#" + QByteArray::number(uint(c)) + ';';
    }
    return out;
}

} // namespace faultreport
