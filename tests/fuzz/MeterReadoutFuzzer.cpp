// The meter readout: "sayacal" replies through the real handler (both memos, the code table, the comma
// step) on a screen that only keeps captions, and the code table on two different memo texts.
#include "FuzzInput.h"
#include "core/AbortChunk.h"
#include "core/ClientState.h"
#include "core/Screen.h"
#include "link/ReplyText.h"
#include "metering/MeterReadout.h"
#include "metering/ReadoutCodes.h"

#include <QByteArrayView>
#include <QHash>
#include <cstdlib>

using namespace korvel;

namespace
{
// Captions only: the readout handler reads and writes nothing else.
class CaptionScreen final : public Screen
{
public:
    void setCaption(const QString &control, const QString &text) override { m_captions[control] = text; }
    QString caption(const QString &control) const override { return m_captions.value(control); }
    void setColour(const QString &, Colour) override {}
    Colour colour(const QString &) const override { return 0; }
    void setVisible(const QString &, bool) override {}
    bool isVisible(const QString &) const override { return true; }
    void setEnabled(const QString &, bool) override {}
    bool isEnabled(const QString &) const override { return true; }
    void setChecked(const QString &, bool) override {}
    bool isChecked(const QString &) const override { return false; }
    void setPosition(const QString &, int) override {}
    int position(const QString &) const override { return 0; }
    void appendLine(const QString &, const QString &) override {}
    QStringList lines(const QString &) const override { return {}; }
    void setTabShown(int, bool) override {}
    bool isTabShown(int) const override { return true; }
    void setActivePage(int) override {}
    int activePage() const override { return 0; }
    bool setPicture(const QString &, const QString &) override { return false; }
    QString picture(const QString &) const override { return {}; }
    void onClick(const QString &, QObject *, std::function<void()>) override {}
    void onChange(const QString &, QObject *, std::function<void()>) override {}
    void onShown(const QString &, QObject *, std::function<void()>) override {}
    void onClosed(const QString &, QObject *, std::function<void()>) override {}
    void setFocus(const QString &) override {}
    void closeWindow(const QString &) override {}
    void showWindow(const QString &) override {}
    void repaint() override {}
    QSize pictureSize(const QString &) const override { return {}; }
    void clearPicture(const QString &, Colour) override {}
    void fillRectangle(const QString &, const QRect &, Colour) override {}
    void drawPolyline(const QString &, const QList<QPoint> &, Colour, int) override {}
    void drawText(const QString &, QPoint, const QString &, Colour) override {}
    void drawTitle(const QString &, QPoint, const QString &, Colour) override {}

private:
    QHash<QString, QString> m_captions;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static CaptionScreen screen;
    static ClientState state;
    static MeterReadout readout(screen, state);
    // The first byte picks the decimal separator; the rest are the replies, cut at the terminator, each
    // behind the tag as the dispatcher hands it over.
    state.decimalSeparator = data[0] & 1 ? QLatin1Char(',') : QLatin1Char('.');
    readout.reset();
    const QString input = fuzz::wireText(data + 1, size - 1);
    const QString terminator = QStringLiteral("\u00F4\u00F4\u00F4");
    for (const QString &reply : input.split(terminator)) {
        ReplyText text(QStringLiteral("sayacal\x01\x01\x01") + reply);
        // A weekday that is not a digit ends the chunk's handling: the handler's failure path.
        try {
            readout.handleReadout(text);
        } catch (const AbortChunk &) {
        }
        if (text.size() > reply.size())
            std::abort();
    }
    // The two memos need not hold the same text.
    const qsizetype half = input.size() / 2;
    int set = 0;
    ReadoutCodes::extract(QStringView(input).left(half), QStringView(input).mid(half),
                          [&set](const char *, const QString &) { ++set; });
    if (set > int(std::size(ReadoutCodes::table)))
        std::abort();
    return 0;
}
