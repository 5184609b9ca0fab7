#pragma once

#include <QWidget>

class QGridLayout;

namespace korvel
{

// The page "Ayarlar": the group box "Sabit Değerler" with the six groups of the analyzer's settings,
// each with its spin boxes, its write buttons and a strip "Okunan Değerler" of the values last read
// under them, then "Değerleri Oku" and the reset group.
class SettingsPage final : public QWidget
{
    Q_OBJECT
public:
    explicit SettingsPage(QWidget *parent = nullptr);
};

} // namespace korvel
