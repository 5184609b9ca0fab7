// A received chunk through the real client: the read notification, the dispatcher, every installed
// handler, then one renderer pass over the views. The client lives across inputs, as it does across
// reads, so state left by one chunk meets the next.
#include "MemoryLink.h"
#include "ScenarioEnvironment.h"
#include "app/Client.h"
#include "core/Ticker.h"
#include "ui/ClientWindows.h"
#include "values/DeviceValueTable.h"

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
    std::unique_ptr<Client> client;
};

// Never destroyed: at exit Qt's own globals go first, and windows must not outlive them.
Harness &harness()
{
    static Harness *h = new Harness;
    return *h;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Harness &h = harness();
    h.app = std::make_unique<QApplication>(*argc, *argv);
    h.environment = std::make_unique<ScenarioEnvironment>();
    h.link = std::make_unique<MemoryLink>();
    h.client = std::make_unique<Client>(*h.environment, *h.link);
    h.client->start();
    Screen &screen = h.client->windows().screen();
    screen.setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
    qobject_cast<QAbstractButton *>(h.client->windows().screen().find(QStringLiteral("TFrmGiris.suiButton1")))
        ->click();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Harness &h = harness();
    if (size == 0)
        return 0;
    // The first byte picks the kind of the pending request and the slot cursor, as a sender would set
    // them; the rest is the chunk.
    static const char *const kinds[] = {"anideger",  "tuketim",   "sabitler",  "kondasatordurum",
                                        "harmonikb", "harmoniki", "harmoniku", "sayac"};
    h.client->state().pendingKind = QString::fromLatin1(kinds[data[0] & 7]);
    h.client->valueTable().setSlotCursor(data[0] >> 3 == 31 ? 250 : (data[0] >> 3) * 4);
    h.link->deliver(QByteArray(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1)));
    // The link goes quiet: a tail held back for the rest of its reply is handled as it stands.
    if (Ticker *hold = h.environment->ticker(QStringLiteral("TFrmAna.TimerParca")); hold && hold->isActive())
        hold->fire();
    if (Ticker *renderer = h.environment->ticker(QStringLiteral("TFrmAna.Timer1")))
        renderer->fire();
    h.environment->takeBoxes();
    QCoreApplication::processEvents();
    h.link->takeSent();
    return 0;
}
