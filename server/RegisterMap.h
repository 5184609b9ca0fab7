#pragma once

#include <QHash>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace korvel::server
{

// A block of holding registers read with function 3.
struct RegisterRead {
    int start = 0;
    int count = 0;
};

// Where a command's values are written: function 6 writes them one register at a time, 16 in one go.
struct RegisterWrite {
    int start = 0;
    int function = 16;
};

// The register that carries a device's inputs, and which of its two bytes.
struct InputsRegister {
    int address = 0;
    bool highByte = true;
};

// Which registers of a field device answer which request. The built-in maps follow the layout of the
// simulated devices: slot n of the client's value table is registers 2n and 2n+1, its first two bytes in
// the first register, most significant byte first, so that a register read returns the bytes exactly as
// a simulated device's dump carries them. A configuration's map for a type changes entries one by one.
class RegisterMap final
{
public:
    // The request verbs that read a block, and those that write their values.
    static bool isReadVerb(const QString &verb);
    static bool isWriteVerb(const QString &verb);

    static RegisterMap builtIn(const QString &type);
    // Entries of the JSON object over this map; null removes an entry. False with the reason in error.
    bool apply(const QJsonObject &entries, QString *error);

    std::optional<RegisterRead> read(const QString &verb) const;
    std::optional<RegisterWrite> write(const QString &verb) const;
    // The block polled for the value records, and the register of the inputs.
    std::optional<RegisterRead> values() const { return read(QStringLiteral("values")); }
    std::optional<InputsRegister> inputs() const { return m_inputs; }

private:
    QHash<QString, RegisterRead> m_reads;
    QHash<QString, RegisterWrite> m_writes;
    std::optional<InputsRegister> m_inputs;
};

} // namespace korvel::server
