// SPDX-License-Identifier: MIT
#include "SettingsFields.h"

#include <QStringList>

DigitsValidator::DigitsValidator(quint64 maximum, QObject* parent) : QValidator(parent), m_maximum(maximum) {}

QValidator::State DigitsValidator::validate(QString& input, int&) const
{
    if (input.isEmpty())
        return Intermediate;
    return ParseDigits(input, m_maximum) ? Acceptable : Invalid;
}

std::optional<quint64> ParseDigits(const QString& text, quint64 maximum)
{
    if (text.isEmpty() || text.size() > 20)
        return std::nullopt;
    quint64 value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > maximum)
            return std::nullopt;
    }
    return value;
}

QString Ipv4Text(uint32_t address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

std::optional<uint32_t> ParseIpv4(const QString& text)
{
    const QStringList parts = text.split(u'.');
    if (parts.size() > 4)
        return std::nullopt;
    uint32_t address = 0;
    for (int i = 0; i < 4; ++i) {
        quint64 octet = 0;
        if (i < parts.size() && !parts[i].isEmpty()) {
            const auto value = ParseDigits(parts[i], 255);
            if (!value || parts[i].size() > 3)
                return std::nullopt;
            octet = *value;
        }
        address = address << 8 | uint32_t(octet);
    }
    return address;
}

QValidator::State Ipv4Validator::validate(QString& input, int&) const
{
    if (!ParseIpv4(input))
        return Invalid;
    const QStringList parts = input.split(u'.');
    if (parts.size() == 4 && !parts.contains(QString()))
        return Acceptable;
    return Intermediate;
}

void Ipv4Validator::fixup(QString& input) const
{
    if (const auto address = ParseIpv4(input))
        input = Ipv4Text(*address);
}
