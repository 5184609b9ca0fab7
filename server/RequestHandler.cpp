#include "RequestHandler.h"

#include "Clock.h"
#include "DateText.h"
#include "Directory.h"
#include "FieldGateway.h"
#include "MeterReadout.h"
#include "ReplyBuilder.h"

#include <algorithm>

namespace korvel::server
{

namespace
{

std::optional<DeviceModel::Word> fourBytes(const Request &r);

struct Right {
    int field; // 0..5, the position in "tblhaklar"
    int bit;   // bit value
};

// The command right each request needs; the same bits enable the client's buttons. The capacitor
// command's right depends on its values, so it is judged on the bytes the command will use.
std::optional<Right> requiredRight(const Request &r, const std::optional<DeviceModel::Word> &capacitorBytes)
{
    struct Rule {
        const char16_t *verb;
        Right right;
    };
    static const Rule rules[] = {
        {u"rolektifg", {0, 1}},        {u"roleaktif", {0, 1}},        {u"sabitleriyaz", {0, 1}},
        {u"enerharcanan", {1, 1}},     {u"reaktifener", {1, 2}},      {u"harmonikbir", {2, 1}},
        {u"harmonikiki", {2, 2}},      {u"harmonikuc", {2, 4}},       {u"kondasatordurum", {3, 2}},
        {u"sabitilkkva1yaz", {4, 1}},  {u"sabitilkkva3yaz", {4, 1}},  {u"sabitakimgrlmyaz", {4, 2}},
        {u"sabitkonsureyaz", {4, 4}},  {u"sabitbankmodyaz", {4, 8}},  {u"sabitcosmin1yaz", {4, 16}},
        {u"sabitcosmax1yaz", {4, 16}}, {u"sabitcosmin3yaz", {4, 16}}, {u"sabitcosmax3yaz", {4, 16}},
        {u"sabitrestartyaz", {4, 32}}, {u"resetle", {4, 64}},         {u"sabitiste", {4, 128}},
        {u"sycreaktfener", {5, 4}},
    };
    // The eight-relay panel sends the capacitor command with three groups of 255; it is a relay command.
    if (r.verb == u"kondansatorcek") {
        const auto &b = *capacitorBytes;
        const bool relayPanel = b[0] == 255 && b[1] == 255 && b[2] == 255;
        return relayPanel ? Right{0, 1} : Right{3, 1};
    }
    // A plain meter reading needs no right: the client offers it on a button that no right governs.
    if (r.verb == u"sayac")
        return r.field(1) == u"tdshyr" ? std::nullopt : std::optional<Right>(Right{5, 2});
    for (const Rule &rule : rules) {
        if (r.verb == QStringView(rule.verb))
            return rule.right;
    }
    return std::nullopt;
}

int settingsWordOf(const QString &verb)
{
    static const char16_t *const writers[] = {
        u"sabitakimgrlmyaz", u"sabitkonsureyaz", u"sabitbankmodyaz", u"sabitilkkva1yaz", u"sabitilkkva3yaz",
        u"sabitcosmin1yaz",  u"sabitcosmax1yaz", u"sabitcosmin3yaz", u"sabitcosmax3yaz", u"sabitrestartyaz"};
    for (int i = 0; i < 10; ++i) {
        if (verb == QStringView(writers[i]))
            return i;
    }
    return -1;
}

bool isDeviceVerb(const QString &verb)
{
    static const char16_t *const verbs[] = {
        u"enertum",         u"cosfi",       u"enerharcanan", u"kondasatordurum",
        u"sabitiste",       u"harmonikbir", u"harmonikiki",  u"harmonikuc",
        u"kondansatorcek",  u"resetle",     u"rolektifg",    u"roleaktif",
        u"AARdegerlerioku", u"sayac",       u"reaktifener",  u"sycreaktfener"};
    for (const char16_t *v : verbs) {
        if (verb == QStringView(v))
            return true;
    }
    return settingsWordOf(verb) >= 0;
}

Outcome refuse(const QString &why)
{
    Outcome o;
    o.refusal = why;
    return o;
}

Outcome answer(QByteArray reply)
{
    Outcome o;
    o.replies.append(std::move(reply));
    return o;
}

// The view right ("haklar", first field) whose view a value request feeds, as a bit value: 1 the
// analyzer's instantaneous values view, 2 its relay panel. 0 when no view right governs it.
int requiredView(const QString &verb, const DeviceModel &device)
{
    if (device.isAnalyzer() && (verb == u"enertum" || verb == u"cosfi"))
        return 1;
    if (verb == u"rolektifg")
        return 2;
    return 0;
}

// Four decimal fields after the device number, each one byte (a negative number is its two's complement).
std::optional<DeviceModel::Word> fourBytes(const Request &r)
{
    DeviceModel::Word word{};
    for (int i = 0; i < 4; ++i) {
        const std::optional<qint64> value = r.number(1 + i);
        if (!value || *value < -128 || *value > 255)
            return std::nullopt;
        word[size_t(i)] = quint8(*value);
    }
    return word;
}

} // namespace

bool RequestHandler::changesDevice(const QString &verb)
{
    static const char16_t *const commands[] = {u"rolektifg", u"roleaktif", u"kondansatorcek", u"resetle",
                                               u"sabitleriyaz"};
    for (const char16_t *c : commands) {
        if (verb == QStringView(c))
            return true;
    }
    return settingsWordOf(verb) >= 0;
}

Outcome RequestHandler::handle(UserAccount &user, const Request &request, qint64 *messagesDelivered)
{
    const QString &verb = request.verb;
    if (verb == u"ping")
        return answer(ReplyBuilder::reply(QStringLiteral("pong")));
    if (verb == u"yenimesajiste") {
        if (request.field(0) != user.name)
            return refuse(QStringLiteral("messages of another user asked for"));
        Outcome o;
        // Messages dropped before this connection saw them are gone; the rest it has not had yet.
        const qint64 first = messagesDelivered ? *messagesDelivered - user.messagesDropped : 0;
        for (qsizetype i = std::max<qint64>(first, 0); i < user.messages.size(); ++i)
            o.replies.append(ReplyBuilder::message(user.messages[i]));
        if (messagesDelivered)
            *messagesDelivered = user.messagesDropped + user.messages.size();
        return o;
    }
    if (!isDeviceVerb(verb) && verb != u"sabitleriyaz")
        return refuse(QStringLiteral("unknown request \"%1\"").arg(verb.left(40)));

    // Parsed once: the right is checked on the values the command acts on.
    std::optional<DeviceModel::Word> capacitorBytes;
    if (verb == u"kondansatorcek") {
        capacitorBytes = fourBytes(request);
        if (!capacitorBytes)
            return refuse(QStringLiteral("\"kondansatorcek\" with fields that are not bytes"));
    }
    if (const auto right = requiredRight(request, capacitorBytes)) {
        if (!(user.commandRights[size_t(right->field)] & right->bit))
            return refuse(QStringLiteral("\"%1\" needs right %2 of field %3")
                              .arg(verb)
                              .arg(right->bit)
                              .arg(right->field + 1));
    }
    // Carries no device and no values; the relay keeps its settings.
    if (verb == u"sabitleriyaz")
        return {};

    const QString serial = request.field(0).trimmed();
    DeviceModel *device = m_directory.find(serial);
    if (!device || !m_directory.sees(user, *device)) {
        Outcome o = answer(ReplyBuilder::offline(serial.left(20)));
        o.refusal = QStringLiteral("device \"%1\" is not one of the user's").arg(serial.left(20));
        return o;
    }
    if (!device->entry().online) {
        Outcome o = answer(ReplyBuilder::offline(device->entry().serial));
        o.deviceOffline = true;
        return o;
    }
    if (const int view = requiredView(verb, *device); view && !(user.viewRights[0] & view))
        return refuse(QStringLiteral("\"%1\" needs view right %2 of field 1").arg(verb).arg(view));
    if (const RegisterMap *map = m_field ? m_field->map(*device) : nullptr)
        return fieldRequest(request, *device, *map);
    return deviceRequest(user, request, *device);
}

Outcome RequestHandler::deviceRequest(const UserAccount &, const Request &request, DeviceModel &device)
{
    const QString &verb = request.verb;
    const QDateTime now = m_clock.now();
    const qint64 ms = now.toMSecsSinceEpoch();
    const QString notHere = QStringLiteral("\"%1\" does not apply to a %2").arg(verb, device.entry().type);

    if (verb == u"AARdegerlerioku") {
        if (device.isMeterReader())
            return refuse(notHere);
        return answer(ReplyBuilder::relayCurrents(device, now));
    }
    if (verb == u"roleaktif") {
        const int mask = request.rawByte(1);
        if (mask < 0)
            return refuse(QStringLiteral("\"roleaktif\" without its relay byte"));
        Outcome o;
        if (device.isRelay()) {
            device.setTripMask(mask >> 4);
        } else if (device.isAnalyzer()) {
            o.previousInputs = device.inputs();
            device.setOutputRelays(mask & 16, mask & 32);
            o.inputsChanged = device.inputs() != o.previousInputs ? &device : nullptr;
        } else {
            return refuse(notHere);
        }
        return o;
    }
    if (verb == u"sayac")
        return device.isMeterReader() ? meterReading(request, device) : refuse(notHere);
    if (verb == u"reaktifener")
        return device.isRelay() ? refuse(notHere)
                                : periodReport(request, device, QStringLiteral("reaktifenerji"));
    if (verb == u"sycreaktfener")
        return device.isRelay() ? refuse(notHere)
                                : periodReport(request, device, QStringLiteral("tedassycal"));

    if (verb == u"enertum") {
        if (device.isRelay())
            return answer(ReplyBuilder::relayValues(device, now));
        // The whole instantaneous block, frequency and inputs included: the client has no button
        // that asks for slots 15 to 35 on their own.
        return device.isAnalyzer() ? answer(ReplyBuilder::analyzerValues(device, ms, 0, 35))
                                   : refuse(notHere);
    }
    if (!device.isAnalyzer())
        return refuse(notHere);

    if (verb == u"cosfi")
        return answer(ReplyBuilder::analyzerValues(device, ms, 15, 35));
    if (verb == u"enerharcanan")
        return answer(ReplyBuilder::analyzerValues(device, ms, 36, 51));
    if (verb == u"kondasatordurum")
        return answer(ReplyBuilder::capacitorStates(device, ms));
    if (verb == u"sabitiste")
        return answer(ReplyBuilder::settings(device));
    if (verb == u"harmonikbir" || verb == u"harmonikiki" || verb == u"harmonikuc") {
        const int phase = verb == u"harmonikbir" ? 0 : verb == u"harmonikiki" ? 1 : 2;
        return answer(ReplyBuilder::harmonics(device, ms, phase));
    }
    if (const int word = settingsWordOf(verb); word >= 0)
        return writeSettings(request, device, word);
    if (verb == u"kondansatorcek") {
        const auto bytes = fourBytes(request);
        if (!bytes)
            return refuse(QStringLiteral("\"kondansatorcek\" with fields that are not bytes"));
        const auto &b = *bytes;
        if (b[0] == 255 && b[1] == 255 && b[2] == 255)
            device.switchFirstSteps(b[3]);
        else
            device.switchCapacitors({b[0] == 255 ? -1 : b[0], b[1] == 255 ? -1 : b[1],
                                     b[2] == 255 ? -1 : b[2], b[3] == 255 ? -1 : b[3]});
        return {};
    }
    if (verb == u"resetle") {
        if (!fourBytes(request))
            return refuse(QStringLiteral("\"resetle\" with fields that are not bytes"));
        device.reset(ms);
        return {};
    }
    if (verb == u"rolektifg") {
        const int selection = request.rawByte(1);
        if (selection < 0)
            return refuse(QStringLiteral("\"rolektifg\" without its relay byte"));
        Outcome o;
        o.previousInputs = device.inputs();
        // 3 is the first relay, 4 the second, 5 both; anything else, such as the 2 that the client sends
        // with neither relay on, releases both.
        device.setOutputRelays(selection == 3 || selection == 5, selection == 4 || selection == 5);
        o.inputsChanged = device.inputs() != o.previousInputs ? &device : nullptr;
        return o;
    }
    return refuse(notHere);
}

Outcome RequestHandler::fieldRequest(const Request &request, const DeviceModel &device,
                                     const RegisterMap &map)
{
    // Where each read lands in the client's value table, and how its bytes are told apart.
    struct ReadForm {
        const char16_t *verb;
        FieldPlan::Reply reply;
        int firstSlot;
    };
    static const ReadForm forms[] = {
        {u"enertum", FieldPlan::Reply::Slots, 0},       {u"cosfi", FieldPlan::Reply::Slots, 15},
        {u"enerharcanan", FieldPlan::Reply::Slots, 36}, {u"kondasatordurum", FieldPlan::Reply::Slots, 52},
        {u"sabitiste", FieldPlan::Reply::Slots, 100},   {u"harmonikbir", FieldPlan::Reply::Samples, 0},
        {u"harmonikiki", FieldPlan::Reply::Samples, 0}, {u"harmonikuc", FieldPlan::Reply::Samples, 0},
    };
    const QString &verb = request.verb;
    FieldPlan plan;
    const auto read = verb != u"values" ? map.read(verb) : std::nullopt;
    const auto write = map.write(verb);
    if (read) {
        for (const ReadForm &form : forms) {
            if (verb == QStringView(form.verb)) {
                plan.reply = form.reply;
                plan.firstSlot = form.firstSlot;
            }
        }
        if (device.isRelay() && verb == u"enertum")
            plan.reply = FieldPlan::Reply::RelayClock;
        plan.operations.push_back({RegisterOperation::Kind::Read, read->start, read->count, {}});
    } else if (write) {
        QList<quint16> values;
        if (verb == u"roleaktif" || verb == u"rolektifg") {
            const int byte = request.rawByte(1);
            if (byte < 0)
                return refuse(QStringLiteral("\"%1\" without its relay byte").arg(verb));
            values = {quint16(byte)};
        } else {
            const auto bytes = fourBytes(request);
            if (!bytes)
                return refuse(QStringLiteral("\"%1\" with fields that are not bytes").arg(verb));
            const auto &b = *bytes;
            values = {quint16(b[0] << 8 | b[1]), quint16(b[2] << 8 | b[3])};
        }
        plan.operations.push_back(
            {write->function == 6 ? RegisterOperation::Kind::WriteEach : RegisterOperation::Kind::WriteAll,
             write->start, 0, values});
    } else {
        return refuse(QStringLiteral("\"%1\" is not in the register map of %2 (device %3)")
                          .arg(verb, device.entry().type, device.entry().serial));
    }
    Outcome o;
    o.field = std::move(plan);
    o.fieldDevice = &device;
    return o;
}

Outcome RequestHandler::writeSettings(const Request &request, DeviceModel &device, int word)
{
    const auto bytes = fourBytes(request);
    if (!bytes)
        return refuse(QStringLiteral("\"%1\" with fields that are not bytes").arg(request.verb));
    device.writeSettingsWord(word, *bytes);
    return {};
}

Outcome RequestHandler::periodReport(const Request &request, DeviceModel &device, const QString &tag)
{
    const QDate first = DateText::parse(request.field(1));
    const QDate second = DateText::parse(request.field(2));
    if (!first.isValid() || !second.isValid())
        return refuse(QStringLiteral("unreadable date \"%1\" or \"%2\"")
                          .arg(request.field(1).left(40), request.field(2).left(40)));
    const QDateTime now = m_clock.now();
    // From the start of the first day to the end of the second, never past now.
    const QDateTime from = std::min(DateText::startOfDay(first, now), now);
    const QDateTime to = std::min(DateText::startOfDay(second.addDays(1), now), now);
    return answer(ReplyBuilder::periodReport(
        tag, device.entry().serial, request.field(1).trimmed(), request.field(2).trimmed(),
        device.recorded(from.toMSecsSinceEpoch()), device.recorded(to.toMSecsSinceEpoch())));
}

Outcome RequestHandler::meterReading(const Request &request, DeviceModel &device)
{
    const QString utility = request.field(1);
    const QString record = request.field(2);
    if ((utility != u"tdshyr" && utility != u"tdsEvt") || (record != u"kythyr" && record != u"kytevt"))
        return refuse(QStringLiteral("\"sayac\" with unknown flags"));
    const QDateTime now = m_clock.now();
    Outcome o;
    // The utility's period report goes first: the client copies its ratios when the readout's totals
    // arrive.
    if (utility == u"tdsEvt") {
        const QDateTime since = m_directory.lastUtilityReading(device, now);
        const QString format = QStringLiteral("dd.MM.yyyy");
        o.replies.append(ReplyBuilder::periodReport(
            QStringLiteral("tedassycal"), device.entry().serial, since.toString(format), now.toString(format),
            device.recorded(since.toMSecsSinceEpoch()), device.recorded(now.toMSecsSinceEpoch())));
        if (record == u"kytevt")
            m_directory.recordUtilityReading(device, now);
    }
    for (const QString &part : MeterReadout::build(device, now))
        o.replies.append(ReplyBuilder::readout(part));
    o.replies.append(ReplyBuilder::meterTotals(device.counters(now.toMSecsSinceEpoch())));
    return o;
}

} // namespace korvel::server
