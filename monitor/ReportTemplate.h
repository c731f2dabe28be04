// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <vector>

// The fault report's template language: a name between two pairs of percent
// signs ("%%CURRENT_DATE%%") is replaced by its value; everything else is
// copied byte for byte. No widgets, no files: a template and the values in,
// the report's bytes out.
namespace faultreport {

// One placeholder: its keyword and the bytes that replace it (HTML, ready to
// go into the file; inserted texts pass through htmlText first).
struct Placeholder
{
    QByteArray keyword;
    QByteArray replacement;
};

// The longest name collected between the percent pairs.
inline constexpr int maxPlaceholderName = 50;

// Expands `source`. A name matches the first keyword, in list order, that it
// begins with, letter case ignored; an unknown name disappears. A name that
// grows past 50 bytes without its closing pair is dropped with those 50 bytes,
// and the bytes after them are copied; a name still open at the end is
// dropped. A lone '%' is copied.
QByteArray expandTemplate(QByteArrayView source, const std::vector<Placeholder>& placeholders);

// A text for the report as plain ASCII: '&', '<', '>' and '"' as entities,
// every character beyond ASCII as a numeric character reference ("&#322;"),
// so the report shows the same letters whatever code page its reader assumes
// and no inserted text can add markup. Control characters other than tab, CR
// and LF are left out.
QByteArray htmlText(QStringView text);

} // namespace faultreport
