// SPDX-License-Identifier: MIT
#include "bridge/pjlink.h"

#include "commands/commandtable.h"
#include "traffic/reading.h"

#include <algorithm>
#include <span>

namespace runo {

namespace {

QByteArray lineOf(CommandRef command) { return QByteArray(command.text().data(), qsizetype(command.text().size())); }

// One PJLink input: its code, the panel's button and the input mode READ
// MODE reports while it is chosen.
struct PjlinkInput {
    std::string_view code; // "11": type 1 RGB, channel 1
    CommandRef button;
    int mode;
};

constexpr PjlinkInput kInputs[] = {
    {"11", command("INPUT 1 RGB"), 1},
    {"12", command("INPUT 2 RGB"), 2},
    {"21", command("INPUT 1 SCART"), 1},
    {"22", command("INPUT 2 Y,Pb/Cb,Pr/Cr"), 2},
    {"23", command("INPUT 2 VIDEO"), 2},
    {"24", command("INPUT 3 VIDEO"), 3},
    {"25", command("INPUT 3 S-VIDEO"), 3},
    {"26", command("INPUT 3 AUTO"), 3},
    {"31", command("INPUT 1 DVI(PC)"), 1},
    {"32", command("INPUT 1 DVI(AV HDCP)"), 1},
    {"51", command("INPUT MODE SET NETWORK"), 4},
};

// The operating state in PJLink terms: the power state and the six ERST
// digits (fan, lamp, temperature, cover, filter, other).
struct PowerState {
    OperatingState state;
    char power;
    std::string_view errors;
};
constexpr PowerState kPowerStates[] = {
    {OperatingState::On, '1', "000000"},
    {OperatingState::Standby, '0', "000000"},
    {OperatingState::CountDown, '3', "000000"},
    {OperatingState::CoolingDown, '2', "000000"},
    {OperatingState::PowerFail, '0', "000002"},
    {OperatingState::TemperatureWarning, '1', "001000"},
    {OperatingState::NoKeyInput, '1', "000000"},
    {OperatingState::LampOffByPowerManagement, '0', "000000"},
    {OperatingState::TemperatureWarningCoolingDown, '2', "002000"},
    {OperatingState::LampOffTemperatureWarning, '0', "001000"},
    {OperatingState::TemperatureWarningRecovered, '0', "001000"},
    {OperatingState::CoolingDownLampFail, '2', "020000"},
    {OperatingState::StandbyLampFail, '0', "020000"},
};

// The mute-and-signal read in AVMT terms; empty: not available now.
struct MuteState {
    MuteSignal mute;
    std::string_view avmt;
};
constexpr MuteState kMuteStates[] = {
    {MuteSignal::Off, "30"},
    {MuteSignal::Video, "11"},
    {MuteSignal::Audio, "21"},
    {MuteSignal::VideoAndAudio, "31"},
    {MuteSignal::NoSignal, "30"},
    {MuteSignal::Standby, ""},
};

// AVMT settings: NO SHOW and SOUND MUTE, ON or OFF, one command or two.
struct MuteSetting {
    std::string_view param;
    CommandRef first;
    std::optional<CommandRef> second;
};
constexpr MuteSetting kMuteSettings[] = {
    {"10", command("NO SHOW OFF"), std::nullopt},
    {"11", command("NO SHOW ON"), std::nullopt},
    {"20", command("SOUND MUTE OFF"), std::nullopt},
    {"21", command("SOUND MUTE ON"), std::nullopt},
    {"30", command("NO SHOW OFF"), command("SOUND MUTE OFF")},
    {"31", command("NO SHOW ON"), command("SOUND MUTE ON")},
};

// READ L-MODE in LAMP terms: each lamp's on/off.
struct LampState {
    LampMode mode;
    std::string_view lamps;
};
constexpr LampState kLampStates[] = {
    {LampMode::Off, "0"},
    {LampMode::On, "1"},
    {LampMode::TwoLampsNo2On, "01"},
    {LampMode::TwoLampsBothOn, "11"},
    {LampMode::OneLampNo1Off, "0"},
    {LampMode::OneLampNo1On, "1"},
    {LampMode::OneLampNo2Off, "0"},
    {LampMode::OneLampNo2On, "1"},
};

constexpr CommandRef kReadStatus = command("READ STATUS");
constexpr CommandRef kReadMode = command("READ MODE");
constexpr CommandRef kReadMute = command("READ MUTE");
constexpr CommandRef kReadLampTime = command("READ L-TIME");
constexpr CommandRef kReadLampMode = command("READ L-MODE");
constexpr CommandRef kReadModel = command("READ MODEL");

constexpr qsizetype kMaxInfoText = 32; // INF2 at most

QByteArrayView view(std::string_view s) { return QByteArrayView(s.data(), qsizetype(s.size())); }

// The value of type T that a result reads as, or nothing.
template <class T> const T* readingOf(const Exchange& r) { return r.reading ? std::get_if<T>(&r.reading->value) : nullptr; }

template <class Row, class Key> const Row* rowFor(std::span<const Row> rows, const Key* key, Key Row::*field)
{
    if (!key)
        return nullptr;
    const auto it = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.*field == *key; });
    return it == rows.end() ? nullptr : &*it;
}

bool isCommandChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

const QByteArray kOk = "OK";
const QByteArray kUnknown = "ERR1";
const QByteArray kOutOfRange = "ERR2";
const QByteArray kUnavailable = "ERR3";
const QByteArray kFailure = "ERR4";

bool acknowledged(const Exchange& r) { return r.received.contains('\x06'); }

} // namespace

std::optional<PjlinkRequest> parsePjlinkRequest(QByteArrayView line)
{
    if (line.size() < 7 || line[0] != '%' || (line[1] != '1' && line[1] != '2') || line[6] != ' ')
        return std::nullopt;
    const QByteArrayView command = line.sliced(2, 4);
    if (!std::all_of(command.begin(), command.end(), isCommandChar))
        return std::nullopt;
    return PjlinkRequest {line[1], command.toByteArray(), line.sliced(7).toByteArray()};
}

QByteArray pjlinkAnswer(const PjlinkRequest& request, QByteArrayView result)
{
    return '%' + QByteArray(1, request.pjClass) + request.command + '=' + result.toByteArray() + '\r';
}

PjlinkProjector::PjlinkProjector(LineQueue* queue, const Config& config, QObject* parent)
    : QObject(parent)
    , m_queue(queue)
    , m_config(config)
{
}

void PjlinkProjector::answer(const PjlinkRequest& r, QObject* asker, const Answer& answer)
{
    Result result = kUnknown;
    const QByteArray& c = r.command;
    const bool query = r.param == "?";
    if (c == "INPT")
        result = input(r, asker, answer);
    else if (c == "INST") {
        QByteArrayList codes;
        for (const PjlinkInput& i : kInputs)
            codes << view(i.code).toByteArray();
        result = query ? codes.join(' ') : kOutOfRange;
    } else if (r.pjClass == '1') {
        if (c == "POWR")
            result = power(r, asker, answer);
        else if (c == "AVMT")
            result = mute(r, asker, answer);
        else if (c == "ERST")
            result = query ? errorStatus(r, asker, answer) : kOutOfRange;
        else if (c == "LAMP")
            result = query ? lamp(r, asker, answer) : kOutOfRange;
        else if (c == "NAME")
            result = query ? m_config.name : kOutOfRange;
        else if (c == "INF1")
            result = query ? QByteArray("RUNO") : kOutOfRange;
        else if (c == "INF2")
            result = query ? model(r, asker, answer) : kOutOfRange;
        else if (c == "INFO")
            result = query ? QByteArray("runo-bridge " RUNO_VERSION) : kOutOfRange;
        else if (c == "CLSS")
            result = query ? QByteArray("2") : kOutOfRange;
    } else if (c == "INNM") {
        const auto it = std::find_if(std::begin(kInputs), std::end(kInputs),
            [&r](const PjlinkInput& i) { return r.param.startsWith('?') && r.param.mid(1) == view(i.code); });
        result = it == std::end(kInputs) ? kOutOfRange : view(it->button.name()).toByteArray();
    } else if (c == "FREZ") {
        result = freeze(r, asker, answer);
    } else if (c == "SVOL") {
        result = volume(r, asker, answer);
    }
    if (result)
        answer(*result);
}

// One step of VOL + or VOL -, as a press released at once.
PjlinkProjector::Result PjlinkProjector::volume(const PjlinkRequest& r, QObject* asker, const Answer& answer)
{
    if (r.param != "1" && r.param != "0")
        return kOutOfRange;
    askAll({lineOf(r.param == "1" ? command("VOL +") : command("VOL -"))}, asker, answer,
        [](const Results& results) { return acknowledged(results[0]) ? kOk : kFailure; });
    return std::nullopt;
}

PjlinkProjector::Result PjlinkProjector::freeze(const PjlinkRequest& r, QObject* asker, const Answer& answer)
{
    if (r.param == "?")
        return QByteArray(m_frozen ? "1" : "0");
    if (r.param != "1" && r.param != "0")
        return kOutOfRange;
    const bool on = r.param == "1";
    askAll({lineOf(on ? command("FREEZE ON") : command("FREEZE OFF"))}, asker, answer, [this, on](const Results& results) {
        if (!acknowledged(results[0]))
            return kFailure;
        m_frozen = on;
        return kOk;
    });
    return std::nullopt;
}

void PjlinkProjector::askAll(const QList<QByteArray>& lines, QObject* asker, const Answer& answer,
    const std::function<QByteArray(const Results&)>& compose)
{
    askNext(std::make_shared<Results>(), lines, asker, answer, compose);
}

void PjlinkProjector::askNext(const std::shared_ptr<Results>& results, QList<QByteArray> lines, QObject* asker,
    const Answer& answer, const std::function<QByteArray(const Results&)>& compose)
{
    if (lines.isEmpty()) {
        answer(compose(*results));
        return;
    }
    const QByteArray line = lines.takeFirst();
    const bool queued = m_queue->ask(line, asker, [=, this](const Exchange& r) {
        if (r.result != Exchange::Result::Reply) {
            answer(kFailure);
            return;
        }
        results->push_back(r);
        askNext(results, lines, asker, answer, compose);
    });
    if (!queued)
        answer(kUnavailable);
}

PjlinkProjector::Result PjlinkProjector::power(const PjlinkRequest& r, QObject* asker, const Answer& answer)
{
    if (r.param == "?") {
        askAll({lineOf(kReadStatus)}, asker, answer, [](const Results& results) {
            const PowerState* s = rowFor<PowerState>(kPowerStates, readingOf<OperatingState>(results[0]), &PowerState::state);
            return s ? QByteArray(1, s->power) : kFailure;
        });
        return std::nullopt;
    }
    if (r.param != "1" && r.param != "0")
        return kOutOfRange;
    if (r.param == "0")
        m_frozen = false; // the projector lets go of a frozen picture when it goes off
    askAll({lineOf(r.param == "1" ? command("POWER ON") : command("POWER OFF"))}, asker, answer,
        [](const Results& results) { return acknowledged(results[0]) ? kOk : kFailure; });
    return std::nullopt;
}

PjlinkProjector::Result PjlinkProjector::input(const PjlinkRequest& r, QObject* asker, const Answer& answer)
{
    if (r.param == "?") {
        askAll({lineOf(kReadMode)}, asker, answer, [this](const Results& results) {
            const InputMode* m = readingOf<InputMode>(results[0]);
            const int mode = m ? m->number : 0;
            const PjlinkInput* first = nullptr;
            for (const PjlinkInput& i : kInputs) {
                if (i.mode != mode)
                    continue;
                if (m_lastInput == view(i.code))
                    return m_lastInput;
                if (!first)
                    first = &i;
            }
            return first ? view(first->code).toByteArray() : kFailure;
        });
        return std::nullopt;
    }
    const auto it
        = std::find_if(std::begin(kInputs), std::end(kInputs), [&r](const PjlinkInput& i) { return r.param == view(i.code); });
    if (it == std::end(kInputs))
        return kOutOfRange;
    const QByteArray code = r.param;
    askAll({lineOf(it->button)}, asker, answer, [this, code](const Results& results) {
        if (!acknowledged(results[0]))
            return kFailure;
        m_lastInput = code;
        return kOk;
    });
    return std::nullopt;
}

PjlinkProjector::Result PjlinkProjector::mute(const PjlinkRequest& r, QObject* asker, const Answer& answer)
{
    if (r.param == "?") {
        askAll({lineOf(kReadMute)}, asker, answer, [](const Results& results) {
            const MuteState* s = rowFor<MuteState>(kMuteStates, readingOf<MuteSignal>(results[0]), &MuteState::mute);
            if (!s)
                return kFailure;
            return s->avmt.empty() ? kUnavailable : view(s->avmt).toByteArray();
        });
        return std::nullopt;
    }
    const auto it = std::find_if(
        std::begin(kMuteSettings), std::end(kMuteSettings), [&r](const MuteSetting& m) { return r.param == view(m.param); });
    if (it == std::end(kMuteSettings))
        return kOutOfRange;
    QList<QByteArray> lines {lineOf(it->first)};
    if (it->second)
        lines << lineOf(*it->second);
    askAll(lines, asker, answer,
        [](const Results& results) { return std::all_of(results.begin(), results.end(), acknowledged) ? kOk : kFailure; });
    return std::nullopt;
}

PjlinkProjector::Result PjlinkProjector::errorStatus(const PjlinkRequest&, QObject* asker, const Answer& answer)
{
    askAll({lineOf(kReadStatus)}, asker, answer, [](const Results& results) {
        const PowerState* s = rowFor<PowerState>(kPowerStates, readingOf<OperatingState>(results[0]), &PowerState::state);
        return s ? view(s->errors).toByteArray() : kFailure;
    });
    return std::nullopt;
}

PjlinkProjector::Result PjlinkProjector::lamp(const PjlinkRequest&, QObject* asker, const Answer& answer)
{
    askAll({lineOf(kReadLampTime), lineOf(kReadLampMode)}, asker, answer, [](const Results& results) {
        const LampTime* time = readingOf<LampTime>(results[0]);
        const LampState* s = rowFor<LampState>(kLampStates, readingOf<LampMode>(results[1]), &LampState::mode);
        if (!time || !time->hours || !s)
            return kFailure;
        const QByteArray hours = QByteArray::number(*time->hours);
        QByteArrayList lamps;
        for (const char on : s->lamps)
            lamps << hours + ' ' + on;
        return lamps.join(' ');
    });
    return std::nullopt;
}

PjlinkProjector::Result PjlinkProjector::model(const PjlinkRequest&, QObject* asker, const Answer& answer)
{
    if (!m_reportedModel.isEmpty())
        return m_reportedModel;
    const bool queued = m_queue->ask(lineOf(kReadModel), asker, [this, answer](const Exchange& r) {
        const DeviceText* d = readingOf<DeviceText>(r);
        if (r.result == Exchange::Result::Reply && d && d->text)
            m_reportedModel = d->text->left(kMaxInfoText);
        answer(m_reportedModel.isEmpty() ? m_config.model : m_reportedModel);
    });
    if (!queued)
        return kUnavailable;
    return std::nullopt;
}

} // namespace runo
