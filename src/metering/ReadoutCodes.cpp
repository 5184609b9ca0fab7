#include "metering/ReadoutCodes.h"

#include <array>
#include <iterator>

namespace korvel::ReadoutCodes
{

namespace
{
constexpr Source M3 = Source::meterView;
constexpr Source M5 = Source::detailView;
} // namespace

// clang-format off
const Row table[38] = {
    {u"1.8.0(",   M3, Rule::width, 9, "Rzsycakttop"},
    {u"5.8.0(",   M3, Rule::width, 9, "Rzsycindtop"},
    {u"8.8.0(",   M3, Rule::width, 9, "Rzsyckaptop"},
    {u"1.8.1(",   M3, Rule::width, 9, "RzsycT1"},
    {u"1.8.2(",   M3, Rule::width, 9, "RzsycT2"},
    {u"1.8.3(",   M3, Rule::width, 9, "RzsycT3"},
    {u"0.0.0(",   M3, Rule::width, 8, "Sayacserino"},
    {u"1.8.0(",   M5, Rule::width, 9, "tplaktif"},
    {u"5.8.0(",   M5, Rule::width, 9, "tplinduktif"},
    {u"8.8.0(",   M5, Rule::width, 9, "tplkapasitif"},
    {u"1.8.1(",   M5, Rule::width, 9, "t1ak"},
    {u"1.8.2(",   M5, Rule::width, 9, "t2ak"},
    {u"1.8.3(",   M5, Rule::width, 9, "t3ak"},
    {u"5.8.1(",   M5, Rule::width, 9, "t1ind"},
    {u"5.8.2(",   M5, Rule::width, 9, "t2ind"},
    {u"5.8.3(",   M5, Rule::width, 9, "t3ind"},
    {u"8.8.1(",   M5, Rule::width, 9, "t1kap"},
    {u"8.8.2(",   M5, Rule::width, 9, "t2kap"},
    {u"8.8.3(",   M5, Rule::width, 9, "t3kap"},
    {u"0.9.1(",   M5, Rule::width, 8, "syctarih"},
    {u"0.9.2(",   M5, Rule::width, 8, "sycsaat"},
    {u"0.9.5(",   M5, Rule::weekday, 1, "sycgun"},
    {u"96.1.3(",  M5, Rule::width, 8, "uretimtarihi"},
    {u"96.2.5(",  M5, Rule::width, 8, "kalibtarihi"},
    {u"96.2.2(",  M5, Rule::width, 14, "tarifedegistarihi"},
    {u"96.70(",   M5, Rule::width, 14, "govdetarihi"},
    {u"96.71(",   M5, Rule::width, 14, "klemenstarihi"},
    {u"96.71(",   M5, Rule::countAfterDate, 2, "klemesacilmaadedi"},
    {u"0.8.0(",   M5, Rule::width, 2, "enyuksekolcu"},
    {u"1.6.0(",   M5, Rule::width, 7, "Demand"},
    {u"0.1.0(",   M5, Rule::width, 2, "demansifilanma"},
    {u"96.6.1(",  M5, Rule::battery, 1, "pildurumu"},
    {u"96.7.0(",  M5, Rule::toParenthesis, 0, "ucfazbirdenkesilme"},
    {u"96.7.1(",  M5, Rule::toParenthesis, 0, "faz1kesilme"},
    {u"96.7.2(",  M5, Rule::toParenthesis, 0, "faz2kesilme"},
    {u"96.7.3(",  M5, Rule::toParenthesis, 0, "faz3kesilme"},
    {u"96.77.4(", M5, Rule::toParenthesis, 0, "gerilimuyari"},
    {u"96.77.5(", M5, Rule::toParenthesis, 0, "akimuyari"},
};
// clang-format on

QString dayName(int day)
{
    static const char16_t *const names[] = {u"Pazartesi", u"Salı",      u"Çarşamba", u"Perşembe",
                                            u"Cuma",      u"Cumartesi", u"Pazar"};
    return day >= 1 && day <= 7 ? QString::fromUtf16(names[day - 1]) : QString();
}

namespace
{
constexpr int rowCount = int(std::size(table));

// The first occurrence of every code of one source's rows, in one pass over the text's "(": a code
// ends with its "(", so its first occurrence ends at the first "(" that the code's characters precede.
// Readouts hold few parentheses, and a text where the codes stand late costs one pass, not one per row.
void findCodes(QStringView text, Source source, std::array<qsizetype, rowCount> &at)
{
    // The rows still looking, by the character before their "(" (every code is ASCII).
    constexpr int ascii = 128;
    std::array<std::array<qint8, rowCount>, ascii> waiting;
    std::array<qint8, ascii> waitingCount{};
    int pending = 0;
    for (int i = 0; i < rowCount; ++i) {
        if (table[i].source != source)
            continue;
        const QStringView code(table[i].code);
        const char16_t last = code[code.size() - 2].unicode();
        waiting[last][size_t(waitingCount[last]++)] = qint8(i);
        ++pending;
    }
    for (qsizetype paren = text.indexOf(u'('); paren >= 0 && pending > 0;
         paren = text.indexOf(u'(', paren + 1)) {
        const char16_t before = paren > 0 ? text[paren - 1].unicode() : char16_t(ascii);
        if (before >= ascii)
            continue;
        auto &rows = waiting[before];
        qint8 &count = waitingCount[before];
        for (int k = 0; k < count;) {
            const QStringView code(table[rows[size_t(k)]].code);
            const qsizetype start = paren + 1 - code.size();
            if (start >= 0 && text.mid(start, code.size()) == code) {
                at[size_t(rows[size_t(k)])] = start;
                rows[size_t(k)] = rows[size_t(--count)];
                --pending;
            } else {
                ++k;
            }
        }
    }
}
} // namespace

bool extract(QStringView meterText, QStringView detailText, const Setter &set)
{
    std::array<qsizetype, rowCount> at;
    at.fill(-1);
    findCodes(meterText, Source::meterView, at);
    findCodes(detailText, Source::detailView, at);
    for (int i = 0; i < rowCount; ++i) {
        const Row &row = table[i];
        const QStringView text = row.source == Source::meterView ? meterText : detailText;
        const QStringView code(row.code);
        const qsizetype found = at[size_t(i)];
        if (found < 0)
            continue;
        // Everything after the opening parenthesis that ends the code.
        const QStringView value = text.mid(found + code.size());
        switch (row.rule) {
        case Rule::width:
            set(row.target, value.left(row.width).toString());
            break;
        case Rule::toParenthesis: {
            const qsizetype end = value.indexOf(u')');
            set(row.target, end < 0 ? QString() : value.left(end).toString());
            break;
        }
        case Rule::weekday: {
            if (value.isEmpty() || value[0] < u'0' || value[0] > u'9')
                return false;
            if (const QString day = dayName(value[0].unicode() - u'0'); !day.isEmpty())
                set(row.target, day);
            break;
        }
        case Rule::battery:
            if (value.startsWith(u'1'))
                set(row.target, QStringLiteral("DOLU"));
            else if (value.startsWith(u'0'))
                set(row.target, QStringLiteral("BOŞ"));
            break;
        case Rule::countAfterDate:
            set(row.target, value.mid(std::min<qsizetype>(16, value.size())).left(row.width).toString());
            break;
        }
    }
    return true;
}

} // namespace korvel::ReadoutCodes
