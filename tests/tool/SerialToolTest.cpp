// The tool window's serial link end to end: the real windows, a real serial port on a pseudo-terminal,
// and a libmodbus RTU server answering on the other end of it.
#include "MemoryLink.h"
#include "MemorySerialPort.h"
#include "ScenarioEnvironment.h"
#include "TestApplication.h"
#include "app/Client.h"
#include "core/Ticker.h"
#include "tool/AnalyzerTool.h"
#include "tool/CapacitorMirror.h"
#include "tool/SystemSerialPort.h"
#include "ui/ClientWindows.h"
#include "values/DeviceValueTable.h"

#include <QAbstractButton>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <modbus.h>
#include <pty.h>
#include <thread>
#include <unistd.h>

using namespace korvel;

namespace
{

// A Modbus RTU server with 100 holding registers on the master side of a pseudo-terminal; the client
// opens the slave side by its name. It answers until stopped, counting its replies.
class ModbusPeer final
{
public:
    ModbusPeer()
    {
        char name[256] = {};
        if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            return;
        m_slaveName = QString::fromLocal8Bit(name);
        // The slave stays open here too, so the line does not hang up between the client's reopens.
        m_context = modbus_new_rtu(name, 9600, 'N', 8, 1);
        modbus_set_slave(m_context, 1);
        modbus_set_socket(m_context, m_master);
        m_registers = modbus_mapping_new(0, 0, 100, 0);
    }

    ~ModbusPeer()
    {
        stop();
        if (m_registers)
            modbus_mapping_free(m_registers);
        if (m_context)
            modbus_free(m_context);
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }

    bool ready() const { return m_context && m_registers; }
    QString slaveName() const { return m_slaveName; }
    uint16_t *registers() { return m_registers->tab_registers; }
    int replies() const { return m_replies; }

    void start()
    {
        m_running = true;
        m_thread = std::thread([this] {
            uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
            modbus_set_response_timeout(m_context, 0, 100000);
            while (m_running) {
                // Times out now and then, so that stop() is seen.
                modbus_set_indication_timeout(m_context, 0, 100000);
                const int length = modbus_receive(m_context, query);
                if (length > 0 && modbus_reply(m_context, query, length, m_registers) > 0)
                    ++m_replies;
            }
        });
    }

    void stop()
    {
        m_running = false;
        if (m_thread.joinable())
            m_thread.join();
    }

    // The other end goes away.
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }
    void closeSlave()
    {
        if (m_slave >= 0)
            ::close(m_slave);
        m_slave = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slaveName;
    modbus_t *m_context = nullptr;
    modbus_mapping_t *m_registers = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<int> m_replies{0};
};

// Holding registers carry the device's floats most significant byte first, two registers each.
void putFloat(uint16_t *registers, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    registers[0] = uint16_t(bits >> 16);
    registers[1] = uint16_t(bits & 0xFFFF);
}

class SerialToolTest : public ::testing::Test
{
protected:
    void SetUp() override { test::application("tool_serial_tests"); }

    void makeClient(SerialPort &port) { m_client = std::make_unique<Client>(m_environment, m_link, port); }

    Screen &screen() { return m_client->windows().screen(); }
    DeviceValueTable &table() { return m_client->valueTable(); }
    void click(const char *button)
    {
        auto *b = qobject_cast<QAbstractButton *>(
            m_client->windows().screen().find(QStringLiteral("TVD1KAL.") + QString::fromLatin1(button)));
        ASSERT_TRUE(b);
        b->click();
    }
    QString caption(const char *control)
    {
        return screen().caption(QStringLiteral("TVD1KAL.") + QString::fromLatin1(control));
    }
    Ticker *readPause() { return m_environment.ticker(QStringLiteral("TVD1KAL.ReadPause")); }

    ScenarioEnvironment m_environment;
    MemoryLink m_link;
    std::unique_ptr<Client> m_client;
};

TEST_F(SerialToolTest, ReadsRegistersFromAModbusServerOverAPseudoTerminal)
{
    ModbusPeer peer;
    ASSERT_TRUE(peer.ready());
    putFloat(peer.registers() + 10, 220.5f);
    putFloat(peer.registers() + 12, -0.95f);
    peer.registers()[14] = 0x1234; // a third group, not asked for
    peer.start();

    SystemSerialPort port(peer.slaveName());
    makeClient(port);
    screen().setCaption(QStringLiteral("TVD1KAL.Edit2"), QStringLiteral("10"));
    screen().setCaption(QStringLiteral("TVD1KAL.Edit3"), QStringLiteral("4"));
    click("Button1");
    EXPECT_TRUE(port.isOpen()); // the pseudo-terminal refuses DTR and RTS, which is no error
    ASSERT_TRUE(readPause()->isActive());

    // The answer arrives during the pause and waits for its end.
    ASSERT_TRUE(QTest::qWaitFor([&] { return peer.replies() == 1; }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(caption("Label2"), QStringLiteral("Mesaj..."));
    EXPECT_EQ(table().value(1, 10), DeviceValueTable::Unset);
    readPause()->fire();

    ASSERT_TRUE(QTest::qWaitFor([&] { return table().slotCursor() == 12; }, 5000));
    EXPECT_EQ(caption("Label2"), QStringLiteral("Normal"));
    EXPECT_EQ(table().value(1, 10), 220.5);
    EXPECT_EQ(table().value(1, 11), double(-0.95f));
    EXPECT_EQ(table().value(1, 12), DeviceValueTable::Unset);
    EXPECT_EQ(table().rawByte(1, 10, 0), 0x43);
    EXPECT_TRUE(table().receiveText().startsWith(QStringLiteral("1$3$8$67$92$128$0$191$115$51$51$")))
        << table().receiveText().toStdString();
    EXPECT_EQ(table().receiveText().count(u'$'), 3 + 8 + 2);
    EXPECT_TRUE(
        screen().lines(QStringLiteral("TVD1KAL.Memo3")).contains(QStringLiteral("toplam:220.5=220.5")));

    // A second read reopens the port and is answered again.
    screen().setCaption(QStringLiteral("TVD1KAL.Edit2"), QStringLiteral("12"));
    screen().setCaption(QStringLiteral("TVD1KAL.Edit3"), QStringLiteral("2"));
    click("Button1");
    readPause()->fire();
    ASSERT_TRUE(QTest::qWaitFor([&] { return table().slotCursor() == 13; }, 5000));
    EXPECT_EQ(table().value(1, 12), double(-0.95f));
}

TEST_F(SerialToolTest, ClosesThePortWhenTheOtherEndGoesAway)
{
    auto peer = std::make_unique<ModbusPeer>();
    ASSERT_TRUE(peer->ready());
    SystemSerialPort port(peer->slaveName());
    makeClient(port);
    click("Button1");
    readPause()->fire();
    ASSERT_TRUE(port.isOpen());
    // Without the close, every pass of the event loop would report another read error.
    peer->closeSlave();
    peer->closeMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !port.isOpen(); }, 5000));
    EXPECT_EQ(caption("Label2"), QStringLiteral("Hatatata"));
}

TEST_F(SerialToolTest, APortThatCannotBeOpenedSendsNothingAndSaysWhyOnStandardError)
{
    SystemSerialPort port(QStringLiteral("/dev/korvel-no-such-port"));
    makeClient(port);
    testing::internal::CaptureStderr();
    click("Button1");
    const std::string error = testing::internal::GetCapturedStderr();
    EXPECT_NE(error.find("/dev/korvel-no-such-port"), std::string::npos) << error;
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(readPause()->isActive());
    EXPECT_EQ(caption("Edit4"), QStringLiteral("Edit4"));
    EXPECT_TRUE(m_environment.takeBoxes().isEmpty());
}

TEST_F(SerialToolTest, CapacitorMasksBecomeTheDataBytesOfTheNextWrite)
{
    MemorySerialPort port;
    makeClient(port);
    // The capacitor command with C1 and C6 of "Grup1" on and nothing else.
    tool::mirrorCapacitorMasks(screen(), QStringLiteral("33"), QStringLiteral("0"), QStringLiteral("0"),
                               QStringLiteral("0"));
    EXPECT_EQ(caption("b1"), QStringLiteral("33"));
    EXPECT_EQ(caption("b4"), QStringLiteral("0"));
    click("Button2");
    EXPECT_EQ(port.takeSent().toHex(' '), QByteArray("01 06 00 00 21 00 00 00 ed fb"));
}

TEST_F(SerialToolTest, NotificationsAndClicksDuringThePauseRunAfterItInOrder)
{
    MemorySerialPort port;
    makeClient(port);
    click("Button1");
    port.takeSent();
    port.deliver(QByteArray("\x01", 1));
    port.deliver(QByteArray("\x03", 1));
    port.deliver(QByteArray("\x04", 1));
    click("Button2");
    EXPECT_EQ(caption("Label2"), QStringLiteral("Mesaj..."));
    EXPECT_TRUE(port.takeSent().isEmpty());
    EXPECT_EQ(screen().colour(QStringLiteral("Shape1")), colours::white);

    // Three notifications of one byte each, three flips; then the write, which empties receiveText.
    readPause()->fire();
    EXPECT_EQ(caption("Label2"), QStringLiteral("Normal"));
    EXPECT_EQ(screen().colour(QStringLiteral("Shape1")), rgb(0x7F, 0xFF, 0xFF));
    EXPECT_TRUE(table().receiveText().isEmpty());
    EXPECT_EQ(port.takeSent().toHex(' '), QByteArray("01 06 00 00 ff ff ff ff e6 53"));

    Ticker *writePause = m_environment.ticker(QStringLiteral("TVD1KAL.WritePause"));
    ASSERT_TRUE(writePause->isActive());
    port.deliver(QByteArray("\x05", 1));
    port.deliver(QByteArray("\x06\x07", 2));
    EXPECT_TRUE(table().receiveText().isEmpty());
    writePause->fire();
    EXPECT_EQ(table().receiveText(), QStringLiteral("5$6$7$"));
    EXPECT_EQ(screen().colour(QStringLiteral("Shape1")), rgb(0x7F, 0xFF, 0xFF));
    EXPECT_FALSE(writePause->isActive());
}

TEST_F(SerialToolTest, AReplySplitAnywhereIsDecodedOnce)
{
    MemorySerialPort port;
    makeClient(port);
    screen().setCaption(QStringLiteral("TVD1KAL.Edit3"), QStringLiteral("2"));
    const QByteArray reply("\x01\x03\x04\x43\x5C\x80\x00\x4E\x65", 9);
    for (qsizetype split = 0; split <= reply.size(); ++split) {
        table().resetRow(1);
        click("Button1");
        readPause()->fire();
        port.deliver(reply.first(split));
        EXPECT_EQ(table().value(1, 0), split == reply.size() ? 220.5 : DeviceValueTable::Unset) << split;
        port.deliver(reply.sliced(split));
        EXPECT_EQ(table().value(1, 0), 220.5) << split;
        EXPECT_EQ(table().slotCursor(), 1) << split;
        EXPECT_EQ(table().receiveText(), QStringLiteral("1$3$4$67$92$128$0$78$101$")) << split;
    }
}

TEST_F(SerialToolTest, ALineThatNeverStopsCannotFillTheMemory)
{
    MemorySerialPort port;
    makeClient(port);
    click("Button1");
    readPause()->fire();
    const QByteArray chunk(4096, char(200));
    for (int i = 0; i < 64; ++i)
        port.deliver(chunk);
    EXPECT_LE(table().receiveText().size(), AnalyzerTool::MaxReceiveText + 4 * chunk.size());
    EXPECT_EQ(caption("Label2"), QStringLiteral("Normal"));
    EXPECT_EQ(table().value(1, 0), DeviceValueTable::Unset);
}

} // namespace
