#pragma once

#include <QObject>
#include <QString>

class QTimer;

namespace korvel
{

// A named periodic timer. A real ticker runs on a QTimer; a manual one only keeps its running state
// and ticks when fire() is called, so that scenarios decide when time passes.
class Ticker final : public QObject
{
    Q_OBJECT
public:
    enum class Mode { Real, Manual };

    Ticker(const QString &name, int intervalMs, Mode mode, QObject *parent = nullptr);

    QString name() const { return m_name; }
    int interval() const { return m_interval; }
    // Takes effect from the next start.
    void setInterval(int intervalMs);
    bool isActive() const;
    void start();
    void stop();
    void setActive(bool active) { active ? start() : stop(); }
    // One tick of a manual ticker; does nothing while it is stopped.
    void fire();

Q_SIGNALS:
    void ticked();

private:
    QString m_name;
    int m_interval;
    QTimer *m_timer = nullptr;
    bool m_manualActive = false;
};

} // namespace korvel
