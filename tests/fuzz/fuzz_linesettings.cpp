// SPDX-License-Identifier: MIT
// Fuzz target for the settings string of the port layer: the parser itself,
// and SerialComm::setSettings on a closed port and on a port open on a
// pseudo-terminal, where accepted settings reach the terminal driver.
//
// Input: byte 0 chooses how the rest becomes text (UTF-8, Latin-1 or UTF-16);
// the rest is the settings string.
#include "fuzzcheck.h"
#include "link/linesettings.h"
#include "link/portmap.h"
#include "link/serialcomm.h"
#include "ptypair.h"

#include <QCoreApplication>

#include <cstdint>

using namespace runo;

namespace {

Pty* pty = nullptr;
PortMap* ports = nullptr;
SerialComm* openPort = nullptr;

QString text(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return QString();
    const auto* chars = reinterpret_cast<const char*>(data);
    switch (data[0] % 3) {
    case 0: return QString::fromUtf8(chars + 1, qsizetype(size) - 1);
    case 1: return QString::fromLatin1(chars + 1, qsizetype(size) - 1);
    default: return QString::fromUtf16(reinterpret_cast<const char16_t*>(chars + 1), qsizetype(size - 1) / 2);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static int argc = 1;
    static char name[] = "fuzz_linesettings";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv); // lives to the end
    (void)app;
    pty = new Pty;
    FUZZ_CHECK(pty->isValid());
    ports = new PortMap;
    ports->choose(1, pty->path());
    openPort = new SerialComm(ports);
    FUZZ_CHECK(openPort->setSettings(QStringLiteral("19200,N,8,1")) && openPort->setPortOpen(true));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString settings = text(data, size);

    QString reason;
    const auto parsed = parseLineSettings(settings, &reason);
    if (parsed) {
        FUZZ_CHECK(parsed->baud >= 50 && parsed->baud <= 4'000'000);
        FUZZ_CHECK(parsed->dataBits >= 5 && parsed->dataBits <= 8);
    } else {
        FUZZ_CHECK(reason.startsWith(QLatin1String("Invalid")));
    }

    // A closed port takes exactly what parses and reports the rest, naming
    // the device; a refused string leaves the settings as they were.
    SerialComm closed(ports);
    const QString stored = closed.settings();
    const bool taken = closed.setSettings(settings);
    FUZZ_CHECK(taken == parsed.has_value());
    FUZZ_CHECK(closed.settings() == (taken ? settings : stored));
    if (!taken)
        FUZZ_CHECK(closed.errorString() == QStringLiteral("COM1 (%1): %2").arg(pty->path(), reason));

    // On the open port the driver may still refuse a speed; the port stays
    // open and keeps working either way.
    const QString before = openPort->settings();
    const bool applied = openPort->setSettings(settings);
    if (!parsed)
        FUZZ_CHECK(!applied && openPort->settings() == before);
    if (!applied)
        FUZZ_CHECK(openPort->errorString().startsWith(QStringLiteral("COM1 (%1): ").arg(pty->path())));
    FUZZ_CHECK(openPort->portOpen());
    FUZZ_CHECK(openPort->output(QByteArrayLiteral("C00\r")));
    QCoreApplication::processEvents(); // lets the port hand the bytes over
    pty->readAvailable();
    return 0;
}
