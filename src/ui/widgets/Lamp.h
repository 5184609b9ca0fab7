#pragma once

#include "core/Screen.h"

#include <QWidget>

namespace korvel
{

// A panel signal lamp: a lit glass dome in a dark bezel, round or oblong.
class Lamp final : public QWidget
{
    Q_OBJECT
public:
    enum class Shape { Circle, RoundedRect };

    // Before the first state arrives the lamp shows a neutral silver, neither of the state colours.
    static constexpr Colour defaultBrushColour = colours::silver;

    explicit Lamp(QWidget *parent = nullptr);

    Colour brushColour() const { return m_brushColour; }
    void setBrushColour(Colour colour);

    // Drawn at half brightness: the state may be out of date.
    bool dimmed() const { return m_dimmed; }
    void setDimmed(bool dimmed);

    Shape shape() const { return m_shape; }
    void setShape(Shape shape);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {8, 8}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Colour m_brushColour = defaultBrushColour;
    Shape m_shape = Shape::Circle;
    bool m_dimmed = false;
};

} // namespace korvel
