#include "Directory.h"

#include "DateText.h"
#include "PasswordHash.h"
#include "Request.h"

#include <QCryptographicHash>

namespace korvel::server
{

namespace
{

QByteArray hashOf(const QString &password)
{
    return QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Sha256);
}

bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    // Both are digests of one length; every byte is looked at whatever differs.
    unsigned char difference = a.size() == b.size() ? 0 : 1;
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

} // namespace

Directory::Directory(const ServerConfig &config, qint64 epochMs)
    : m_users(config.users.cbegin(), config.users.cend())
{
    bool anyHash = false;
    for (const UserAccount &u : m_users) {
        m_passwordDigests.push_back(u.passwordHash.isEmpty() ? hashOf(u.password) : QByteArray());
        anyHash = anyHash || !u.passwordHash.isEmpty();
    }
    if (anyHash)
        m_standInHash = PasswordHash::make(QStringLiteral("\x01no user\x01"));
    for (const DeviceEntry &d : config.devices)
        m_devices.push_back(std::make_unique<DeviceModel>(d, epochMs));
}

const UserAccount *Directory::authenticate(const QString &name, const QString &password) const
{
    static const QByteArray nobody = hashOf(QStringLiteral("\x01no user\x01"));
    const QByteArray offered = hashOf(password);
    size_t found = m_users.size();
    for (size_t i = 0; i < m_users.size(); ++i) {
        if (m_users[i].name == name)
            found = i;
    }
    const bool known = found < m_users.size();
    const bool hashed = known && !m_users[found].passwordHash.isEmpty();
    // The same work whichever branch is taken: one Argon2id check when any user has a hash, and one
    // digest comparison.
    bool slowMatch = false;
    if (hashed)
        slowMatch = PasswordHash::verify(m_users[found].passwordHash, password);
    else if (!m_standInHash.isEmpty())
        PasswordHash::verify(m_standInHash, password);
    const bool fastMatch = sameBytes(offered, known && !hashed ? m_passwordDigests[found] : nobody);
    if (!known)
        return nullptr;
    return (hashed ? slowMatch : fastMatch) ? &m_users[found] : nullptr;
}

UserAccount *Directory::user(const QString &name)
{
    for (UserAccount &u : m_users) {
        if (u.name == name)
            return &u;
    }
    return nullptr;
}

DeviceModel *Directory::find(const QString &serialText) const
{
    const QString wanted = serialText.trimmed();
    if (wanted.isEmpty())
        return nullptr;
    for (const auto &device : m_devices) {
        if (device->entry().serial == wanted)
            return device.get();
    }
    const std::optional<qint64> number = wholeNumber(wanted);
    if (!number || *number < 0)
        return nullptr;
    for (const auto &device : m_devices) {
        if (device->entry().serial.toLongLong() == *number)
            return device.get();
    }
    return nullptr;
}

bool Directory::sees(const UserAccount &user, const DeviceModel &device) const
{
    return user.seesAllDevices || user.devices.contains(device.entry().serial);
}

std::vector<DeviceModel *> Directory::visibleDevices(const UserAccount &user) const
{
    std::vector<DeviceModel *> visible;
    for (const auto &device : m_devices) {
        if (sees(user, *device))
            visible.push_back(device.get());
    }
    return visible;
}

void Directory::addMessage(UserAccount &user, ServerMessage message)
{
    user.messages.append(std::move(message));
    if (user.messages.size() > maxMessagesPerUser) {
        const qsizetype excess = user.messages.size() - maxMessagesPerUser;
        user.messages.remove(0, excess);
        user.messagesDropped += excess;
    }
}

QDateTime Directory::lastUtilityReading(const DeviceModel &meter, const QDateTime &now) const
{
    const auto it = m_utilityReadings.constFind(meter.entry().serial);
    if (it != m_utilityReadings.cend())
        return *it;
    // Until one is recorded, the billing period started on the first of the month.
    QDate first(now.date().year(), now.date().month(), 1);
    if (first == now.date())
        first = first.addMonths(-1);
    return DateText::startOfDay(first, now);
}

void Directory::recordUtilityReading(const DeviceModel &meter, const QDateTime &at)
{
    m_utilityReadings.insert(meter.entry().serial, at);
}

} // namespace korvel::server
