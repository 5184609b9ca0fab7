#pragma once

#include <QDialog>

namespace korvel
{

class ClientWindows;
class Environment;
class Link;

// "Yardım" → "Hakkında": what a support call asks first. The program's and Qt's versions, the server
// and whether the link is secure (with the certificate's SHA-256), the history file and its size, and
// where the README is.
class AboutDialog final : public QDialog
{
    Q_OBJECT
public:
    struct Facts {
        QString version;
        QString qtVersion;
        QString server; // HOST:PORT
        bool connected = false;
        bool secure = false;
        QString fingerprint;
        QString historyFile;      // empty: nothing recorded
        qint64 historyBytes = -1; // -1: no such file yet
        QString readme;
    };

    explicit AboutDialog(const QString &text, QWidget *parent = nullptr);

    static QString text(const Facts &facts);
    // Wires "Hakkinda1" of the main menu; the dialog is made each time it opens, with the facts of then.
    static void install(ClientWindows &windows, Environment &environment, const Link &link);
    // Where the README is: beside the installed program's documentation, else in the source tree.
    static QString readmePath();
};

} // namespace korvel
