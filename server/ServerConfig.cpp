#include "ServerConfig.h"

#include "PasswordHash.h"

#include "link/Cp1254.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <functional>

namespace korvel::server
{

namespace
{

QString s(const char16_t *text)
{
    return QString::fromUtf16(text);
}

// A text travels raw between separators: it must survive code page 1254 and hold none of the bytes
// that frame a message (0x01, 0x02 and 0xF4, which is "ô").
bool sendable(const QString &text)
{
    if (cp1254::decode(cp1254::encode(text)) != text)
        return false;
    for (QChar c : text) {
        if (c == QChar(0x01) || c == QChar(0x02) || c == QChar(0x00F4))
            return false;
    }
    return true;
}

bool isSerial(const QString &text)
{
    if (text.isEmpty() || text.size() > 9)
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// Each limit is optional; a given one must be a whole number in its range.
bool readLimits(const QJsonObject &object, ServerOptions &limits, QString *error)
{
    struct Field {
        const char16_t *name;
        qint64 min;
        qint64 max;
        std::function<void(qint64)> set;
    };
    const Field fields[] = {
        {u"connections", 1, 1'000'000, [&](qint64 v) { limits.maxConnections = int(v); }},
        {u"connectionsPerAddress", 1, 1'000'000, [&](qint64 v) { limits.maxConnectionsPerAddress = int(v); }},
        {u"loginSeconds", 1, 3600, [&](qint64 v) { limits.loginDeadlineMs = int(v * 1000); }},
        {u"idleSeconds", 1, 86'400, [&](qint64 v) { limits.idleTimeoutMs = int(v * 1000); }},
        {u"requestBytes", 64, 1024 * 1024, [&](qint64 v) { limits.maxRequestBytes = v; }},
        {u"requestsPerSecond", 0, 10'000'000, [&](qint64 v) { limits.maxRequestsPerSecond = int(v); }},
        {u"noticeBacklogBytes", 1024, 64 * 1024 * 1024, [&](qint64 v) { limits.noticeBacklog = v; }},
        {u"replyBacklogBytes", 1024, 256 * 1024 * 1024, [&](qint64 v) { limits.replyBacklog = v; }},
        {u"stalledWriteSeconds", 1, 3600, [&](qint64 v) { limits.writeStallMs = int(v * 1000); }},
        {u"loginBackoffMs", 0, 60'000, [&](qint64 v) { limits.loginBackoffMs = int(v); }},
        {u"loginBackoffCeilingMs", 0, 3'600'000, [&](qint64 v) { limits.loginBackoffCeilingMs = int(v); }},
        {u"loginFreeFailures", 0, 1000, [&](qint64 v) { limits.loginFreeFailures = int(v); }},
        {u"loginQueue", 1, 100'000, [&](qint64 v) { limits.loginQueue = int(v); }},
        {u"loginsPerAddress", 1, 1000, [&](qint64 v) { limits.loginsPerAddress = int(v); }},
    };
    for (auto it = object.begin(); it != object.end(); ++it) {
        const Field *field = nullptr;
        for (const Field &f : fields) {
            if (it.key() == QStringView(f.name))
                field = &f;
        }
        if (!field) {
            *error = QStringLiteral("limits: unknown limit \"%1\"").arg(it.key());
            return false;
        }
        const double value = it.value().toDouble(-1);
        if (!it.value().isDouble() || value != double(qint64(value)) || value < double(field->min) ||
            value > double(field->max)) {
            *error = QStringLiteral("limits: \"%1\" must be a whole number from %2 to %3")
                         .arg(it.key())
                         .arg(field->min)
                         .arg(field->max);
            return false;
        }
        field->set(qint64(value));
    }
    return true;
}

// "simulated" (or nothing), {"modbusTcp": "HOST:PORT", "unit": N} or
// {"modbusRtu": "/dev/ttyUSB0", "baud": 9600, "parity": "N", "unit": N}.
bool readLink(const QJsonValue &value, DeviceLink &link, QString *error)
{
    if (value.isUndefined() || value.toString() == u"simulated")
        return true;
    const QJsonObject o = value.toObject();
    const bool tcp = o.contains(u"modbusTcp");
    if (!value.isObject() || tcp == o.contains(u"modbusRtu")) {
        *error =
            QStringLiteral("\"link\" must be \"simulated\", {\"modbusTcp\": ...} or {\"modbusRtu\": ...}");
        return false;
    }
    link.kind = tcp ? DeviceLink::Kind::ModbusTcp : DeviceLink::Kind::ModbusRtu;
    link.address = o.value(tcp ? u"modbusTcp" : u"modbusRtu").toString();
    // A number given in any other form (a text, a fraction) is out of range, not the default.
    auto whole = [&o](const char16_t *key, int fallback) {
        const QJsonValue v = o.value(key);
        if (v.isUndefined())
            return fallback;
        return v.isDouble() && v.toDouble() == double(v.toInt()) ? v.toInt() : -1;
    };
    link.unit = whole(u"unit", 1);
    link.baud = whole(u"baud", 9600);
    const QString parity = o.value(u"parity").toString(QStringLiteral("N"));
    link.parity = parity.size() == 1 ? char(parity.at(0).toLatin1()) : '?';
    const int colon = int(link.address.lastIndexOf(u':'));
    bool portOk = false;
    const int port = colon > 0 ? link.address.mid(colon + 1).toInt(&portOk) : 0;
    if (tcp && (!portOk || port < 1 || port > 65535)) {
        *error = QStringLiteral("\"modbusTcp\" must be HOST:PORT");
        return false;
    }
    if (!tcp && (link.address.isEmpty() || link.baud < 50 || link.baud > 4'000'000 ||
                 QByteArrayView("NEO").indexOf(link.parity) < 0)) {
        *error = QStringLiteral("\"modbusRtu\" needs a device, \"baud\" and \"parity\" N, E or O");
        return false;
    }
    // 0 is the broadcast address of a serial line, which no device answers.
    if (link.unit < (tcp ? 0 : 1) || link.unit > (tcp ? 255 : 247)) {
        *error = QStringLiteral("\"unit\" must be 1 to 247 (0 to 255 over TCP)");
        return false;
    }
    return true;
}

bool readField(const QJsonObject &object, FieldSettings &field, QString *error)
{
    struct Entry {
        const char16_t *name;
        int min;
        int max;
        int *target;
    };
    const Entry entries[] = {{u"timeoutMs", 10, 60'000, &field.timeoutMs},
                             {u"retries", 0, 10, &field.retries},
                             {u"probeSeconds", 1, 3600, &field.probeSeconds},
                             {u"queue", 1, 1000, &field.queuePerDevice}};
    for (auto it = object.begin(); it != object.end(); ++it) {
        const Entry *entry = nullptr;
        for (const Entry &e : entries) {
            if (it.key() == QStringView(e.name))
                entry = &e;
        }
        const double value = it.value().toDouble(-1);
        if (!entry || !it.value().isDouble() || value != double(int(value)) || value < entry->min ||
            value > entry->max) {
            *error = QStringLiteral("modbus: \"%1\" is not a setting or out of its range").arg(it.key());
            return false;
        }
        *entry->target = int(value);
    }
    return true;
}

} // namespace

QString DeviceLink::line() const
{
    return kind == Kind::ModbusTcp ? QStringLiteral("tcp:") + address : QStringLiteral("rtu:") + address;
}

RegisterMap ServerConfig::registerMap(const QString &type) const
{
    return registerMaps.value(type, RegisterMap::builtIn(type));
}

ServerConfig ServerConfig::demo()
{
    ServerConfig config;
    auto device = [&](const QString &group, const char *type, const QString &name, const char *serial,
                      bool online) {
        config.devices.append(
            {group, QString::fromLatin1(type), name, QString::fromLatin1(serial), online, 0, {}});
    };
    const QString plant = s(u"Merkez Fabrika");
    const QString depot = s(u"Şube Depo");
    device(plant, "VNA310", s(u"Ana Pano Analizör"), "310001", true);
    device(plant, "VNR420", s(u"Giriş Aşırı Akım Rölesi"), "420001", true);
    device(plant, "VNM530", s(u"TEDAŞ Sayaç Okuyucu"), "530001", true);
    device(depot, "VNA310", s(u"Soğuk Hava Deposu Şalt Odası"), "310002", true);
    device(depot, "VNA310", s(u"Yedek Jeneratör Panosu"), "310003", false);

    UserAccount demo;
    demo.name = s(u"demo");
    demo.password = s(u"demo");
    demo.viewRights = {3, 1};
    demo.commandRights = {1, 3, 7, 3, 255, 7};
    demo.seesAllDevices = true;
    demo.messages = {
        {s(u"Hoş geldiniz"), s(u"Korvel tanıtım sunucusuna bağlandınız. Cihazlar benzetimdir.")},
        {s(u"Bakım duyurusu"), s(u"Cumartesi 02:00-04:00 arasında sunucu bakımı yapılacaktır.")},
        {s(u"Reaktif uyarısı"),
         s(u"Şube Depo tesisinde indüktif oran sınıra yaklaştı; kompanzasyonu kontrol edin.")},
    };
    config.users.append(demo);

    UserAccount viewer;
    viewer.name = s(u"izleyici");
    viewer.password = s(u"izleyici");
    viewer.viewRights = {1, 0};
    viewer.commandRights = {0, 1, 1, 2, 128, 1};
    viewer.devices = {s(u"310002"), s(u"310003"), s(u"530001")};
    viewer.messages = {{s(u"Salt okunur hesap"), s(u"Bu hesap yalnızca değerleri okuyabilir.")}};
    config.users.append(viewer);

    QString error;
    config.validate(&error);
    Q_ASSERT(error.isEmpty());
    return config;
}

std::optional<ServerConfig> ServerConfig::fromJson(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (!document.isObject()) {
        *error = parseError.error != QJsonParseError::NoError
                     ? parseError.errorString()
                     : QStringLiteral("the top level must be an object");
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    ServerConfig config;

    const QJsonObject pace = root.value(u"pace").toObject();
    config.pace.values = pace.value(u"values").toInt(config.pace.values);
    config.pace.inputs = pace.value(u"inputs").toInt(config.pace.inputs);
    config.pace.messages = pace.value(u"messages").toInt(config.pace.messages);

    if (!readLimits(root.value(u"limits").toObject(), config.limits, error))
        return std::nullopt;
    config.auditLog = root.value(u"auditLog").toString();
    const QJsonObject tls = root.value(u"tls").toObject();
    config.tls.cert = tls.value(u"cert").toString();
    config.tls.key = tls.value(u"key").toString();
    config.tls.allowPlain = tls.value(u"allowPlain").toBool(false);
    if (!readField(root.value(u"modbus").toObject(), config.field, error))
        return std::nullopt;
    const QJsonObject maps = root.value(u"registerMaps").toObject();
    for (auto it = maps.begin(); it != maps.end(); ++it) {
        RegisterMap map = RegisterMap::builtIn(it.key());
        if (!map.apply(it.value().toObject(), error)) {
            *error = QStringLiteral("registerMaps \"%1\": %2").arg(it.key(), *error);
            return std::nullopt;
        }
        config.registerMaps.insert(it.key(), map);
    }

    for (const QJsonValue &groupValue : root.value(u"groups").toArray()) {
        const QJsonObject group = groupValue.toObject();
        const QString groupName = group.value(u"name").toString();
        for (const QJsonValue &deviceValue : group.value(u"devices").toArray()) {
            const QJsonObject d = deviceValue.toObject();
            DeviceEntry entry;
            entry.group = groupName;
            entry.type = d.value(u"type").toString();
            entry.name = d.value(u"name").toString();
            entry.serial = d.value(u"serial").toVariant().toString();
            entry.online = d.value(u"online").toBool(true);
            entry.row = d.value(u"row").toInt(0);
            if (!readLink(d.value(u"link"), entry.link, error)) {
                *error = QStringLiteral("device %1: %2").arg(entry.serial, *error);
                return std::nullopt;
            }
            config.devices.append(entry);
        }
    }

    for (const QJsonValue &userValue : root.value(u"users").toArray()) {
        const QJsonObject u = userValue.toObject();
        UserAccount user;
        user.name = u.value(u"name").toString();
        user.password = u.value(u"password").toString();
        user.passwordHash = u.value(u"passwordHash").toString().toUtf8();
        const QJsonArray view = u.value(u"haklar").toArray();
        const QJsonArray commands = u.value(u"tblhaklar").toArray();
        if (view.size() != 2 || commands.size() != 6) {
            *error =
                QStringLiteral("user \"%1\": \"haklar\" needs 2 integers and \"tblhaklar\" 6").arg(user.name);
            return std::nullopt;
        }
        for (int i = 0; i < 2; ++i)
            user.viewRights[size_t(i)] = view.at(i).toInt();
        for (int i = 0; i < 6; ++i)
            user.commandRights[size_t(i)] = commands.at(i).toInt();
        const QJsonValue devices = u.value(u"devices");
        if (devices.isString() && devices.toString() == u"*") {
            user.seesAllDevices = true;
        } else {
            for (const QJsonValue &serial : devices.toArray())
                user.devices.append(serial.toVariant().toString());
        }
        for (const QJsonValue &messageValue : u.value(u"messages").toArray()) {
            const QJsonObject m = messageValue.toObject();
            user.messages.append({m.value(u"title").toString(), m.value(u"body").toString()});
        }
        config.users.append(user);
    }

    if (!config.validate(error))
        return std::nullopt;
    return config;
}

QStringList ServerConfig::clearPasswordUsers() const
{
    QStringList names;
    for (const UserAccount &u : users) {
        if (u.passwordHash.isEmpty())
            names.append(u.name);
    }
    return names;
}

bool ServerConfig::validate(QString *error)
{
    auto fail = [error](const QString &what) {
        *error = what;
        return false;
    };
    if (pace.values < 0 || pace.inputs < 0 || pace.messages < 0)
        return fail(QStringLiteral("pace values must be 0 (off) or a number of seconds"));

    QSet<QString> serials;
    QHash<QString, const DeviceLink *> lines;
    for (qsizetype i = 0; i < devices.size(); ++i) {
        DeviceEntry &d = devices[i];
        if (!isSerial(d.serial))
            return fail(QStringLiteral("device \"%1\": the serial must be 1 to 9 digits").arg(d.name));
        if (serials.contains(d.serial))
            return fail(QStringLiteral("serial %1 is used twice").arg(d.serial));
        serials.insert(d.serial);
        if (!sendable(d.group) || !sendable(d.type) || !sendable(d.name))
            return fail(
                QStringLiteral("device %1: a text holds a character that cannot be sent").arg(d.serial));
        if (d.row == 0)
            d.row = 2 + int(i % 249);
        if (d.row < 2 || d.row > 250)
            return fail(QStringLiteral("device %1: row must be 2 to 250").arg(d.serial));
        if (d.link.simulated())
            continue;
        // One line, one speed and one address per device on it.
        const DeviceLink *&first = lines[d.link.line()];
        if (first && (first->baud != d.link.baud || first->parity != d.link.parity))
            return fail(QStringLiteral("device %1: the line %2 has another speed or parity")
                            .arg(d.serial, d.link.address));
        first = first ? first : &d.link;
        for (qsizetype j = 0; j < i; ++j) {
            const DeviceLink &other = devices[j].link;
            if (other.line() == d.link.line() && other.unit == d.link.unit)
                return fail(QStringLiteral("device %1: unit %2 on %3 is taken by %4")
                                .arg(d.serial)
                                .arg(d.link.unit)
                                .arg(d.link.address, devices[j].serial));
        }
    }

    QSet<QString> names;
    for (const UserAccount &u : users) {
        if (u.name.isEmpty() || !sendable(u.name) || !sendable(u.password))
            return fail(
                QStringLiteral("user \"%1\": empty name or a character that cannot be sent").arg(u.name));
        if (names.contains(u.name))
            return fail(QStringLiteral("user \"%1\" is listed twice").arg(u.name));
        if (!u.passwordHash.isEmpty() && !u.password.isEmpty())
            return fail(
                QStringLiteral("user \"%1\": give \"password\" or \"passwordHash\", not both").arg(u.name));
        if (!u.passwordHash.isEmpty() && !PasswordHash::isValid(u.passwordHash))
            return fail(QStringLiteral("user \"%1\": \"passwordHash\" is not an Argon2id hash "
                                       "(make one with korvel-server --hash-password)")
                            .arg(u.name));
        names.insert(u.name);
        for (const QString &serial : u.devices) {
            if (!serials.contains(serial))
                return fail(QStringLiteral("user \"%1\": unknown device %2").arg(u.name, serial));
        }
        for (const ServerMessage &m : u.messages) {
            if (!sendable(m.title) || !sendable(m.body))
                return fail(QStringLiteral("user \"%1\": a message holds a character that cannot be sent")
                                .arg(u.name));
        }
    }
    return true;
}

} // namespace korvel::server
