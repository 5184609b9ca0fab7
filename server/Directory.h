#pragma once

#include "DeviceModel.h"
#include "ServerConfig.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>

#include <memory>
#include <vector>

namespace korvel::server
{

// The server's store: users with their rights and waiting messages, and the simulated devices.
class Directory final
{
public:
    static constexpr qsizetype maxMessagesPerUser = 200;

    Directory(const ServerConfig &config, qint64 epochMs);

    // The account when name and password match. The password is compared in constant time, and an
    // unknown name costs the same as a wrong password: when any user has an Argon2id hash, every
    // attempt runs exactly one Argon2id check, against a stand-in hash where the name has none. Reads
    // only what is fixed at construction, so a worker thread may call it.
    const UserAccount *authenticate(const QString &name, const QString &password) const;
    // Whether authenticate() is slow enough (Argon2id) to belong on a worker thread.
    bool slowAuthentication() const { return !m_standInHash.isEmpty(); }
    UserAccount *user(const QString &name);
    std::vector<UserAccount> &users() { return m_users; }

    const std::vector<std::unique_ptr<DeviceModel>> &devices() const { return m_devices; }
    // The device a request names. The client may put a blank in front, and one request sends the
    // number as an integer, so leading zeros count for nothing.
    DeviceModel *find(const QString &serialText) const;
    bool sees(const UserAccount &user, const DeviceModel &device) const;
    std::vector<DeviceModel *> visibleDevices(const UserAccount &user) const;

    // Keeps the newest messages when a user has too many.
    void addMessage(UserAccount &user, ServerMessage message);

    // When the utility last had a reading recorded at this meter.
    QDateTime lastUtilityReading(const DeviceModel &meter, const QDateTime &now) const;
    void recordUtilityReading(const DeviceModel &meter, const QDateTime &at);

private:
    std::vector<UserAccount> m_users;
    // Per user: the SHA-256 digest of a clear password, or empty when the user has an Argon2id hash.
    std::vector<QByteArray> m_passwordDigests;
    // An Argon2id hash of nothing anyone types, checked where a name has no hash of its own; empty
    // when no user has one.
    QByteArray m_standInHash;
    std::vector<std::unique_ptr<DeviceModel>> m_devices;
    QHash<QString, QDateTime> m_utilityReadings;
};

} // namespace korvel::server
