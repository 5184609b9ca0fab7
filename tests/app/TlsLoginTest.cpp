#include "ScenarioEnvironment.h"
#include "TestApplication.h"
#include "app/Client.h"
#include "app/CommandLine.h"
#include "core/Screen.h"
#include "core/Ticker.h"
#include "link/CertificatePins.h"
#include "link/Cp1254.h"
#include "link/MessageFramer.h"
#include "link/TcpLink.h"
#include "ui/ClientWindows.h"
#include "ui/WidgetScreen.h"

#include <QAbstractButton>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace korvel;

namespace
{

QString tlsFile(const char *name)
{
    return QStringLiteral(KORVEL_TEST_TLS_DIR "/") + QString::fromUtf8(name);
}

bool waitFor(const std::function<bool()> &condition, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Lets the event loop run for a while: for checking that something does not happen.
void settle(int ms = 300)
{
    waitFor([] { return false; }, ms);
}

QString fingerprintOf(const char *name)
{
    QFile file(tlsFile(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(
        QSslCertificate(file.readAll()).digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}

const QByteArray loginReply = cp1254::encode(QStringLiteral("haklar\x01"
                                                            "3\x01"
                                                            "1\x01\xF4\xF4\xF4"));

// A data server that answers the login as korvel-server does, over TLS with one of the test certificates
// (or, plain, over TCP). It keeps every byte it received: decrypted for TLS, raw for plain.
class FakeServer final
{
public:
    explicit FakeServer(const char *certificate)
    {
        auto *tls = new QSslServer;
        m_server.reset(tls);
        useCertificate(certificate);
        QObject::connect(tls, &QSslServer::pendingConnectionAvailable, tls, [this] { take(); });
        EXPECT_TRUE(m_server->listen(QHostAddress::LocalHost, 0));
    }
    // Plain TCP.
    FakeServer()
    {
        m_server = std::make_unique<QTcpServer>();
        QObject::connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, m_server.get(),
                         [this] { take(); });
        EXPECT_TRUE(m_server->listen(QHostAddress::LocalHost, 0));
    }

    // Later connections get this certificate.
    void useCertificate(const char *name)
    {
        QFile pem(tlsFile((std::string(name) + ".pem").c_str()));
        QFile key(tlsFile((std::string(name) + ".key").c_str()));
        ASSERT_TRUE(pem.open(QIODevice::ReadOnly) && key.open(QIODevice::ReadOnly)) << name;
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(QSslCertificate(pem.readAll()));
        configuration.setPrivateKey(QSslKey(key.readAll(), QSsl::Ec));
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        static_cast<QSslServer *>(m_server.get())->setSslConfiguration(configuration);
    }

    quint16 port() const { return m_server->serverPort(); }
    int connections() const { return m_connections; }
    QByteArray received() const { return m_received; }
    // Closes every connection, as a server that restarts.
    void dropAll()
    {
        for (const QPointer<QTcpSocket> &s : m_sockets)
            if (s)
                s->abort();
    }

private:
    void take()
    {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            ++m_connections;
            m_sockets << socket;
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                m_received += socket->readAll();
                // The login's answer; a plain server answers whatever came.
                socket->write(loginReply);
            });
        }
    }

    std::unique_ptr<QTcpServer> m_server;
    QList<QPointer<QTcpSocket>> m_sockets;
    QByteArray m_received;
    int m_connections = 0;
};

// The real client, offscreen, on a real TLS link.
class TlsLogin : public ::testing::Test
{
protected:
    void SetUp() override { test::application("app_tests"); }

    void start(ServerAddress address = {})
    {
        m_client.reset();
        m_link = std::make_unique<TcpLink>();
        m_client = std::make_unique<Client>(m_environment, *m_link, std::move(address));
        m_client->start();
    }
    static ServerAddress tls(const QString &authorityFile = {})
    {
        ServerAddress a;
        a.tls = true;
        a.authorityFile = authorityFile;
        return a;
    }

    WidgetScreen &screen() { return m_client->windows().screen(); }
    QString caption(const char *name) { return screen().caption(QString::fromUtf8(name)); }
    void click(const char *name)
    {
        auto *button = qobject_cast<QAbstractButton *>(screen().find(QString::fromUtf8(name)));
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }

    void connectTo(quint16 port)
    {
        screen().setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
        screen().setCaption(QStringLiteral("TFrmGiris.Edit4"), QStringLiteral("şifre"));
        screen().setCaption(QStringLiteral("TFrmGiris.edtport"), QString::number(port));
        click("TFrmGiris.suiButton1");
    }
    bool loggedIn()
    {
        return waitFor([this] { return m_client->connection().isLoginAnswered(); });
    }
    // The attempt ended with the login window back.
    bool refused()
    {
        return waitFor([this] {
            return !m_client->connection().isWaiting() && screen().isVisible(QStringLiteral("TFrmGiris")) &&
                   screen().isEnabled(QStringLiteral("TFrmGiris.suiButton1"));
        });
    }
    QString pin(quint16 port)
    {
        return m_environment.setting(QStringLiteral("sertifikalar/localhost:") + QString::number(port));
    }

    const QByteArray login =
        cp1254::encode(MessageFramer::login(QStringLiteral("demo"), QStringLiteral("şifre")));
    ScenarioEnvironment m_environment;
    std::unique_ptr<TcpLink> m_link;
    std::unique_ptr<Client> m_client;
};

} // namespace

// A certificate signed by the given authority logs in; any certificate that does not verify is refused
// (or, when no authority vouches for it, asked about) before a byte of the login goes out.
TEST_F(TlsLogin, VerifiesTheServerCertificateBeforeSending)
{
    const QString ca = tlsFile("ca.pem");
    const struct {
        const char *certificate;
        QString authorityFile;
        bool connects;
        // Empty: no question.
        QString questionContains;
        const char *status;
        const char *boxContains;
    } cases[] = {
        {"server", ca, true, {}, "  Rivodov Bağlanıyor", ""},
        // Valid for other.example, not for localhost.
        {"other", ca, false, {}, "Sertifika reddedildi", "localhost:"},
        // Not signed by the given authority: refused with the reason, never put to the user.
        {"self", ca, false, {}, "Sertifika reddedildi", "localhost:"},
        {"server", {}, false, QStringLiteral("güvenilsin mi?"), "Sertifikaya güvenilmedi", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.certificate + (" with authority " + c.authorityFile.toStdString()));
        FakeServer server(c.certificate);
        start(tls(c.authorityFile));
        m_environment.takeBoxes();
        if (!c.questionContains.isEmpty())
            m_environment.queueAnswer(false);
        connectTo(server.port());
        if (c.connects) {
            ASSERT_TRUE(loggedIn());
            EXPECT_EQ(server.received(), login);
            EXPECT_EQ(caption("TFrmGiris.LABEL6.1"), QStringLiteral("Güvenli bağlantı"));
            EXPECT_EQ(caption("TFrmAna"), QStringLiteral("<<<<<<<demo Bağlı. Güvenli bağlantı.>>>>>>>>>"));
            EXPECT_TRUE(m_environment.takeBoxes().isEmpty());
            continue;
        }
        ASSERT_TRUE(refused());
        settle();
        EXPECT_TRUE(server.received().isEmpty()) << server.received().toStdString();
        EXPECT_EQ(caption("TFrmGiris.LABEL6"), QString::fromUtf8(c.status));
        EXPECT_EQ(caption("TFrmGiris.LABEL6.1"), QString());
        EXPECT_TRUE(pin(server.port()).isEmpty());
        const QStringList boxes = m_environment.takeBoxes();
        const QString expectedBox =
            c.questionContains.isEmpty() ? QString::fromUtf8(c.boxContains) : c.questionContains;
        ASSERT_EQ(boxes.size(), 1) << boxes.join(u'|').toStdString();
        EXPECT_TRUE(boxes.first().contains(expectedBox)) << boxes.first().toStdString();
        EXPECT_TRUE(m_environment.unansweredQuestion().isEmpty());
    }
}

// Yes pins the self-signed certificate: the next login asks nothing. Another certificate on the pinned
// server is refused with a warning and nothing sent, until the pin is removed in the login window.
TEST_F(TlsLogin, PinsATrustedCertificateAndRefusesAnotherOne)
{
    FakeServer server("self");
    start(tls());
    m_environment.queueAnswer(true);
    connectTo(server.port());
    ASSERT_TRUE(loggedIn());
    const QStringList question = m_environment.takeBoxes();
    ASSERT_EQ(question.size(), 1);
    EXPECT_TRUE(question.first().contains(fingerprintOf("self.pem")));
    EXPECT_TRUE(question.first().endsWith(QStringLiteral("Bu sunucunun sertifikasına güvenilsin mi?")));
    EXPECT_EQ(pin(server.port()), fingerprintOf("self.pem"));
    EXPECT_EQ(server.received(), login);

    start(tls());
    connectTo(server.port());
    ASSERT_TRUE(loggedIn());
    EXPECT_TRUE(m_environment.takeBoxes().isEmpty());

    server.useCertificate("self2");
    const QByteArray before = server.received();
    start(tls());
    connectTo(server.port());
    ASSERT_TRUE(refused());
    settle();
    EXPECT_EQ(server.received(), before);
    EXPECT_EQ(caption("TFrmGiris.LABEL6"), QStringLiteral("Sertifika değişti! Bağlanılmadı"));
    const QStringList warning = m_environment.takeBoxes();
    ASSERT_EQ(warning.size(), 1);
    EXPECT_TRUE(warning.first().startsWith(
        QStringLiteral("Sunucunun sertifikası değişti! Bağlantı dinleniyor olabilir.")));
    EXPECT_TRUE(warning.first().contains(fingerprintOf("self2.pem")));
    EXPECT_EQ(pin(server.port()), fingerprintOf("self.pem"));

    click("TFrmGiris.btnSertifikaSil");
    EXPECT_TRUE(pin(server.port()).isEmpty());
    EXPECT_EQ(caption("TFrmGiris.LABEL6"), QStringLiteral("Sabitlenmiş sertifika silindi"));
    m_environment.queueAnswer(true);
    connectTo(server.port());
    ASSERT_TRUE(loggedIn());
    EXPECT_EQ(pin(server.port()), fingerprintOf("self2.pem"));
}

// A lost TLS link reconnects over TLS; a reconnect that meets a changed certificate stops reconnecting
// with one warning, instead of warning at every back-off step.
TEST_F(TlsLogin, ReconnectsOverTlsAndStopsAtARefusedCertificate)
{
    FakeServer server("self");
    start(tls());
    m_environment.queueAnswer(true);
    connectTo(server.port());
    ASSERT_TRUE(loggedIn());
    m_environment.takeBoxes();

    server.dropAll();
    Ticker *reconnect = m_environment.ticker(QStringLiteral("TFrmAna.TimerReconnect"));
    ASSERT_TRUE(waitFor([reconnect] { return reconnect->isActive(); }));
    // The wait is counted down a second per tick; it grows while the link never stays up a minute.
    while (reconnect->isActive())
        reconnect->fire();
    ASSERT_TRUE(loggedIn());
    EXPECT_EQ(server.received(), login + login);
    EXPECT_EQ(server.connections(), 2);

    server.useCertificate("self2");
    server.dropAll();
    ASSERT_TRUE(waitFor([reconnect] { return reconnect->isActive(); }));
    // The wait is counted down a second per tick; it grows while the link never stays up a minute.
    while (reconnect->isActive())
        reconnect->fire();
    ASSERT_TRUE(refused());
    settle();
    EXPECT_FALSE(reconnect->isActive());
    EXPECT_EQ(server.received(), login + login);
    const QStringList boxes = m_environment.takeBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.first().startsWith(QStringLiteral("Sunucunun sertifikası değişti!")));
}

// With an authority given, a reconnect that meets a certificate it did not sign is refused with the
// reason like the first connect: no question, no further reconnects, nothing sent.
TEST_F(TlsLogin, AReconnectNeverOffersACertificateTheAuthorityDidNotSign)
{
    FakeServer server("server");
    start(tls(tlsFile("ca.pem")));
    connectTo(server.port());
    ASSERT_TRUE(loggedIn());
    m_environment.takeBoxes();

    server.useCertificate("self");
    server.dropAll();
    Ticker *reconnect = m_environment.ticker(QStringLiteral("TFrmAna.TimerReconnect"));
    ASSERT_TRUE(waitFor([reconnect] { return reconnect->isActive(); }));
    reconnect->fire();
    ASSERT_TRUE(refused());
    settle();
    EXPECT_TRUE(m_environment.unansweredQuestion().isEmpty());
    EXPECT_FALSE(reconnect->isActive());
    EXPECT_EQ(server.received(), login);
    EXPECT_EQ(caption("TFrmGiris.LABEL6"), QStringLiteral("Sertifika reddedildi"));
    EXPECT_EQ(caption("LblMesaj"), QStringLiteral("Sertifika reddedildi")) << "the countdown stays";
    EXPECT_TRUE(pin(server.port()).isEmpty());
    const QStringList boxes = m_environment.takeBoxes();
    ASSERT_EQ(boxes.size(), 1) << boxes.join(u'|').toStdString();
    EXPECT_TRUE(boxes.first().startsWith(QStringLiteral("Sunucunun sertifikası reddedildi")));
}

// With TLS on, a plain server gets a TLS greeting and nothing else: its plain answer fails the handshake,
// the client says so, and never logs in in clear.
TEST_F(TlsLogin, NeverFallsBackToPlainTcp)
{
    FakeServer plain;
    start(tls());
    connectTo(plain.port());
    ASSERT_TRUE(refused());
    settle();
    ASSERT_FALSE(plain.received().isEmpty());
    EXPECT_EQ(plain.received().at(0), '\x16'); // a TLS handshake record
    EXPECT_FALSE(plain.received().contains("kulsifre"));
    EXPECT_FALSE(m_client->connection().isLoginAnswered());
    EXPECT_EQ(caption("TFrmGiris.LABEL6"), QStringLiteral("Güvenli bağlantı kurulamadı"));
    const QStringList boxes = m_environment.takeBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.first().startsWith(QStringLiteral("Güvenli bağlantı kurulamadı")));
}

// The TLS box is remembered with the server; --tls ticks it whatever was remembered; F5 and F6 show it.
TEST_F(TlsLogin, TheTlsChoiceIsRememberedAndSetByTheCommandLine)
{
    start();
    EXPECT_FALSE(screen().isChecked(QStringLiteral("TFrmGiris.chkTls")));
    EXPECT_FALSE(screen().isVisible(QStringLiteral("TFrmGiris.chkTls")));
    m_client->connection().portKey();
    EXPECT_TRUE(screen().isVisible(QStringLiteral("TFrmGiris.chkTls")));
    EXPECT_TRUE(screen().isVisible(QStringLiteral("TFrmGiris.btnSertifikaSil")));

    const CommandLine::Result line = CommandLine::parse(
        {QStringLiteral("korvel"), QStringLiteral("--tls"), QStringLiteral("--ca-file"), tlsFile("ca.pem")});
    ASSERT_EQ(line.exitCode, -1) << line.text.toStdString();
    FakeServer server("server");
    start(line.startup.address);
    EXPECT_TRUE(screen().isChecked(QStringLiteral("TFrmGiris.chkTls")));
    EXPECT_TRUE(screen().isVisible(QStringLiteral("TFrmGiris.chkTls")));
    connectTo(server.port());
    ASSERT_TRUE(loggedIn());
    EXPECT_EQ(m_environment.setting(QStringLiteral("giris/tls")), QStringLiteral("1"));

    // Remembered: the next start has it ticked with no option.
    start();
    EXPECT_TRUE(screen().isChecked(QStringLiteral("TFrmGiris.chkTls")));
    EXPECT_TRUE(screen().isVisible(QStringLiteral("TFrmGiris.chkTls")));
    // Unticked and logged in over plain TCP, it is remembered off.
    FakeServer plain;
    screen().setChecked(QStringLiteral("TFrmGiris.chkTls"), false);
    connectTo(plain.port());
    ASSERT_TRUE(loggedIn());
    EXPECT_EQ(plain.received(), login);
    EXPECT_EQ(caption("TFrmGiris.LABEL6.1"), QString());
    EXPECT_EQ(m_environment.setting(QStringLiteral("giris/tls")), QStringLiteral("0"));
}

// What a handshake's certificate means: a pin outranks the authorities both ways (a verified but
// different certificate is refused, a pinned self-signed one passes), and only a certificate whose
// one fault is an unknown authority is put to the user. Pins are per host (any case) and port.
TEST(CertificatePinsTest, APinOutranksTheAuthoritiesAndOnlyAnUnknownAuthorityIsAsked)
{
    using Verdict = CertificatePins::Verdict;
    ScenarioEnvironment environment;
    CertificatePins pins(environment);
    const QString a = QStringLiteral("AA:01"), b = QStringLiteral("BB:02");
    const QString unknownAuthority = QStringLiteral("self-signed");
    const QString wrongName = QStringLiteral("host name mismatch");
    struct Case {
        QString pinned;
        CertificateCheck check;
        Verdict verdict;
    } cases[] = {
        {{}, {a, {}, false}, Verdict::Trusted},         {{}, {a, unknownAuthority, true}, Verdict::Ask},
        {{}, {a, wrongName, false}, Verdict::Rejected}, {a, {a, unknownAuthority, true}, Verdict::Trusted},
        {a, {b, {}, false}, Verdict::Changed},          {a, {b, unknownAuthority, true}, Verdict::Changed},
    };
    for (const Case &c : cases) {
        pins.forget(QStringLiteral("sunucu"), 17814);
        if (!c.pinned.isEmpty())
            pins.pin(QStringLiteral("Sunucu"), 17814, c.pinned);
        EXPECT_EQ(pins.judge(QStringLiteral("SUNUCU"), 17814, c.check), c.verdict)
            << c.pinned.toStdString() << " / " << c.check.fingerprint.toStdString();
        EXPECT_EQ(pins.judge(QStringLiteral("sunucu"), 17815, c.check),
                  c.check.problems.isEmpty()     ? Verdict::Trusted
                  : c.check.unknownAuthorityOnly ? Verdict::Ask
                                                 : Verdict::Rejected)
            << "another port has no pin";
    }
    EXPECT_TRUE(pins.forget(QStringLiteral("sunucu"), 17814));
    EXPECT_FALSE(pins.forget(QStringLiteral("sunucu"), 17814));
}

// With an authority named by the user, it alone decides: what it did not sign is refused, pinned or
// not, and nothing is ever asked; what it signed still has to match a pin.
TEST(CertificatePinsTest, ANamedAuthorityRefusesWhatItDidNotSignAndNeverAsks)
{
    using Verdict = CertificatePins::Verdict;
    ScenarioEnvironment environment;
    CertificatePins pins(environment, QStringLiteral("/etc/korvel/ca.pem"));
    const QString a = QStringLiteral("AA:01"), b = QStringLiteral("BB:02");
    const QString unknownAuthority = QStringLiteral("self-signed");
    struct Case {
        QString pinned;
        CertificateCheck check;
        Verdict verdict;
    } cases[] = {
        {{}, {a, {}, false}, Verdict::Trusted},
        {{}, {a, unknownAuthority, true}, Verdict::Rejected},
        {{}, {a, QStringLiteral("expired"), false}, Verdict::Rejected},
        {a, {a, unknownAuthority, true}, Verdict::Rejected},
        {a, {a, {}, false}, Verdict::Trusted},
        {a, {b, {}, false}, Verdict::Changed},
    };
    for (const Case &c : cases) {
        pins.forget(QStringLiteral("sunucu"), 17814);
        if (!c.pinned.isEmpty())
            pins.pin(QStringLiteral("sunucu"), 17814, c.pinned);
        EXPECT_EQ(pins.judge(QStringLiteral("sunucu"), 17814, c.check), c.verdict)
            << c.pinned.toStdString() << " / " << c.check.problems.toStdString();
    }
}
