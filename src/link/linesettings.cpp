// SPDX-License-Identifier: MIT
#include "link/linesettings.h"

#include <QCoreApplication>
#include <QStringList>

namespace runo {

namespace {

constexpr int kMinBaud = 50;
constexpr int kMaxBaud = 4'000'000;

std::optional<LineSettings> refuse(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return std::nullopt;
}

} // namespace

std::optional<LineSettings> parseLineSettings(const QString& text, QString* error)
{
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4)
        return refuse(error,
            QCoreApplication::translate("runo-link", "Invalid line settings \"%1\": expected baud,parity,data bits,stop bits")
                .arg(text));

    LineSettings s;
    bool ok = false;
    const QString baud = fields[0].trimmed();
    s.baud = baud.toInt(&ok);
    if (!ok || s.baud < kMinBaud || s.baud > kMaxBaud)
        return refuse(error, QCoreApplication::translate("runo-link", "Invalid baud rate \"%1\"").arg(baud));

    const QString parity = fields[1].trimmed().toUpper();
    if (parity == QLatin1String("N"))
        s.parity = LineSettings::Parity::None;
    else if (parity == QLatin1String("E"))
        s.parity = LineSettings::Parity::Even;
    else if (parity == QLatin1String("O"))
        s.parity = LineSettings::Parity::Odd;
    else if (parity == QLatin1String("M"))
        s.parity = LineSettings::Parity::Mark;
    else if (parity == QLatin1String("S"))
        s.parity = LineSettings::Parity::Space;
    else
        return refuse(error,
            QCoreApplication::translate("runo-link", "Invalid parity \"%1\": expected N, E, O, M or S").arg(fields[1].trimmed()));

    const QString bits = fields[2].trimmed();
    s.dataBits = bits.toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8)
        return refuse(error, QCoreApplication::translate("runo-link", "Invalid data bits \"%1\": expected 5 to 8").arg(bits));

    const QString stop = fields[3].trimmed();
    if (stop == QLatin1String("1"))
        s.stopBits = LineSettings::StopBits::One;
    else if (stop == QLatin1String("1.5"))
        s.stopBits = LineSettings::StopBits::OneAndHalf;
    else if (stop == QLatin1String("2"))
        s.stopBits = LineSettings::StopBits::Two;
    else
        return refuse(
            error, QCoreApplication::translate("runo-link", "Invalid stop bits \"%1\": expected 1, 1.5 or 2").arg(stop));

    return s;
}

} // namespace runo
