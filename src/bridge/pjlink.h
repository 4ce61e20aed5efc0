// SPDX-License-Identifier: MIT
// PJLink on this projector: a request line read, answered through the line
// queue with the projector's own commands and the panel's decoders, and
// the answer line written.
//   "%1POWR ?"   READ STATUS " Stand by"            -> "%1POWR=0\r"
//   "%1INPT 23"  INPUT 2 VIDEO, ACK                 -> "%1INPT=OK\r"
//   "%1AVMT ?"   CRA " Video mute ON"               -> "%1AVMT=11\r"
//   "%1LAMP ?"   READ L-TIME "01234", READ L-MODE " ON" -> "%1LAMP=1234 1\r"
//   "%1POWR 1"   POWER ON, no answer                -> "%1POWR=ERR4\r"
//   "%1POWR 1"   READ STATUS " Cooling down"        -> "%1POWR=ERR3\r"
//   "%2FREZ 1"   FREEZE ON, ACK                     -> "%2FREZ=OK\r"   (Class 2)
//   "%2SVER ?"   CR9 "VM70 SIM 1.00"                -> "%2SVER=1.00\r"
#pragma once

#include "bridge/linequeue.h"
#include "traffic/reading.h"

#include <QByteArray>
#include <QObject>

#include <functional>
#include <optional>
#include <string_view>

namespace runo {

// The longest request line, its CR included.
inline constexpr qsizetype kPjlinkMaxLine = 136;

struct PjlinkRequest {
    char pjClass = '1';
    QByteArray command; // four characters, "POWR"
    QByteArray param; // "1", "?"
};

// A request line without its CR: "%1POWR 1". Nothing when it is not a
// PJLink request at all (no header, no command, no separator).
std::optional<PjlinkRequest> parsePjlinkRequest(QByteArrayView line);
// "%1POWR=OK\r"
QByteArray pjlinkAnswer(const PjlinkRequest& request, QByteArrayView result);

// What the projector reports, in PJLink terms: one mapping for the answers
// and for the status notifications.
//   pjlinkPower(OperatingState::CountDown) == '3'
//   pjlinkErrors(OperatingState::CoolingDownLampFail) == "020000"
//   pjlinkInput(InputMode {3}, "25") == "25"    pjlinkInput(InputMode {3}, "11") == "24"
// POWR's digit: '0' stand-by, '1' on, '2' cooling down, '3' warm-up (the
// projector's count down).
char pjlinkPower(OperatingState state);
// ERST's six digits: fan, lamp, temperature, cover, filter, other; each 0
// (none), 1 (warning) or 2 (error).
QByteArray pjlinkErrors(OperatingState state);
// INPT's code for the input mode READ MODE reports: lastChosen, the last
// input chosen through the bridge, while it is of that mode, else the first
// input of the mode; empty for a mode no input has.
QByteArray pjlinkInput(InputMode mode, QByteArrayView lastChosen);

class PjlinkProjector : public QObject {
    Q_OBJECT
public:
    struct Config {
        QByteArray name; // NAME ?
        QByteArray model; // INF2 ? when the projector does not say
    };
    using Answer = std::function<void(const QByteArray& result)>;

    PjlinkProjector(LineQueue* queue, const Config& config, QObject* parent = nullptr);

    // Works out the result ("OK", "0", "ERR2") of request for asker; answer
    // runs once, unless asker is gone by then.
    void answer(const PjlinkRequest& request, QObject* asker, const Answer& answer);

    // The input code last chosen through the bridge ("25"), empty before any.
    const QByteArray& lastInput() const { return m_lastInput; }

signals:
    // An INPT set was acknowledged by the projector.
    void inputChosen(const QByteArray& code);

private:
    using Results = std::vector<Exchange>;
    // A result at once, or nothing when the answer comes later.
    using Result = std::optional<QByteArray>;
    // Asks each line in turn; the first one that fails ends the run with
    // its ERR3 or ERR4.
    void askAll(const QList<QByteArray>& lines, QObject* asker, const Answer& answer,
        const std::function<QByteArray(const Results&)>& compose);
    void askNext(const std::shared_ptr<Results>& results, QList<QByteArray> lines, QObject* asker, const Answer& answer,
        const std::function<QByteArray(const Results&)>& compose);

    Result power(const PjlinkRequest& r, QObject* asker, const Answer& answer);
    void powerOn(QObject* asker, const Answer& answer);
    Result input(const PjlinkRequest& r, QObject* asker, const Answer& answer);
    Result mute(const PjlinkRequest& r, QObject* asker, const Answer& answer);
    Result errorStatus(const PjlinkRequest& r, QObject* asker, const Answer& answer);
    Result lamp(const PjlinkRequest& r, QObject* asker, const Answer& answer);
    Result inputList(const PjlinkRequest& r, QObject* asker, const Answer& answer);
    Result name(const PjlinkRequest& r, QObject* asker, const Answer& answer);
    Result inputName(const PjlinkRequest& r, QObject* asker, const Answer& answer);
    Result inputResolution(const PjlinkRequest& r, QObject* asker, const Answer& answer);
    Result withModelText(QObject* asker, const Answer& answer, const std::function<QByteArray(const QByteArray&)>& compose);
    Result model(const PjlinkRequest& r, QObject* asker, const Answer& answer);
    Result software(const PjlinkRequest& r, QObject* asker, const Answer& answer);
    Result freeze(const PjlinkRequest& r, QObject* asker, const Answer& answer);
    Result volume(const PjlinkRequest& r, QObject* asker, const Answer& answer);

    LineQueue* m_queue;
    Config m_config;
    QByteArray m_lastInput; // the last input code chosen through the bridge
    bool m_frozen = false; // FREEZE as last set through the bridge
    QByteArray m_reportedModel; // what CR9 answered, once it has
};

} // namespace runo
