// SPDX-License-Identifier: MIT
// The programs as a shell and a desktop start them: options, a missing
// display, ending by a signal with the port left free; and the panel
// against the projector simulator, end to end.
#include "link/devices.h"
#include "simprocess.h"
#include "windowrig.h"

#include <QDir>
#include <QProcess>
#include <QSerialPort>

#include <csignal>
#include <grp.h>
#include <unistd.h>

Q_DECLARE_METATYPE(runo::DeviceAccess)

class TstPrograms : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void options_data();
    void options();
    void outputLost_data();
    void outputLost();
    void endBySignal_data();
    void endBySignal();
    void endToEnd();
    void permissionHint_data();
    void permissionHint();
    void accessHints_data();
    void accessHints();

private:
    QTemporaryDir m_config;
};

void TstPrograms::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    // A remembered COM2 with a NUL in it, as QSettings writes one.
    QVERIFY(QDir(m_config.path()).mkpath("runo-control"));
    QFile remembered(m_config.filePath("runo-control/runo-control.conf"));
    QVERIFY(remembered.open(QIODevice::WriteOnly) && remembered.write("[ports]\nCOM2=/dev/null\\0x\n") > 0);
}

void TstPrograms::options_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // the start of standard output, then of standard error
    QTest::addColumn<QString>("error");
    const QString panel = RUNO_CONTROL_PATH, sim = PROJECTOR_SIM_PATH;
    QTest::newRow("panel --help") << panel << QStringList {"--help"} << 0 << "Usage: runo-control [options]"
                                  << "";
    QTest::newRow("panel --version") << panel << QStringList {"--version"} << 0 << "runo-control 1.40\n"
                                     << "";
    QTest::newRow("panel, unknown option") << panel << QStringList {"--speed", "9600"} << 2 << ""
                                           << "runo-control: Unknown option 'speed'.\nUsage: runo-control";
    QTest::newRow("panel, --com1 alone") << panel << QStringList {"--com1"} << 2 << ""
                                         << "runo-control: Missing value after '--com1'.\nUsage:";
    QTest::newRow("panel, no display") << panel << QStringList {"--com1", "/dev/ttyUSB0"} << 1 << ""
                                       << "runo-control: no display: set DISPLAY or WAYLAND_DISPLAY, or run it from a "
                                          "desktop session\n";
    const QString ctl = RUNOCTL_PATH;
    QTest::newRow("runoctl, remembered NUL") << ctl << QStringList {"--com", "2", "read", "status"} << 3 << ""
                                             << "runoctl: COM2 (/dev/null\\x00x): refused: the remembered choice in "
            + m_config.filePath("runo-control/runo-control.conf") + " names a device";
    QTest::newRow("runoctl, --port with a newline") << ctl << QStringList {"--port", "/dev/null\nx", "read", "status"} << 2 << ""
                                                    << "runoctl: --port names a device with a control character in it: "
                                                       "\"/dev/null\\nx\"\n";
    QTest::newRow("simulator --help") << sim << QStringList {"--help"} << 0 << "Usage: runo-projector-sim [options]"
                                      << "";
    QTest::newRow("simulator --version") << sim << QStringList {"-v"} << 0 << "runo-projector-sim 1.40\n"
                                         << "";
    QTest::newRow("runoctl -v") << ctl << QStringList {"-v"} << 0 << "runoctl 1.40\n"
                                << "";
    QTest::newRow("runoctl --json list")
        << ctl << QStringList {"--json", "list"} << 0
        << "{\"ascii\":null,\"group\":\"POWER\",\"name\":\"POWER ON\",\"repeat_ms\":null,\"reply_ms\":500,\"text\":\"C00\"}\n{"
        << "";
    QTest::newRow("simulator, unknown option") << sim << QStringList {"--bogus"} << 2 << ""
                                               << "runo-projector-sim: Unknown option 'bogus'.\nUsage: runo-projector-sim";
    QTest::newRow("simulator, unsupported speed") << sim << QStringList {"--baud", "1234"} << 2 << ""
                                                  << "runo-projector-sim: unsupported baud rate 1234\n";
    // The line that cannot be opened is a port error, as for runoctl and runo-bridge.
    QTest::newRow("simulator, no such device") << sim << QStringList {"--device", "/nonexistent/ttyS9"} << 3 << ""
                                               << "runo-projector-sim: cannot open /nonexistent/ttyS9: ";
}

// Run with no display at all.
void TstPrograms::options()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, error);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), exitCode);
    QVERIFY2(p.readAllStandardOutput().startsWith(output.toUtf8()), qPrintable(program));
    QVERIFY2(p.readAllStandardError().startsWith(error.toUtf8()), qPrintable(program));
}

void TstPrograms::outputLost_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("error");
    const QString full = ": cannot write the output: No space left on device\n";
    QTest::newRow("panel --version") << RUNO_CONTROL_PATH << "--version"
                                     << "runo-control" + full;
    QTest::newRow("simulator --help") << PROJECTOR_SIM_PATH << "--help"
                                      << "runo-projector-sim" + full;
    QTest::newRow("runoctl list") << RUNOCTL_PATH << "list"
                                  << "runoctl" + full;
    QTest::newRow("bridge --version") << BRIDGE_PATH << "--version"
                                      << "runo-bridge" + full;
}

// Text a caller never got is not a success.
void TstPrograms::outputLost()
{
    QFETCH(QString, program);
    QFETCH(QString, argument);
    QProcess p;
    p.setStandardOutputFile(QStringLiteral("/dev/full"));
    p.start(program, {argument});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 4);
    QTEST(QString::fromUtf8(p.readAllStandardError()), "error");
}

void TstPrograms::endBySignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("portMissing"); // the signal comes while the start-up warning box is up
    QTest::newRow("SIGINT") << SIGINT << false;
    QTest::newRow("SIGTERM") << SIGTERM << false;
    QTest::newRow("SIGHUP") << SIGHUP << false;
    QTest::newRow("SIGTERM, warning box up") << SIGTERM << true;
}

// Ended as END ends it: exit status 0, the port closed and free for the next
// program.
void TstPrograms::endBySignal()
{
    QFETCH(int, signal);
    QFETCH(bool, portMissing);
    Pty pty;
    QProcess panel;
    panel.start(RUNO_CONTROL_PATH, {"-platform", "offscreen", "--com1", portMissing ? "/nonexistent/ttyX9" : pty.path()});
    QVERIFY(panel.waitForStarted());
    const QString fds = QStringLiteral("/proc/%1/fd").arg(panel.processId());
    const auto holdsPort = [&] {
        for (const QFileInfo& fd : QDir(fds).entryInfoList(QDir::System))
            if (fd.symLinkTarget() == pty.path())
                return true;
        return false;
    };
    if (portMissing)
        QTest::qWait(2000); // the box waits for the operator, however long
    else
        QVERIFY(QTest::qWaitFor(holdsPort, 10000));
    ::kill(pid_t(panel.processId()), signal);
    QVERIFY(panel.waitForFinished(10000));
    QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(panel.exitCode(), 0);
    QSerialPort probe(pty.path());
    QVERIFY2(probe.open(QIODevice::ReadWrite), qPrintable(probe.errorString()));
}

// The simulator answers the panel's commands as a projector would.
void TstPrograms::endToEnd()
{
    SimProcess sim;
    const QString path = sim.start({});
    QVERIFY(!path.isEmpty());
    WindowRig rig(false);
    rig.attach(path);
    QVERIFY(rig.show());
    rig.click("Command17");
    QTRY_COMPARE_WITH_TIMEOUT(rig.text("Label12"), QString(" ACK "), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.timer(2).isActive(), 5000);
    rig.click("Command44");
    QTRY_COMPARE_WITH_TIMEOUT(rig.text("Label22"), QString(" Count down"), 5000);
    QTest::mousePress(rig.button("Command1"), Qt::LeftButton);
    QTest::qWait(600);
    QTest::mouseRelease(rig.button("Command1"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(sim.received("C09") >= 3, 5000);
    QCOMPARE(sim.received(), sim.received("C09") + 2);
    QCOMPARE(rig.boxes.texts, QStringList());
}

// A device the user may not open: the reason names its group and the fix.
void TstPrograms::permissionHint_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("groupMode"); // QFile permission bits for the group
    QTest::addColumn<QByteArray>("hint");
    QTest::newRow("dialout, 0660") << "dialout" << int(QFile::ReadGroup | QFile::WriteGroup)
                                   << QByteArray("The device belongs to the group \"dialout\": add yourself to it with\n"
                                                 "    sudo adduser $USER dialout\nthen log out and in again.\n");
    QTest::newRow("root, 0600") << "root" << 0
                                << QByteArray("The device belongs to the user \"root\" and the group \"root\" (mode 0600), "
                                              "which give you no read and write access: ask the machine's administrator "
                                              "for it.\n");
}

void TstPrograms::permissionHint()
{
    QFETCH(QString, group);
    QFETCH(int, groupMode);
    QFETCH(QByteArray, hint);
    if (::geteuid() != 0)
        QSKIP("runs the program as another user, which needs root");
    // The program and the device where any user can reach them: a copy of
    // runoctl, whose build tree may lie in a folder only root may enter.
    QTemporaryDir dir(QDir::tempPath() + "/runo-XXXXXX");
    QVERIFY(QFile::setPermissions(
        dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    const QString program = dir.filePath("runoctl"), device = dir.filePath("ttyUSB0");
    QVERIFY(QFile::copy(RUNOCTL_PATH, program));
    QFile file(device);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(::chown(QFile::encodeName(device).constData(), uid_t(-1), ::getgrnam(qPrintable(group))->gr_gid) == 0);
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::Permissions(groupMode));
    QProcess p;
    p.start("runuser", {"-u", "nobody", "--", program, "--port", device, "read", "status"});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 3);
    QCOMPARE(p.readAllStandardError(), "runoctl: " + QFile::encodeName(device) + ": Permission denied.\n" + hint);
}

void TstPrograms::accessHints_data()
{
    QTest::addColumn<runo::DeviceAccess>("access");
    QTest::addColumn<QString>("hint");
    const QString usb = "ModemManager and brltty can take a USB serial adapter for their own: \"fuser -v /dev/ttyUSB0\" "
                        "names a program holding it, and \"journalctl -b | grep -i -e brltty -e ModemManager\" shows "
                        "whether one took it.";
    using A = runo::DeviceAccess;
    const QString tty = "/dev/ttyUSB0";
    QTest::newRow("dialout, joined since") << A {tty, true, false, true, "root", "dialout", 0660, false, false, true}
                                           << "You joined the group \"dialout\", which may read and write the device, "
                                              "after this session began: log out and in again.";
    const auto owned = [](const QString& who) {
        return "The device belongs to " + who
            + ", which give you no read and write access: ask the machine's administrator for it.";
    };
    QTest::newRow("root:root 0660") << A {tty, true, false, false, "root", "root", 0660, true}
                                    << owned("the user \"root\" and the group \"root\" (mode 0660)");
    QTest::newRow("dialout, 0640") << A {tty, true, false, false, "uucp", "dialout", 020640}
                                   << owned("the user \"uucp\" and the group \"dialout\" (mode 0640)");
    QTest::newRow("USB adapter, taken") << A {tty, true, true, true, {}, {}} << usb;
    QTest::newRow("USB adapter, gone") << A {tty, false, false, true, {}, {}} << usb;
    QTest::newRow("pseudo-terminal, gone") << A {"/dev/pts/9", false, false, false, {}, {}} << "";
}

void TstPrograms::accessHints()
{
    QFETCH(runo::DeviceAccess, access);
    QFETCH(QString, hint);
    QCOMPARE(runo::accessHint(access), hint);
}

QTEST_MAIN(TstPrograms)
#include "tst_programs.moc"
