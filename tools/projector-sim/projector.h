// SPDX-License-Identifier: MIT
// Simulated projector: the command interpreter behind projector-sim.
//
// The model is driven by complete command lines (without their CR) and by a
// clock the caller passes in, so it can be exercised without real time
// passing. Power transitions (count-down after "C00", cooling after "C01")
// are evaluated lazily against that clock.
#pragma once

#include <QByteArray>
#include <QtGlobal>

class Projector {
public:
    enum class Power { Standby, CountDown, On, CoolingDown };

    struct Config {
        qint64 powerOnMs = 5000; // count-down after "C00"
        qint64 coolDownMs = 5000; // cooling after "C01"
        int lampHours = 1234; // lamp hours at start
    };

    static constexpr char Ack = 0x06;
    static constexpr int AmbientTenths = 250; // 25.0 C in stand-by

    Projector()
        : Projector(Config {})
    {
    }
    explicit Projector(const Config& config);

    // Interprets one command line received at nowMs. Returns the bytes the
    // projector sends back: ACK for an operation, data plus CR for a read,
    // nothing for a line it does not understand.
    QByteArray handleLine(const QByteArray& line, qint64 nowMs);

    // State as of nowMs (advances pending power transitions).
    Power power(qint64 nowMs);
    int lampHours(qint64 nowMs);

    int input() const { return m_input; }
    bool audioMuted() const { return m_audioMute; }
    bool videoMuted() const { return m_videoMute; }
    bool frozen() const { return m_frozen; }
    QByteArray imageMode() const { return m_imageMode; }
    QByteArray fanSpeed() const { return m_fanSpeed; }

    // Reply to "CR6": four readings in fixed columns, 24 characters.
    // Columns (1-based): 1-5, 8-11, 14-17, 21-24; the rest are blanks.
    static QByteArray temperatureReply(const int tenths[4]);

private:
    void advance(qint64 nowMs);
    void enter(Power next, qint64 atMs);
    bool lampLit() const { return m_power == Power::CountDown || m_power == Power::On; }

    struct Operation; // an operation code and what it does
    QByteArray operation(int code, qint64 nowMs);
    void apply(const Operation& op, qint64 nowMs);
    QByteArray functional(const QByteArray& function, const QByteArray& value);
    QByteArray read(const QByteArray& what, qint64 nowMs);

    Config m_config;
    Power m_power = Power::Standby;
    qint64 m_phaseStart = 0; // when the current power phase began
    qint64 m_lastNow = 0; // latest clock value seen; time never runs back
    qint64 m_litMs = 0; // lamp time accumulated in completed lit phases
    qint64 m_litSince = 0; // start of the current lit phase

    int m_input = 1;
    bool m_audioMute = false;
    bool m_videoMute = false;
    bool m_frozen = false;
    QByteArray m_imageMode = "STAND";
    QByteArray m_fanSpeed = "NOR";
};
