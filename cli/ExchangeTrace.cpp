#include "cli/ExchangeTrace.h"

#include "cli/CommandLine.h"
#include "link/FTDI.h"

ExchangeTrace::ExchangeTrace(Reporter& reporter) : m_reporter(reporter) {
    m_clock.start();
    LinkTrace::Set([this](const LinkTrace::Event& event) { seen(event); });
}

ExchangeTrace::~ExchangeTrace() {
    LinkTrace::Set({});
}

void ExchangeTrace::startRecords(int total) {
    m_records = total;
    m_record = 0;
}

void ExchangeTrace::seen(const LinkTrace::Event& event) {
    using Kind = LinkTrace::Event::Kind;
    Exchange exchange;
    exchange.timeMs = m_clock.elapsed();
    exchange.record = m_records > 0 ? m_record : 0;
    switch (event.kind) {
        case Kind::Waiting:
            m_waitShown = true;
            m_reporter.waiting(m_awaited, event.waitedSeconds);
            return;
        case Kind::Written:
            exchange.sent = true;
            if (m_records > 0) {
                exchange.record = ++m_record;
                m_awaited = QStringLiteral("the acknowledgement of record %1 of %2")
                                .arg(m_record)
                                .arg(m_records);
            } else {
                exchange.text = QString::fromLatin1(event.bytes);
                if (exchange.text.endsWith(QChar(FTDI::LineFeed))) {
                    exchange.text.chop(1);
                }
                m_awaited = QStringLiteral("the reply to \"%1\"").arg(exchange.text);
            }
            break;
        case Kind::ByteRead:
            if (!event.bytes.isEmpty()) {
                exchange.byte = static_cast<std::uint8_t>(event.bytes.front());
            }
            replyCame();
            exchange.outcome = event.outcome;
            break;
        case Kind::LineRead:
            exchange.text = QString::fromLatin1(event.bytes);
            replyCame();
            exchange.outcome = event.outcome;
            break;
    }
    if (CommandLine::Verbose()) {
        m_reporter.exchange(exchange);
    }
}

void ExchangeTrace::replyCame() {
    if (m_waitShown) {
        m_waitShown = false;
        m_reporter.waiting(m_awaited, 0);
    }
}
