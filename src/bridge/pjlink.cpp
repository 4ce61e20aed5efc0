// SPDX-License-Identifier: MIT
#include "bridge/pjlink.h"

#include "commands/commandtable.h"
#include "traffic/decoders.h"

#include <algorithm>
#include <span>

namespace runo {

namespace {

// One PJLink input: its code, the panel's button and the input mode READ
// MODE reports while it is chosen.
struct PjlinkInput {
    std::string_view code; // "11": type 1 RGB, channel 1
    std::string_view button; // the panel's name for it
    std::string_view text; // its command text
    int mode;
};

constexpr PjlinkInput kInputs[] = {
    {"11", "INPUT 1 RGB", "C50", 1},
    {"12", "INPUT 2 RGB", "C25", 2},
    {"21", "INPUT 1 SCART", "C51", 1},
    {"22", "INPUT 2 Y,Pb/Cb,Pr/Cr", "C24", 2},
    {"23", "INPUT 2 VIDEO", "C23", 2},
    {"24", "INPUT 3 VIDEO", "C33", 3},
    {"25", "INPUT 3 S-VIDEO", "C34", 3},
    {"26", "INPUT 3 AUTO", "C32", 3},
    {"31", "INPUT 1 DVI(PC)", "C52", 1},
    {"32", "INPUT 1 DVI(AV HDCP)", "C53", 1},
    {"51", "INPUT MODE SET NETWORK", "C08", 4},
};

// READ STATUS, as the panel decodes it, in PJLink terms: the power state
// and the six ERST digits (fan, lamp, temperature, cover, filter, other).
struct PowerState {
    std::string_view status;
    char power;
    std::string_view errors;
};
constexpr PowerState kPowerStates[] = {
    {"Power ON", '1', "000000"},
    {"Stand by", '0', "000000"},
    {"Count down", '3', "000000"},
    {"Cooling down", '2', "000000"},
    {"Power Fail", '0', "000002"},
    {"Temperature Warning(Power ON)", '1', "001000"},
    {"NO Key input", '1', "000000"},
    {"Lamp OFF by PWR Management", '0', "000000"},
    {"Temperature Warning & cooling down", '2', "002000"},
    {"Lamp OFF & Tempereture Warning by PWR Management", '0', "001000"},
    {"Temperature Warning and recoverd", '0', "001000"},
    {"Cooling down (All Lamp FAIL)", '2', "020000"},
    {"Cooling down & sutandby (All Lamp FAIL)", '0', "020000"},
};

// The mute-and-signal read in AVMT terms; empty: not available now.
struct MuteState {
    std::string_view status;
    std::string_view avmt;
};
constexpr MuteState kMuteStates[] = {
    {"Video & Audio mute OFF", "30"},
    {"Video mute ON", "11"},
    {"Audio mute ON", "21"},
    {"Video & Audio mute ON", "31"},
    {"No signal", "30"},
    {"Stand by", ""},
};

// AVMT settings: NO SHOW and SOUND MUTE, ON or OFF.
struct MuteSetting {
    std::string_view param;
    std::string_view lines[2];
};
constexpr MuteSetting kMuteSettings[] = {
    {"10", {"C0E", ""}},
    {"11", {"C0D", ""}},
    {"20", {"C0C", ""}},
    {"21", {"C0B", ""}},
    {"30", {"C0E", "C0C"}},
    {"31", {"C0D", "C0B"}},
};

// The lines these tables send are the panel's own commands, under the same
// names: checked here, so that neither table can drift from the other.
constexpr bool isCommand(std::string_view name, std::string_view text)
{
    for (const CommandButton& b : kCommandButtons)
        if (b.text == text && (name.empty() || b.name == name))
            return true;
    return false;
}
constexpr bool linesAreCommands()
{
    for (const PjlinkInput& i : kInputs)
        if (!isCommand(i.button, i.text))
            return false;
    for (const MuteSetting& m : kMuteSettings)
        for (const std::string_view line : m.lines)
            if (!line.empty() && !isCommand({}, line))
                return false;
    return true;
}
static_assert(linesAreCommands(), "a PJLink line is not the command table's");

// READ L-MODE in LAMP terms: each lamp's on/off.
struct LampState {
    std::string_view status;
    std::string_view lamps;
};
constexpr LampState kLampStates[] = {
    {"OFF", "0"},
    {"ON", "1"},
    {"No2 ON  : 2 Lamp mode", "01"},
    {"No1,2 ON  : 2 Lamp mode", "11"},
    {"All OFF : 1 Lamp mode(No1 USE)", "0"},
    {"No1 ON  : 1 Lamp mode(No1 USE)", "1"},
    {"All OFF : 1 Lamp mode(No2 USE)", "0"},
    {"No2 ON  : 1 Lamp mode(No2 USE)", "1"},
};

constexpr std::string_view kInputModePrefix = "Input mode ";
constexpr qsizetype kMaxInfoText = 32; // INF2 at most

QByteArrayView view(std::string_view s) { return QByteArrayView(s.data(), qsizetype(s.size())); }

template <class Row> const Row* rowFor(std::span<const Row> rows, const QString& status)
{
    const auto it = std::find_if(rows.begin(), rows.end(),
        [&status](const Row& r) { return status == QLatin1String(r.status.data(), qsizetype(r.status.size())); });
    return it == rows.end() ? nullptr : &*it;
}

bool isCommandChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

const QByteArray kOk = "OK";
const QByteArray kUnknown = "ERR1";
const QByteArray kOutOfRange = "ERR2";
const QByteArray kUnavailable = "ERR3";
const QByteArray kFailure = "ERR4";

bool acknowledged(const LineResult& r) { return r.received.contains('\x06'); }

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
        result = it == std::end(kInputs) ? kOutOfRange : view(it->button).toByteArray();
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
    askAll({r.param == "1" ? "C09" : "C0A"}, asker, answer,
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
    askAll({on ? "C43" : "C44"}, asker, answer, [this, on](const Results& results) {
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
    const bool queued = m_queue->ask(line, asker, [=, this](const LineResult& r) {
        if (r.result != LineResult::Result::Reply) {
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
        askAll({"CR0"}, asker, answer, [](const Results& results) {
            const PowerState* s = rowFor<PowerState>(kPowerStates, results[0].status);
            return s ? QByteArray(1, s->power) : kFailure;
        });
        return std::nullopt;
    }
    if (r.param != "1" && r.param != "0")
        return kOutOfRange;
    if (r.param == "0")
        m_frozen = false; // the projector lets go of a frozen picture when it goes off
    askAll({r.param == "1" ? "C00" : "C01"}, asker, answer,
        [](const Results& results) { return acknowledged(results[0]) ? kOk : kFailure; });
    return std::nullopt;
}

PjlinkProjector::Result PjlinkProjector::input(const PjlinkRequest& r, QObject* asker, const Answer& answer)
{
    if (r.param == "?") {
        askAll({"CR1"}, asker, answer, [this](const Results& results) {
            const QString& status = results[0].status;
            const QLatin1String prefix(kInputModePrefix.data(), qsizetype(kInputModePrefix.size()));
            bool ok = false;
            const int mode = status.startsWith(prefix) ? status.mid(prefix.size()).toInt(&ok) : 0;
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
    askAll({view(it->text).toByteArray()}, asker, answer, [this, code](const Results& results) {
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
        askAll({"CRA"}, asker, answer, [](const Results& results) {
            const MuteState* s = rowFor<MuteState>(kMuteStates, results[0].status);
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
    QList<QByteArray> lines;
    for (std::string_view l : it->lines)
        if (!l.empty())
            lines << view(l).toByteArray();
    askAll(lines, asker, answer,
        [](const Results& results) { return std::all_of(results.begin(), results.end(), acknowledged) ? kOk : kFailure; });
    return std::nullopt;
}

PjlinkProjector::Result PjlinkProjector::errorStatus(const PjlinkRequest&, QObject* asker, const Answer& answer)
{
    askAll({"CR0"}, asker, answer, [](const Results& results) {
        const PowerState* s = rowFor<PowerState>(kPowerStates, results[0].status);
        return s ? view(s->errors).toByteArray() : kFailure;
    });
    return std::nullopt;
}

PjlinkProjector::Result PjlinkProjector::lamp(const PjlinkRequest&, QObject* asker, const Answer& answer)
{
    askAll({"CR3", "CR7"}, asker, answer, [](const Results& results) {
        const QByteArray digits = results[0].received.trimmed();
        bool ok = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
        const QByteArray hours = QByteArray::number(qlonglong(leadingNumber(QString::fromLatin1(digits))));
        const LampState* s = rowFor<LampState>(kLampStates, results[1].status);
        if (!ok || !s)
            return kFailure;
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
    const bool queued = m_queue->ask("CR9", asker, [this, answer](const LineResult& r) {
        QByteArray text = r.received.left(r.received.indexOf('\r')).trimmed().left(kMaxInfoText);
        const bool printable = std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
        if (r.result == LineResult::Result::Reply && !text.isEmpty() && printable && r.received.contains('\r'))
            m_reportedModel = text;
        answer(m_reportedModel.isEmpty() ? m_config.model : m_reportedModel);
    });
    if (!queued)
        return kUnavailable;
    return std::nullopt;
}

} // namespace runo
