// SPDX-License-Identifier: MIT
#include "bridge/metrics/metrics.h"

#include "bridge/bridge.h"
#include "bridge/pjlink.h"
#include "traffic/projectorstate.h"

namespace runo {

namespace {

struct Family {
    const char* name;
    const char* type;
    const char* help;
};

constexpr Family kLineUp {"runo_line_up", "gauge", "1 while the line is open and its last exchange was answered, else 0."};
constexpr Family kPower {
    "runo_power_state", "gauge", "The projector's power as PJLink numbers it: 0 stand-by, 1 on, 2 cooling down, 3 warming up."};
constexpr Family kLamp {"runo_lamp_seconds", "gauge", "The lamp's time in use as the projector counts it (hours x 3600)."};
constexpr Family kTemperature {"runo_temperature_celsius", "gauge", "Each temperature sensor's last reading."};
constexpr Family kError {
    "runo_error", "gauge", "Each component's error state as PJLink ERST tells it: 0 none, 1 warning, 2 error."};
constexpr Family kExchanges {"runo_exchanges_total", "counter", "Exchanges on the line, by how they ended."};
constexpr Family kExchangeSeconds {
    "runo_exchange_seconds", "histogram", "Answered exchanges: the time from the line going out to the end of its reply."};
constexpr Family kQueue {"runo_queue_waiting", "gauge", "Client requests waiting for the line."};
constexpr Family kPjlinkClients {"runo_pjlink_clients", "gauge", "PJLink connections open."};
constexpr Family kHttpSessions {"runo_http_sessions", "gauge", "Logged-in sessions of the web page."};
constexpr Family kAuthFailures {"runo_auth_failures_total", "counter", "Wrong passwords or digests, by face."};
constexpr Family kInfo {"runo_info", "gauge", "The projector's model, the bridge's name and version."};

// ERST's digits, in their order.
constexpr std::array kComponents {"fan", "lamp", "temperature", "cover", "filter", "other"};

// The result labels, in Exchange::Result's order.
constexpr std::array<const char*, kExchangeResults> kResults {"reply", "no_reply", "refused", "lost", "cut_short"};

constexpr qsizetype kTypicalBytes = 4096;

void family(QByteArray& out, const Family& f)
{
    out.append("# HELP ").append(f.name).append(' ').append(f.help).append('\n');
    out.append("# TYPE ").append(f.name).append(' ').append(f.type).append('\n');
}

// name{labels} value, the labels written whole ("sensor=\"1\"") or empty.
void sample(QByteArray& out, QByteArrayView name, QByteArrayView labels, QByteArrayView value)
{
    out.append(name);
    if (!labels.isEmpty())
        out.append('{').append(labels).append('}');
    out.append(' ').append(value).append('\n');
}

QByteArray number(double value) { return QByteArray::number(value, 'g', QLocale::FloatingPointShortest); }

QByteArray label(QByteArrayView name, QByteArrayView value) { return name.toByteArray() + "=\"" + labelValue(value) + '"'; }

} // namespace

QByteArray labelValue(QByteArrayView value)
{
    QByteArray out;
    out.reserve(value.size());
    for (const char c : value) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    return out;
}

Metrics::Metrics(Bridge& bridge, QObject* parent)
    : QObject(parent)
    , m_bridge(bridge)
    , m_counts(bridge.link().exchanges())
    , m_gate(bridge.options().password)
{
    if (HttpFace* web = bridge.web())
        web->addRoute(QHttpServerRequest::Method::Get, QStringLiteral("/metrics"), [this](const QHttpServerRequest& r) {
            return answer(r.value(QByteArrayLiteral("Authorization")), r.remoteAddress());
        });
}

QByteArray Metrics::exposition() const
{
    QByteArray out;
    out.reserve(kTypicalBytes);
    writeState(out);
    writeExchanges(out);
    writeFaces(out);
    return out;
}

void Metrics::writeState(QByteArray& out) const
{
    const ProjectorState& state = m_bridge.link().exchanges()->state();
    family(out, kLineUp);
    sample(out, kLineUp.name, {}, m_counts.lineUp() ? "1" : "0");
    family(out, kPower);
    if (state.operating)
        sample(out, kPower.name, {}, QByteArray(1, pjlinkPower(state.operating->value)));
    family(out, kLamp);
    if (state.lampHours)
        sample(out, kLamp.name, {}, QByteArray::number(qint64(state.lampHours->value) * 3600));
    family(out, kTemperature);
    if (state.temperatures)
        for (std::size_t i = 0; i < state.temperatures->value.size(); ++i)
            if (const auto& celsius = state.temperatures->value[i])
                sample(out, kTemperature.name, label("sensor", QByteArray::number(i + 1)), number(*celsius));
    family(out, kError);
    if (state.operating) {
        const QByteArray digits = pjlinkErrors(state.operating->value);
        for (std::size_t i = 0; i < kComponents.size(); ++i)
            sample(out, kError.name, label("component", kComponents[i]), digits.mid(qsizetype(i), 1));
    }
}

void Metrics::writeExchanges(QByteArray& out) const
{
    family(out, kExchanges);
    for (std::size_t i = 0; i < kResults.size(); ++i)
        sample(out, kExchanges.name, label("result", kResults[i]), QByteArray::number(m_counts.ended(Exchange::Result(i))));
    family(out, kExchangeSeconds);
    const QByteArray bucket = QByteArray(kExchangeSeconds.name) + "_bucket";
    for (std::size_t i = 0; i < kExchangeBuckets.size(); ++i)
        sample(out, bucket, label("le", kExchangeBuckets[i].le), QByteArray::number(m_counts.upTo(i)));
    const QByteArray answered = QByteArray::number(m_counts.answered());
    sample(out, bucket, label("le", "+Inf"), answered);
    sample(out, QByteArray(kExchangeSeconds.name) + "_sum", {}, number(m_counts.secondsSum()));
    sample(out, QByteArray(kExchangeSeconds.name) + "_count", {}, answered);
}

void Metrics::writeFaces(QByteArray& out) const
{
    family(out, kQueue);
    sample(out, kQueue.name, {}, QByteArray::number(m_bridge.queue().waiting()));
    family(out, kPjlinkClients);
    sample(out, kPjlinkClients.name, {}, QByteArray::number(m_bridge.pjlink().clients()));
    HttpFace* web = m_bridge.web();
    family(out, kHttpSessions);
    if (web)
        sample(out, kHttpSessions.name, {}, QByteArray::number(web->sessions()));
    family(out, kAuthFailures);
    sample(out, kAuthFailures.name, label("face", "pjlink"), QByteArray::number(m_bridge.pjlink().authenticationFailures()));
    const quint64 http = m_gate.failures() + (web ? web->authenticationFailures() : 0);
    sample(out, kAuthFailures.name, label("face", "http"), QByteArray::number(http));
    family(out, kInfo);
    const ProjectorState& state = m_bridge.link().exchanges()->state();
    const QByteArray& model = state.model ? state.model->value : m_bridge.options().model;
    sample(out, kInfo.name,
        label("model", model) + ',' + label("name", m_bridge.options().name) + ',' + label("version", RUNO_VERSION), "1");
}

HttpReply Metrics::answer(QByteArrayView authorization, const QHostAddress& peer)
{
    constexpr const char* kTextType = "text/plain; charset=utf-8";
    switch (m_gate.check(authorization, peer)) {
    case MetricsGate::Access::Granted: return {200, kContentType, exposition(), {}};
    case MetricsGate::Access::Challenged:
    case MetricsGate::Access::Refused:
        return {401, kTextType, "authentication required\n",
            {{"WWW-Authenticate", QByteArray("Basic realm=\"") + MetricsGate::kRealm + '"'}}};
    case MetricsGate::Access::LockedOut:
        return {429, kTextType, "too many wrong passwords: try again later\n",
            {{"Retry-After", QByteArray::number(LoginGuard::kLockoutMs / 1000)}}};
    }
    return {};
}

} // namespace runo
