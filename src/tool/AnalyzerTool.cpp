#include "tool/AnalyzerTool.h"

#include "core/ClientState.h"
#include "core/Environment.h"
#include "core/NumberText.h"
#include "core/Screen.h"
#include "core/Ticker.h"
#include "link/Cp1254.h"
#include "tool/ModbusRtu.h"
#include "tool/SerialPort.h"
#include "values/DeviceValueTable.h"
#include "values/RegisterDump.h"

#include <QDebug>

namespace korvel
{

namespace
{
QString control(const char *name)
{
    return QStringLiteral("TVD1KAL.") + QString::fromLatin1(name);
}

// The receive notification flips the top bit of the lamp's red component.
constexpr Colour lampFlip = rgb(0x80, 0, 0);
} // namespace

AnalyzerTool::AnalyzerTool(Screen &screen, Environment &environment, const ClientState &state,
                           DeviceValueTable &table, SerialPort &port, QObject *parent)
    : QObject(parent), m_screen(screen), m_state(state), m_table(table), m_port(port),
      m_readPause(environment.makeTicker(QStringLiteral("TVD1KAL.ReadPause"), 800, this)),
      m_writePause(environment.makeTicker(QStringLiteral("TVD1KAL.WritePause"), 1000, this))
{
    connect(m_readPause, &Ticker::ticked, this, [this] { onPauseEnded(m_readPause); });
    connect(m_writePause, &Ticker::ticked, this, [this] { onPauseEnded(m_writePause); });
    connect(&m_port, &SerialPort::readyRead, this, &AnalyzerTool::onReadyRead);
    connect(&m_port, &SerialPort::readFailed, this,
            [this] { m_screen.setCaption(control("Label2"), QStringLiteral("Hatatata")); });
}

bool AnalyzerTool::isPausing() const
{
    return m_readPause->isActive() || m_writePause->isActive();
}

void AnalyzerTool::readClicked()
{
    isPausing() ? defer(Step::Read) : sendRead();
}

void AnalyzerTool::writeClicked()
{
    isPausing() ? defer(Step::Write) : sendWrite();
}

void AnalyzerTool::onReadyRead()
{
    if (!isPausing()) {
        receive(m_port.bytesAvailable());
        return;
    }
    const qint64 count = m_port.bytesAvailable() - m_claimed;
    if (count > 0)
        defer(Step::Receive, count);
}

void AnalyzerTool::defer(Step step, qint64 count)
{
    m_deferred.push_back({step, count});
    m_claimed += count;
}

void AnalyzerTool::run(const Deferred &deferred)
{
    switch (deferred.step) {
    case Step::Read:
        sendRead();
        break;
    case Step::Write:
        sendWrite();
        break;
    case Step::Receive:
        m_claimed -= deferred.count;
        receive(deferred.count);
        break;
    }
}

void AnalyzerTool::onPauseEnded(Ticker *pause)
{
    pause->stop();
    // A deferred send starts the next pause; the steps after it wait for that one.
    while (!isPausing() && !m_deferred.empty()) {
        const Deferred deferred = m_deferred.front();
        m_deferred.pop_front();
        run(deferred);
    }
}

bool AnalyzerTool::reopenPort()
{
    // Closing drops what the port had received: notifications still waiting have nothing left to read.
    for (Deferred &d : m_deferred)
        d.count = 0;
    m_claimed = 0;
    m_port.close();
    if (m_port.open())
        return true;
    // The window shows nothing; someone who started the client from a terminal can see why.
    qWarning().noquote() << "korvel: serial port" << m_port.name()
                         << "cannot be opened:" << m_port.errorString();
    return false;
}

void AnalyzerTool::sendRead()
{
    if (!reopenPort())
        return;
    m_table.receiveText().clear();
    m_awaitingReply = false;
    const auto start = parseInt32(m_screen.caption(control("Edit2")));
    if (!start)
        return;
    m_table.setSlotCursor(*start);
    const auto frame =
        modbus::readFrame(m_screen.caption(control("Edit1")), m_screen.caption(control("Edit2")),
                          m_screen.caption(control("Edit3")));
    if (!frame)
        return;
    m_screen.setCaption(control("Edit4"), cp1254::decode(*frame));
    m_frame = *frame;
    m_awaitingReply = true;
    m_replyAddress = quint8(m_frame[0]);
    m_replyStart = quint8(m_frame[3]);
    m_cursorAtSend = *start;
    m_reply.clear();
    send();
    m_readPause->start();
}

void AnalyzerTool::sendWrite()
{
    if (!reopenPort())
        return;
    m_table.receiveText().clear();
    m_awaitingReply = false;
    const auto start = parseInt32(m_screen.caption(control("Edit2")));
    if (!start)
        return;
    m_table.setSlotCursor(*start);
    const auto frame = modbus::writeFrame(m_screen.caption(control("Edit2")),
                                          {m_screen.caption(control("b1")), m_screen.caption(control("b2")),
                                           m_screen.caption(control("b3")), m_screen.caption(control("b4"))});
    if (!frame)
        return;
    m_frame = *frame;
    send();
    m_writePause->start();
}

void AnalyzerTool::send()
{
    if (m_frame.isEmpty())
        return;
    // Byte by byte, as the device expects; a byte that cannot be written is skipped.
    for (const char byte : std::as_const(m_frame))
        m_port.writeByte(byte);
}

void AnalyzerTool::receive(qint64 count)
{
    const std::optional<QByteArray> bytes = m_port.read(count);
    if (!bytes) {
        m_screen.setCaption(control("Label2"), QStringLiteral("Hatatata"));
        return;
    }
    if (bytes->isEmpty())
        return;
    const QString lamp = QStringLiteral("Shape1");
    m_screen.setColour(lamp, m_screen.colour(lamp) ^ lampFlip);
    QString &text = m_table.receiveText();
    if (text.size() < MaxReceiveText)
        modbus::appendDumpText(text, *bytes);
    m_screen.setCaption(control("Label2"), QStringLiteral("Normal"));
    collectReply(*bytes);
}

void AnalyzerTool::collectReply(const QByteArray &bytes)
{
    if (!m_awaitingReply)
        return;
    // No reply is longer than MaxReadReply: what comes after that much cannot belong to it.
    m_reply.append(
        QByteArrayView(bytes).first(std::min(bytes.size(), modbus::MaxReadReply - m_reply.size())));
    const auto data = modbus::readReplyData(m_reply, m_replyAddress);
    if (!data) {
        if (m_reply.size() >= modbus::MaxReadReply)
            m_awaitingReply = false;
        return;
    }
    m_awaitingReply = false;
    // Decoded from the register asked for. The cursor then stays where the decode leaves it, as after a
    // dump, unless a request of the main window has set it since the send: that request's reply needs it.
    const int cursor = m_table.slotCursor();
    m_table.setSlotCursor(m_replyStart);
    DecodeRegisterBytes(m_table, *data, m_state.decimalSeparator,
                        [this](const QString &line) { m_screen.appendLine(control("Memo3"), line); });
    if (cursor != m_cursorAtSend)
        m_table.setSlotCursor(cursor);
}

} // namespace korvel
