#pragma once

#include <QWidget>

namespace korvel
{

// The page "Kondansatör Durumları": four groups of six capacitor steps, each step a row with its state
// picture, its power, its "Devreye al" toggle and the four phase boxes it reports; below them the
// capacitor command and the request for the states.
class CapacitorPage final : public QWidget
{
    Q_OBJECT
public:
    explicit CapacitorPage(QWidget *parent = nullptr);

    // The size of a state picture; the picture cells keep it whether or not a picture is loaded.
    static constexpr int PictureSize = 24;

private:
    QWidget *buildGroup(QWidget *owner, int group);
};

} // namespace korvel
