// SPDX-License-Identifier: MIT
#include "ReportTemplate.h"

#include <QList>

namespace faultreport {

namespace {

bool startsWithKeyword(const QByteArray& name, const QByteArray& keyword)
{
    return name.size() >= keyword.size()
           && QByteArrayView(name).first(keyword.size()).compare(keyword, Qt::CaseInsensitive) == 0;
}

QByteArray replacementFor(const QByteArray& name, const std::vector<Placeholder>& placeholders)
{
    for (const Placeholder& p : placeholders)
        if (startsWithKeyword(name, p.keyword))
            return p.replacement;
    return {};
}

} // namespace

QByteArray expandTemplate(QByteArrayView source, const std::vector<Placeholder>& placeholders)
{
    QByteArray out;
    out.reserve(source.size());
    QByteArray name;
    bool insideName = false;
    for (qsizetype i = 0; i < source.size(); ++i) {
        const char c = source[i];
        if (c == '%' && i + 1 < source.size() && source[i + 1] == '%') {
            if (insideName)
                out += replacementFor(name, placeholders);
            insideName = !insideName;
            name.clear();
            ++i;
        } else if (insideName && name.size() < maxPlaceholderName) {
            name += c;
        } else {
            insideName = false;
            name.clear();
            out += c;
        }
    }
    return out;
}

QByteArray htmlText(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        switch (c) {
        case '&': out += "&amp;"; continue;
        case '<': out += "&lt;"; continue;
        case '>': out += "&gt;"; continue;
        case '"': out += "&quot;"; continue;
        case '\t': case '\r': case '\n': out += char(c); continue;
        default: break;
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
