// SPDX-License-Identifier: MIT
#include "panel/exchangewatch.h"

#include "link/mscomm.h"
#include "panel/panel.h"
#include "traffic/decoders.h"
#include "traffic/traffictext.h"

namespace runo {

namespace {

// By Exchange::Result.
constexpr QLatin1StringView kResultNames[] = {QLatin1StringView("reply"), QLatin1StringView("no reply"),
    QLatin1StringView("refused"), QLatin1StringView("lost"), QLatin1StringView("cut short")};
static_assert(std::size(kResultNames) == size_t(Exchange::Result::CutShort) + 1);

} // namespace

QString exchangeResultName(Exchange::Result result) { return kResultNames[size_t(result)]; }

ExchangeWatch::ExchangeWatch(Panel* panel, QObject* parent)
    : QObject(parent)
    , m_panel(panel)
{
    connect(panel, &Panel::lineSent, this, &ExchangeWatch::begin);
    connect(panel, &Panel::lineRefused, this, &ExchangeWatch::refuse);
    connect(panel, &Panel::replyReceived, this, &ExchangeWatch::take);
    connect(panel, &Panel::replyWindowClosed, this, &ExchangeWatch::closeWindow);
    connect(panel, &Panel::ended, this, &ExchangeWatch::cutShort);
    connect(panel, &QObject::destroyed, this, [this] {
        cutShort();
        m_panel = nullptr;
    });
    connect(panel->port(), &MSComm::lost, this, &ExchangeWatch::lose);
    connect(panel->port(), &MSComm::openFailed, this, &ExchangeWatch::lose);
}

void ExchangeWatch::cutShort() { finish(Exchange::Result::CutShort); }

void ExchangeWatch::begin(const QByteArray& line)
{
    cutShort(); // the next line cuts the last one's window short
    m_exchange = Exchange {};
    m_exchange.time = QDateTime::currentDateTime();
    m_exchange.port = m_panel->port()->deviceName();
    m_exchange.sent = line;
    m_exchange.commandPrefix = m_panel->commandPrefix();
    m_exchange.transmitLine = m_panel->transmitLine();
    m_open = true;
    emit started(m_exchange);
}

void ExchangeWatch::refuse(const QByteArray& line, const QString& reason)
{
    begin(line);
    m_exchange.reason = reason;
    finish(Exchange::Result::Refused);
}

void ExchangeWatch::take(const QByteArray& bytes)
{
    if (!m_open) {
        emit unclaimed(bytes);
        return;
    }
    m_exchange.dropped += Panel::keepReply(m_exchange.received, bytes);
    m_exchange.receiveLine = m_panel->receiveLine();
    m_exchange.statusLine = m_panel->statusLine();
    emit received(m_exchange);
    if (m_open && m_panel->replyComplete(reply())) {
        m_exchange.complete = true;
        finish(Exchange::Result::Reply);
    }
}

QByteArrayView ExchangeWatch::reply() const
{
    const QByteArrayView received = m_exchange.received;
    return received.startsWith(m_exchange.sent) ? received.sliced(m_exchange.sent.size()) : received;
}

void ExchangeWatch::closeWindow()
{
    if (!m_open)
        return;
    if (m_exchange.received.isEmpty())
        m_exchange.receiveLine = QLatin1StringView(Panel::kNoReplyMarker.data(), qsizetype(Panel::kNoReplyMarker.size()));
    finish(Exchange::Result::NoReply);
}

void ExchangeWatch::lose()
{
    if (!m_open)
        return;
    m_exchange.reason = m_panel->port()->errorString();
    finish(Exchange::Result::Lost);
}

// Whatever came, an echo aside, makes a window's end or a cut a reply; a
// refusal or a loss stays what it is.
void ExchangeWatch::finish(Exchange::Result result)
{
    if (!m_open)
        return;
    m_open = false;
    const bool failed = result == Exchange::Result::Refused || result == Exchange::Result::Lost;
    m_exchange.result = failed || reply().isEmpty() ? result : Exchange::Result::Reply;
    if (!reply().isEmpty())
        m_exchange.reading = readReply(decoderFor(m_exchange.sent, m_exchange.commandPrefix), trafficText(reply()));
    const bool changed = m_exchange.reading && m_state.take(*m_exchange.reading, QDateTime::currentDateTime());
    const Exchange ended = m_exchange; // as it stands, whatever a receiver does next
    emit this->ended(ended);
    if (changed)
        emit stateChanged(m_state);
}

} // namespace runo
