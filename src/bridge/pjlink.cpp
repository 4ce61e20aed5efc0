// SPDX-License-Identifier: MIT
#include "bridge/pjlink.h"

#include "commands/commandtable.h"
#include "traffic/reading.h"

#include <QRegularExpression>

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

// The operating state in PJLink terms, a row for each state in its order.
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

constexpr bool everyStateInPlace()
{
    for (std::size_t i = 0; i < std::size(kPowerStates); ++i)
        if (kPowerStates[i].state != OperatingState(i))
            return false;
    return std::size(kPowerStates) == kOperatingStateCount;
}
static_assert(everyStateInPlace());

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

constexpr qsizetype kMaxInfoText = 32; // INF2, SVER and INFO at most (section 4)

// INFO ?, and SVER ? where the projector does not tell its own.
constexpr std::string_view kBridgeVersion = "runo-bridge " RUNO_VERSION;
static_assert(qsizetype(kBridgeVersion.size()) <= kMaxInfoText);

QByteArrayView view(std::string_view s) { return QByteArrayView(s.data(), qsizetype(s.size())); }

// The value of type T that a result reads as, or nothing. Only a whole
// reading counts: a reply that holds more or less than its read's form
// (" 8 0 X" for READ STATUS) is not read at all, and its answer is ERR4.
template <class T> const T* readingOf(const Exchange& r)
{
    return r.reading && r.reading->whole ? std::get_if<T>(&r.reading->value) : nullptr;
}

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

// Commands answered alike whatever the projector does, by the class whose
// header PJLink defines them under (section 4 lists the class of each): the
// answer to "?" (any other parameter is ERR2), or ERR1 for any parameter.
struct FixedAnswer {
    std::string_view command;
    char pjClass;
    std::string_view answer;
};
constexpr FixedAnswer kFixedAnswers[] = {
    {"INF1", '1', "RUNO"},
    {"INFO", '1', kBridgeVersion},
    {"CLSS", '1', "2"},
    // Texts the projector does not tell over its line: the empty text, as
    // for a NAME never set, since PJLink gives these no error for "none"
    // (section 4: SNUM ?, RLMP ?, RFIL ?).
    {"SNUM", '2', ""},
    {"RLMP", '2', ""},
    {"RFIL", '2', ""},
    // Functions it has not: ERR1, PJLink's answer for a projector without a
    // filter or a microphone (section 4: FILT ?, MVOL). No read tells the
    // resolution it is built for, and RRES ? has no form for "unknown".
    {"FILT", '2', "ERR1"},
    {"MVOL", '2', "ERR1"},
    {"RRES", '2', "ERR1"},
};

const FixedAnswer* fixedAnswer(const PjlinkRequest& r)
{
    const auto it = std::find_if(std::begin(kFixedAnswers), std::end(kFixedAnswers),
        [&r](const FixedAnswer& f) { return f.pjClass == r.pjClass && r.command == view(f.command); });
    return it == std::end(kFixedAnswers) ? nullptr : &*it;
}

// The software version in the projector's model text: its last word when
// that reads as a version number, "1.00" of "VM70 SIM 1.00"; else empty.
QByteArray versionIn(const QByteArray& modelText)
{
    static const QRegularExpression version(QStringLiteral("^[Vv]?[0-9]+(\\.[0-9A-Za-z]+)+$"));
    const QByteArray last = modelText.mid(modelText.lastIndexOf(' ') + 1);
    return version.match(QLatin1StringView(last)).hasMatch() ? last : QByteArray();
}

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

char pjlinkPower(OperatingState state) { return kPowerStates[std::size_t(state)].power; }

QByteArray pjlinkErrors(OperatingState state) { return view(kPowerStates[std::size_t(state)].errors).toByteArray(); }

QByteArray pjlinkInput(InputMode mode, QByteArrayView lastChosen)
{
    const PjlinkInput* first = nullptr;
    for (const PjlinkInput& i : kInputs) {
        if (i.mode != mode.number)
            continue;
        if (lastChosen == view(i.code))
            return lastChosen.toByteArray();
        if (!first)
            first = &i;
    }
    return first ? view(first->code).toByteArray() : QByteArray();
}

PjlinkProjector::PjlinkProjector(LineQueue* queue, const Config& config, QObject* parent)
    : QObject(parent)
    , m_queue(queue)
    , m_config(config)
{
}

void PjlinkProjector::answer(const PjlinkRequest& r, QObject* asker, const Answer& answer)
{
    using Handler = Result (PjlinkProjector::*)(const PjlinkRequest&, QObject*, const Answer&);
    struct Handled {
        std::string_view command;
        std::string_view classes; // the headers it is defined under (section 4)
        bool queryOnly;
        Handler handle;
    };
    static constexpr Handled kHandled[] = {
        {"POWR", "1", false, &PjlinkProjector::power},
        {"INPT", "12", false, &PjlinkProjector::input},
        {"AVMT", "1", false, &PjlinkProjector::mute},
        {"ERST", "1", true, &PjlinkProjector::errorStatus},
        {"LAMP", "1", true, &PjlinkProjector::lamp},
        {"INST", "12", true, &PjlinkProjector::inputList},
        {"NAME", "1", true, &PjlinkProjector::name},
        {"INF2", "1", true, &PjlinkProjector::model},
        {"SVER", "2", true, &PjlinkProjector::software},
        {"INNM", "2", false, &PjlinkProjector::inputName},
        {"IRES", "2", true, &PjlinkProjector::inputResolution},
        {"SVOL", "2", false, &PjlinkProjector::volume},
        {"FREZ", "2", false, &PjlinkProjector::freeze},
    };
    // A command its class does not define, a Class 2 command asked as %1
    // or a Class 1 command as %2, is ERR1 (section 2.2).
    Result result = kUnknown;
    const bool query = r.param == "?";
    const auto it = std::find_if(std::begin(kHandled), std::end(kHandled),
        [&r](const Handled& h) { return r.command == view(h.command) && h.classes.find(r.pjClass) != std::string_view::npos; });
    if (const FixedAnswer* f = fixedAnswer(r))
        result = query || view(f->answer) == kUnknown ? view(f->answer).toByteArray() : kOutOfRange;
    else if (it != std::end(kHandled))
        result = it->queryOnly && !query ? kOutOfRange : (this->*(it->handle))(r, asker, answer);
    if (result)
        answer(*result);
}

PjlinkProjector::Result PjlinkProjector::inputList(const PjlinkRequest&, QObject*, const Answer&)
{
    // Class 2 adds input types and terminals (6, A-Z); every input here has
    // a Class 1 code, which is its Class 2 code too (section 4: INST ?).
    QByteArrayList codes;
    for (const PjlinkInput& i : kInputs)
        codes << view(i.code).toByteArray();
    return codes.join(' ');
}

PjlinkProjector::Result PjlinkProjector::name(const PjlinkRequest&, QObject*, const Answer&) { return m_config.name; }

// INNM ?nn: the input's name, at most 64 bytes; ERR2 for an input the
// projector has not (section 4: INNM ?).
PjlinkProjector::Result PjlinkProjector::inputName(const PjlinkRequest& r, QObject*, const Answer&)
{
    const auto it = std::find_if(std::begin(kInputs), std::end(kInputs),
        [&r](const PjlinkInput& i) { return r.param.startsWith('?') && r.param.mid(1) == view(i.code); });
    return it == std::end(kInputs) ? kOutOfRange : view(it->button.name()).toByteArray();
}

// IRES ?: the input signal's resolution, "-" for no signal and "*" for one
// it cannot tell (section 4: IRES ?). The projector has no read of it; the
// mute read tells whether a signal comes in, and stand-by, ERR3 as in AVMT ?.
PjlinkProjector::Result PjlinkProjector::inputResolution(const PjlinkRequest&, QObject* asker, const Answer& answer)
{
    askAll({lineOf(kReadMute)}, asker, answer, [](const Results& results) {
        const MuteSignal* m = readingOf<MuteSignal>(results[0]);
        if (!m)
            return kFailure;
        if (*m == MuteSignal::Standby)
            return kUnavailable;
        return QByteArray(*m == MuteSignal::NoSignal ? "-" : "*");
    });
    return std::nullopt;
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
            const OperatingState* s = readingOf<OperatingState>(results[0]);
            return s ? QByteArray(1, pjlinkPower(*s)) : kFailure;
        });
        return std::nullopt;
    }
    if (r.param == "1") {
        powerOn(asker, answer);
        return std::nullopt;
    }
    if (r.param != "0")
        return kOutOfRange;
    m_frozen = false; // the projector lets go of a frozen picture when it goes off
    askAll({lineOf(command("POWER OFF"))}, asker, answer,
        [](const Results& results) { return acknowledged(results[0]) ? kOk : kFailure; });
    return std::nullopt;
}

// POWER ON while the projector cools down is acknowledged and does nothing,
// so READ STATUS comes first (often from the queue's cache): in a cooling
// state, POWR's "2", the answer is ERR3, PJLink's "unavailable time"
// (section 2.2; section 4, POWR). Any other state, a status the bridge
// cannot read, or no status at all (a projector may keep quiet in stand-by
// and still take POWER ON) leaves it to the projector as before. Stand-by
// after every lamp failed reads as stand-by ("0"), not as cooling: waiting
// would not make it light, so ERR3 would mislead; ERST tells the lamp error.
void PjlinkProjector::powerOn(QObject* asker, const Answer& answer)
{
    const bool queued = m_queue->ask(lineOf(kReadStatus), asker, [this, asker, answer](const Exchange& r) {
        const OperatingState* s = readingOf<OperatingState>(r);
        if (s && pjlinkPower(*s) == '2')
            answer(kUnavailable);
        else
            askAll({lineOf(command("POWER ON"))}, asker, answer,
                [](const Results& results) { return acknowledged(results[0]) ? kOk : kFailure; });
    });
    if (!queued)
        answer(kUnavailable);
}

PjlinkProjector::Result PjlinkProjector::input(const PjlinkRequest& r, QObject* asker, const Answer& answer)
{
    if (r.param == "?") {
        askAll({lineOf(kReadMode)}, asker, answer, [this](const Results& results) {
            const InputMode* m = readingOf<InputMode>(results[0]);
            const QByteArray code = m ? pjlinkInput(*m, m_lastInput) : QByteArray();
            return code.isEmpty() ? kFailure : code;
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
        emit inputChosen(code);
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
        const OperatingState* s = readingOf<OperatingState>(results[0]);
        return s ? pjlinkErrors(*s) : kFailure;
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

// The projector's model text, from a whole READ MODEL reply, asked for until
// one has come; compose makes the answer of it (empty while none has come).
PjlinkProjector::Result PjlinkProjector::withModelText(
    QObject* asker, const Answer& answer, const std::function<QByteArray(const QByteArray&)>& compose)
{
    if (!m_reportedModel.isEmpty())
        return compose(m_reportedModel);
    const bool queued = m_queue->ask(lineOf(kReadModel), asker, [this, answer, compose](const Exchange& r) {
        const DeviceText* d = readingOf<DeviceText>(r);
        if (r.replied() && d && d->text)
            m_reportedModel = d->text->left(kMaxInfoText);
        answer(compose(m_reportedModel));
    });
    if (!queued)
        return kUnavailable;
    return std::nullopt;
}

// INF2 ?: the model text as the projector gives it, else --model.
PjlinkProjector::Result PjlinkProjector::model(const PjlinkRequest&, QObject* asker, const Answer& answer)
{
    return withModelText(asker, answer, [this](const QByteArray& text) { return text.isEmpty() ? m_config.model : text; });
}

// SVER ?: the software version, at most 32 bytes (section 4: SVER ?): the
// projector's where its model text ends in one, else the bridge's own.
PjlinkProjector::Result PjlinkProjector::software(const PjlinkRequest&, QObject* asker, const Answer& answer)
{
    return withModelText(asker, answer, [](const QByteArray& text) {
        const QByteArray version = versionIn(text);
        return version.isEmpty() ? view(kBridgeVersion).toByteArray() : version;
    });
}

} // namespace runo
