// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QValidator>
#include <cstdint>
#include <optional>

// Text forms of the settings window's typed fields.

// Digits only, at most `maximum` (the field's unsigned or signed 32-bit
// range); an empty field is Intermediate, so the operator can retype it.
class DigitsValidator : public QValidator
{
public:
    explicit DigitsValidator(quint64 maximum, QObject* parent = nullptr);
    State validate(QString& input, int& pos) const override;

private:
    quint64 m_maximum;
};

// The value of a digits-only field; nothing when it is empty or too large.
std::optional<quint64> ParseDigits(const QString& text, quint64 maximum);

// Dotted IPv4 text of the record's dwIpAddress (first octet in the most
// significant byte): 0x7F000001 is "127.0.0.1".
QString Ipv4Text(uint32_t address);

// The address of dotted text with up to four octets 0-255. Missing or empty
// octets count as 0 ("10.1" is 10.1.0.0), as an address field with blank
// parts means; nothing when an octet is out of range or not a number.
std::optional<uint32_t> ParseIpv4(const QString& text);

// Lets through only what can still become a dotted address, and completes a
// partial one with zero octets when the field is left.
class Ipv4Validator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
};
