#include "RegisterMap.h"

#include <QJsonValue>

#include <span>

namespace korvel::server
{

namespace
{

struct ReadEntry {
    const char16_t *verb;
    int start;
    int count;
};

// The simulated analyzer's blocks: slots 0 to 35 instantaneous values, 36 to 51 consumption, 52 to 82
// the capacitor bank, 100 to 112 the settings; the three waveforms of 128 bytes after the slots.
constexpr ReadEntry analyzerReads[] = {
    {u"enertum", 0, 72},           {u"cosfi", 30, 42},       {u"enerharcanan", 72, 32},
    {u"kondasatordurum", 104, 62}, {u"sabitiste", 200, 26},  {u"harmonikbir", 512, 64},
    {u"harmonikiki", 576, 64},     {u"harmonikuc", 640, 64}, {u"values", 0, 104},
};

struct WriteEntry {
    const char16_t *verb;
    int start;
    int function;
};

// A capacitor command writes its four group masks over the group states (slot 52); a settings writer
// its word over the slot it is read back from; relays and reset have registers of their own.
constexpr WriteEntry analyzerWrites[] = {
    {u"kondansatorcek", 104, 16},  {u"sabitakimgrlmyaz", 200, 16}, {u"sabitkonsureyaz", 202, 16},
    {u"sabitbankmodyaz", 204, 16}, {u"sabitilkkva1yaz", 206, 16},  {u"sabitilkkva3yaz", 208, 16},
    {u"sabitcosmin1yaz", 210, 16}, {u"sabitcosmax1yaz", 212, 16},  {u"sabitcosmin3yaz", 214, 16},
    {u"sabitcosmax3yaz", 216, 16}, {u"sabitrestartyaz", 218, 16},  {u"roleaktif", 720, 6},
    {u"rolektifg", 721, 6},        {u"resetle", 722, 16},
};

// The overcurrent relay: its clock, date and four currents in slots 0 to 5, and its trip outputs.
constexpr ReadEntry relayReads[] = {{u"enertum", 0, 12}};
constexpr WriteEntry relayWrites[] = {{u"roleaktif", 720, 6}};

constexpr const char16_t *readVerbs[] = {u"enertum",         u"cosfi",      u"enerharcanan",
                                         u"kondasatordurum", u"sabitiste",  u"harmonikbir",
                                         u"harmonikiki",     u"harmonikuc", u"values"};
constexpr const char16_t *writeVerbs[] = {
    u"kondansatorcek",  u"roleaktif",       u"rolektifg",       u"resetle",         u"sabitakimgrlmyaz",
    u"sabitkonsureyaz", u"sabitbankmodyaz", u"sabitilkkva1yaz", u"sabitilkkva3yaz", u"sabitcosmin1yaz",
    u"sabitcosmax1yaz", u"sabitcosmin3yaz", u"sabitcosmax3yaz", u"sabitrestartyaz"};

template <size_t N> bool listed(const char16_t *const (&verbs)[N], const QString &verb)
{
    for (const char16_t *v : verbs) {
        if (verb == QStringView(v))
            return true;
    }
    return false;
}

// A whole number in the range, or none.
std::optional<int> whole(const QJsonValue &value, int low, int high)
{
    const double d = value.toDouble(-1);
    if (!value.isDouble() || d != double(int(d)) || d < low || d > high)
        return std::nullopt;
    return int(d);
}

} // namespace

bool RegisterMap::isReadVerb(const QString &verb)
{
    return listed(readVerbs, verb);
}

bool RegisterMap::isWriteVerb(const QString &verb)
{
    return listed(writeVerbs, verb);
}

RegisterMap RegisterMap::builtIn(const QString &type)
{
    RegisterMap map;
    if (type == u"VNM530")
        return map; // a meter reader's readout is no register block
    const bool relay = type == u"VNR420";
    for (const ReadEntry &e : relay ? std::span<const ReadEntry>(relayReads) : std::span(analyzerReads))
        map.m_reads.insert(QString::fromUtf16(e.verb), {e.start, e.count});
    for (const WriteEntry &e : relay ? std::span<const WriteEntry>(relayWrites) : std::span(analyzerWrites))
        map.m_writes.insert(QString::fromUtf16(e.verb), {e.start, e.function});
    // The inputs are the third byte of the frequency word, slot 35: the high byte of register 71.
    if (!relay)
        map.m_inputs = InputsRegister{71, true};
    return map;
}

bool RegisterMap::apply(const QJsonObject &entries, QString *error)
{
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        const QString &verb = it.key();
        const QJsonObject e = it.value().toObject();
        auto fail = [&](const char *what) {
            *error = QStringLiteral("register map entry \"%1\": %2").arg(verb, QLatin1String(what));
            return false;
        };
        if (verb == u"inputs") {
            if (it.value().isNull()) {
                m_inputs.reset();
                continue;
            }
            const auto address = whole(e.value(u"register"), 0, 65535);
            const QString byte = e.value(u"byte").toString(QStringLiteral("high"));
            if (!address || (byte != u"high" && byte != u"low"))
                return fail("needs \"register\" 0 to 65535 and \"byte\" \"high\" or \"low\"");
            m_inputs = InputsRegister{*address, byte == u"high"};
        } else if (isReadVerb(verb)) {
            if (it.value().isNull()) {
                m_reads.remove(verb);
                continue;
            }
            // A reply's byte count is one byte: a block the client gets holds at most 127 registers.
            const int most = verb == u"values" ? 2000 : 127;
            const auto start = whole(e.value(u"read"), 0, 65535);
            const auto count = whole(e.value(u"count"), 1, most);
            if (!start || !count || *start + *count > 65536)
                return fail(verb == u"values" ? "needs \"read\" 0 to 65535 and \"count\" 1 to 2000"
                                              : "needs \"read\" 0 to 65535 and \"count\" 1 to 127");
            m_reads.insert(verb, {*start, *count});
        } else if (isWriteVerb(verb)) {
            if (it.value().isNull()) {
                m_writes.remove(verb);
                continue;
            }
            const auto start = whole(e.value(u"write"), 0, 65534);
            const auto function = whole(e.value(u"function"), 6, 16);
            if (!start || !function || (*function != 6 && *function != 16))
                return fail("needs \"write\" 0 to 65534 and \"function\" 6 or 16");
            m_writes.insert(verb, {*start, *function});
        } else {
            return fail("is no request that reads or writes registers");
        }
    }
    return true;
}

std::optional<RegisterRead> RegisterMap::read(const QString &verb) const
{
    const auto it = m_reads.constFind(verb);
    return it == m_reads.cend() ? std::nullopt : std::optional(*it);
}

std::optional<RegisterWrite> RegisterMap::write(const QString &verb) const
{
    const auto it = m_writes.constFind(verb);
    return it == m_writes.cend() ? std::nullopt : std::optional(*it);
}

} // namespace korvel::server
