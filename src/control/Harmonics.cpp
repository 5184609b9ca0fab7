#include "control/Harmonics.h"

#include "control/WaveformReply.h"
#include "core/ClientState.h"
#include "core/NumberText.h"
#include "core/Screen.h"
#include "link/Connection.h"
#include "link/MessageFramer.h"
#include "link/ReplyText.h"
#include "values/NumberFormat.h"

namespace korvel
{

namespace
{
// The controls and texts of one phase; quantity 0 is the voltage, 1 the current.
struct Phase {
    const char16_t *kind;
    const char16_t *verb;
    const char *button;
    const char16_t *outgoing;
    const char *waveform;
    // Where the lines of the trace go: the samples sit on this row.
    int lineRow;
    const char *spectra[2];
    const char *selectors[2];
    const char *valueBoxes[2];
    const char16_t *titles[2];
    // Written at the top right of the spectra; phase 1 has none.
    const char16_t *labels[2];
};

const Phase phases[Harmonics::phaseCount] = {
    {u"harmonikb",
     u"harmonikbir",
     "VrShadowButton5",
     u"Faz1 harmonik değerleri istendi.Lütfen bekleyin...",
     "Image1",
     128,
     {"Image4", "Image5"},
     {"SpinEdit2", "SpinEdit1"},
     {"EditH22", "EditH2"},
     {u"V1 için H1: ", u"I1 için H1: "},
     {nullptr, nullptr}},
    {u"harmoniki",
     u"harmonikiki",
     "VrShadowButton6",
     u"Faz2 harmonik değerleri istendi.Lütfen bekleyin...",
     "Image2",
     110,
     {"Image6", "Image7"},
     {"SpinEdit3", "SpinEdit4"},
     {"EditH11", "EditH12"},
     {u"V2 için H1: ", u"I2 için H1: "},
     {u"V2", u"I2"}},
    {u"harmoniku",
     u"harmonikuc",
     "VrShadowButton7",
     u"Faz3 harmonik değerleri istendi.Lütfen bekleyin...",
     "Image3",
     110,
     {"Image8", "Image9"},
     {"SpinEdit5", "SpinEdit6"},
     {"EditH31", "EditH32"},
     {u"V3 için H1: ", u"I3 için H1: "},
     {u"V3", u"I3"}},
};

// The first sample sits on this row on every phase.
constexpr int firstRow = 110;

constexpr Colour darkBlue = rgb(0, 0, 64);
constexpr Colour darkRed = rgb(64, 0, 0);
constexpr Colour yellow = rgb(255, 255, 0);
constexpr int penWidth = 2;

QString name(const char *control)
{
    return QString::fromLatin1(control);
}
} // namespace

Harmonics::Harmonics(Screen &screen, ClientState &state, Connection &connection, QObject *parent)
    : QObject(parent), m_screen(screen), m_state(state), m_connection(connection)
{
}

QString Harmonics::pendingKind(int phase)
{
    return QString::fromUtf16(phases[phase].kind);
}

void Harmonics::connectControls()
{
    for (int p = 0; p < phaseCount; ++p) {
        m_screen.onClick(name(phases[p].button), this, [this, p] { request(p); });
        for (int q = 0; q < 2; ++q)
            m_screen.onChange(name(phases[p].selectors[q]), this, [this, p, q] { selectorChanged(p, q); });
    }
}

void Harmonics::request(int phase)
{
    const Phase &p = phases[phase];
    m_state.pendingKind = QString::fromUtf16(p.kind);
    m_connection.send(
        MessageFramer::request(QString::fromUtf16(p.verb), {m_screen.caption(QStringLiteral("Edit111"))}));
    m_screen.setCaption(QStringLiteral("LblGiden"), QString::fromUtf16(p.outgoing));
    m_screen.setCaption(QStringLiteral("LblMesaj"), QString());
}

void Harmonics::handleReply(int phase, ReplyText &text)
{
    const QString number = QString::number(m_state.activeDeviceNumber);
    m_screen.setCaption(QStringLiteral("LblMesaj"),
                        number + QStringLiteral(" Seri Nolu Cihazın harmonik değerleri alınıyor. "));
    text.drop(11);
    const WaveformReply reply = WaveformReply::read(text.rest());
    text.clear();

    drawWaveform(phase, reply.samples);
    for (qsizetype j = 0; j < reply.samples.size() && j < 2 * storedSamples - 2; ++j) {
        if (j < Spectrum::sampleCount)
            m_samples[0][size_t(j)] = reply.samples[j];
        else
            m_samples[1][size_t(j - Spectrum::sampleCount)] = reply.samples[j];
    }

    m_screen.setCaption(QStringLiteral("Label2"),
                        reply.failed ? QStringLiteral("Harmonik alırken bir hata oluştu")
                                     : number + QStringLiteral(" nolu cihaz harmonik verileri"));
    computeSpectrum(phase);
}

void Harmonics::drawWaveform(int phase, const QList<int> &samples)
{
    const Phase &p = phases[phase];
    const QString picture = name(p.waveform);
    const QSize size = m_screen.pictureSize(picture);
    const int half = size.width() / 2;
    m_screen.clearPicture(picture, darkBlue);
    m_screen.fillRectangle(picture, QRect(half, 0, size.width() - half, size.height()), darkRed);

    // The line that ends at a sample takes the colour of the sample before it: yellow after a voltage
    // sample, green after a current sample. Points far beyond the right edge draw nothing and are left
    // out, so a long reply costs no drawing.
    QList<QPoint> trace;
    Colour colour = yellow;
    for (qsizetype j = 0; j < samples.size(); ++j) {
        const int x = int(2 * j);
        const QPoint point(x, samples[j] + (j == 0 ? firstRow : p.lineRow));
        trace.append(point);
        const Colour next = j < Spectrum::sampleCount ? yellow : colours::lime;
        const bool beyond = x > size.width() + penWidth;
        if ((next != colour || beyond) && trace.size() > 1) {
            m_screen.drawPolyline(picture, trace, colour, penWidth);
            trace = {point};
        }
        colour = next;
        if (beyond) {
            trace.clear();
            break;
        }
    }
    m_screen.drawPolyline(picture, trace, colour, penWidth);
}

void Harmonics::computeSpectrum(int phase)
{
    const Phase &p = phases[phase];
    const QChar separator = m_state.decimalSeparator;
    for (int q = 0; q < 2; ++q) {
        const Spectrum::Magnitudes h = Spectrum::magnitudes(std::span<const double, Spectrum::sampleCount>(
            m_samples[size_t(q)].data(), Spectrum::sampleCount));
        QStringList texts;
        texts.reserve(Spectrum::orderCount);
        for (double magnitude : h)
            texts.append(formatGeneral(magnitude, separator));

        const QString picture = name(p.spectra[q]);
        const QSize size = m_screen.pictureSize(picture);
        m_screen.clearPicture(picture, colours::black);
        const double h1 = h[0];
        for (int c = 0; c < Spectrum::orderCount; ++c) {
            const int b = Spectrum::barHeight(h[size_t(c)], h1);
            if (b > 0)
                m_screen.fillRectangle(picture, QRect(7 * c + 5, size.height() - b, 5, b), yellow);
        }
        m_screen.drawTitle(picture, QPoint(20, 10),
                           QString::fromUtf16(p.titles[q]) + formatMask(h1, u"000.00", separator),
                           colours::red);
        if (p.labels[q])
            m_screen.drawText(picture, QPoint(size.width() - 50, 2), QString::fromUtf16(p.labels[q]),
                              colours::green);
        m_screen.setCaption(name(p.valueBoxes[q]), texts.first());
        m_lists[size_t(phase)][size_t(q)] = std::move(texts);
    }
}

void Harmonics::selectorChanged(int phase, int quantity)
{
    const Phase &p = phases[phase];
    const std::optional<QStringList> &list = m_lists[size_t(phase)][size_t(quantity)];
    const std::optional<qint32> order = parseInt32(m_screen.caption(name(p.selectors[quantity])));
    if (!list || !order || *order < 1 || *order > Spectrum::orderCount)
        return;
    m_screen.setCaption(name(p.valueBoxes[quantity]), list->at(*order - 1));
}

} // namespace korvel
