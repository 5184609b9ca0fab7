// The meter readout: "sayacal" replies through the real handler (both memos, the code table, the comma
// step) on a screen that only keeps captions, and the code table on two different memo texts.
#include "CaptionScreen.h"
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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static test::CaptionScreen screen;
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
