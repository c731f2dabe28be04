// SPDX-License-Identifier: MIT
#include "LiveTexts.h"

#include <QDateTime>
#include <array>

namespace livetexts {

namespace {
QString tenths(const char* format, int32_t value)
{
    return QString::asprintf(format, static_cast<double>(static_cast<float>(value) / 10.0f));
}

struct PowerChoice
{
    const char16_t* name;
    int slot;
    const char* format;
    float divisor;
};

constexpr std::array<PowerChoice, powerChoiceCount> powerChoices{{
    {u"Energia mocy całkowitej", 50, "%.1f kVA/h", 10.0f},
    {u"Energia mocy czynnej", 51, "%.1f kW/h", 10.0f},
    {u"Energia mocy biernej", 52, "%.1f kVAr/h", 10.0f},
    {u"Moc całkowita", 30, "%.2f kVA", 100.0f},
    {u"Moc czynna", 31, "%.2f kW", 100.0f},
    {u"Moc bierna", 32, "%.2f kVAr", 100.0f},
    {u"Faza 1 Moc całkowita", 41, "%.2f kVA", 100.0f},
    {u"Faza 2 Moc całkowita", 42, "%.2f kVA", 100.0f},
    {u"Faza 3 Moc całkowita", 43, "%.2f kVA", 100.0f},
    {u"Faza 1 Moc czynna", 44, "%.2f kW", 100.0f},
    {u"Faza 2 Moc czynna", 45, "%.2f kW", 100.0f},
    {u"Faza 3 Moc czynna", 46, "%.2f kW", 100.0f},
    {u"Faza 1 Moc bierna", 47, "%.2f kVAr", 100.0f},
    {u"Faza 2 Moc bierna", 48, "%.2f kVAr", 100.0f},
    {u"Faza 3 Moc bierna", 49, "%.2f kVAr", 100.0f},
    {u"Faza 1 Cosinus fi", 33, "%.2f", 1000.0f},
    {u"Faza 2 Cosinus fi", 34, "%.2f", 1000.0f},
    {u"Faza 3 Cosinus fi", 35, "%.2f", 1000.0f},
}};

bool validChoice(int choice)
{
    return choice >= 0 && choice < powerChoiceCount;
}
} // namespace

QString currentText(int32_t v)
{
    return tenths("%.1f \u0410", v);
}
QString voltageText(int32_t v)
{
    return QString::asprintf("%d V", v);
}
QString secondsText(int32_t v)
{
    return QString::asprintf("%d s", v);
}
QString insulationText(int32_t v)
{
    return tenths("%.1f M\u03A9", v);
}
QString frequencyText(int32_t v)
{
    return tenths("%.1f Hz", v);
}
QString currentInputText(int32_t v)
{
    return tenths("%.1f m\u0410", v);
}
QString voltageInputText(int32_t v)
{
    return tenths("%.1f V", v);
}
QString heatingText(int32_t v)
{
    return QString::asprintf("%d%%", v);
}

QString restartCountdownText(int32_t v)
{
    return v < 900 ? secondsText(v) : QStringLiteral("Nie");
}
int32_t restartCountdownLevel(int32_t v)
{
    return v < 900 ? v : 0;
}
QString overloadTripText(int32_t v)
{
    return v > 600 ? QStringLiteral("Nie") : secondsText(v);
}
QString afterOverloadText(int32_t v)
{
    return v > 900 ? QStringLiteral("Nie") : secondsText(v);
}

QString powerChoiceName(int choice)
{
    return validChoice(choice) ? QString::fromUtf16(powerChoices[choice].name) : QString();
}

int powerChoiceSlot(int choice)
{
    return validChoice(choice) ? powerChoices[choice].slot : -1;
}

bool isEnergyChoice(int choice)
{
    return choice >= 0 && choice <= 2;
}

QString powerText(int choice, int32_t value)
{
    if (!validChoice(choice))
        return {};
    const PowerChoice& c = powerChoices[choice];
    // The energy counters pass 2^24 tenths within a year or two of running,
    // where a float loses their last digit; a double holds every 32-bit count.
    if (isEnergyChoice(choice))
        return QString::asprintf(c.format, static_cast<double>(value) / c.divisor);
    return QString::asprintf(c.format, static_cast<double>(static_cast<float>(value) / c.divisor));
}

QString pcClockText(const QDateTime& now)
{
    return now.toString(QStringLiteral("HH : mm : ss\r\ndd.MM.yyyy"));
}

QString connectionTimeText(int64_t seconds)
{
    const int64_t inDay = ((seconds % 86400) + 86400) % 86400;
    return QString::asprintf("%.2d : %.2d : %.2d", int(inDay / 3600), int(inDay / 60 % 60), int(inDay % 60));
}

QString throughputText(float paramsPerSecond)
{
    return QString::asprintf("%.2fpar./s", static_cast<double>(paramsPerSecond));
}

QString lineSpeedText(int32_t baudRateIndex)
{
    return baudRateIndex == 1 ? QStringLiteral("19200 bit/s") : QStringLiteral("9600 bit/s");
}

QString heatingTooltipText(int graphHeight, int pointerY)
{
    const int usable = graphHeight - 30;
    if (usable <= 0)
        return {};
    const int d = graphHeight - pointerY + 4;
    return QString::asprintf("Grzanie: - %d%%", d * 100 / usable);
}

} // namespace livetexts
