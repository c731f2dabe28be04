// SPDX-License-Identifier: MIT
#pragma once

#include "TemplateExpansion.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <vector>

// The fault report's template language (TemplateExpansion.h) for QByteArray,
// and the text encoding of the values it inserts. No widgets, no files: a
// template and the values in, the report's bytes out.
namespace faultreport {

// One placeholder: its keyword and the bytes that replace it (HTML, ready to
// go into the file; inserted texts pass through htmlText first).
struct Placeholder
{
    QByteArray keyword;
    QByteArray replacement;
};

// Expands `source` as expandTemplateText does.
QByteArray expandTemplate(QByteArrayView source, const std::vector<Placeholder>& placeholders);

// A text for the report as plain ASCII: '&', '<', '>' and '"' as entities,
// every character beyond ASCII as a numeric character reference ("&#322;"),
// so the report shows the same letters whatever code page its reader assumes
// and no inserted text can add markup. Control characters other than tab, CR
// and LF are left out.
QByteArray htmlText(QStringView text);

} // namespace faultreport
