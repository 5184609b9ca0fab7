// The tool window's serial receive path in the real client: a read request sent from the window's
// fields, then the bytes of the line in receive notifications, some while the pause after the send
// still runs, through the collection as dump text and the decoding of a complete read reply.
#include "MemoryLink.h"
#include "MemorySerialPort.h"
#include "ScenarioEnvironment.h"
#include "app/Client.h"
#include "core/Ticker.h"
#include "tool/ModbusRtu.h"
#include "ui/ClientWindows.h"

#include <QAbstractButton>
#include <QApplication>
#include <cstdint>
#include <memory>

using namespace korvel;

namespace
{
struct Harness {
    std::unique_ptr<QApplication> app;
    std::unique_ptr<ScenarioEnvironment> environment;
    std::unique_ptr<MemoryLink> link;
    std::unique_ptr<MemorySerialPort> port;
    std::unique_ptr<Client> client;
};

// Never destroyed: at exit Qt's own globals go first, and windows must not outlive them.
Harness &harness()
{
    static Harness *h = new Harness;
    return *h;
}

void click(const char *button)
{
    qobject_cast<QAbstractButton *>(harness().client->windows().screen().find(QString::fromLatin1(button)))
        ->click();
}

void endPauses()
{
    Harness &h = harness();
    for (bool pausing = true; pausing;) {
        pausing = false;
        for (const char *pause : {"TVD1KAL.ReadPause", "TVD1KAL.WritePause"}) {
            Ticker *ticker = h.environment->ticker(QString::fromLatin1(pause));
            if (ticker && ticker->isActive()) {
                ticker->fire();
                pausing = true;
            }
        }
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Harness &h = harness();
    h.app = std::make_unique<QApplication>(*argc, *argv);
    h.environment = std::make_unique<ScenarioEnvironment>();
    h.link = std::make_unique<MemoryLink>();
    h.port = std::make_unique<MemorySerialPort>();
    h.client = std::make_unique<Client>(*h.environment, *h.link, *h.port);
    h.client->start();
    h.client->windows().screen().setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
    click("TFrmGiris.suiButton1");
    return 0;
}

// Input: address, start register, count, flags, then the line's bytes, delivered in pieces whose first
// byte picks their length (1 to 32). Flags: bit 0 a write click before the read, bit 1 the reply gets its CRC
// appended, bit 2 the pieces arrive while the pause runs.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    Harness &h = harness();
    Screen &screen = h.client->windows().screen();
    screen.setCaption(QStringLiteral("TVD1KAL.Edit1"), QString::number(data[0] & 1 ? 1 : data[0]));
    screen.setCaption(QStringLiteral("TVD1KAL.Edit2"), QString::number(int(int8_t(data[1])) + 100));
    screen.setCaption(QStringLiteral("TVD1KAL.Edit3"), QString::number(data[2]));
    const uint8_t flags = data[3];
    if (flags & 1)
        click("TVD1KAL.Button2");
    click("TVD1KAL.Button1");
    if (!(flags & 4))
        endPauses();
    QByteArray line(reinterpret_cast<const char *>(data + 4), qsizetype(size - 4));
    if (flags & 2)
        modbus::appendCrc(line);
    for (qsizetype at = 0; at < line.size();) {
        const qsizetype length = std::min<qsizetype>(quint8(line[at]) % 32 + 1, line.size() - at);
        h.port->deliver(line.mid(at, length));
        at += length;
    }
    endPauses();
    h.port->takeSent();
    h.link->takeSent();
    h.environment->takeBoxes();
    QCoreApplication::processEvents();
    return 0;
}
