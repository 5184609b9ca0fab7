#pragma once

#include <QIcon>
#include <QPixmap>

#include <array>

namespace korvel
{

// The device image list: one small picture per device model, indexed as the device items store the
// model (0 network analyzer, 3 overcurrent relay, 4 meter reader). Drawn once, at 16 and 32 pixels.
class DeviceImages final
{
public:
    static constexpr int smallSize = 16;
    static constexpr int largeSize = 32;

    DeviceImages();

    static bool hasPicture(int index);
    // Null for an index without a picture; sizes other than 16 and 32 are scaled from the nearest.
    QPixmap devicePicture(int index, int size = smallSize) const;
    QIcon deviceIcon(int index) const;

    // Draws one picture afresh; what the list caches.
    static QPixmap draw(int index, int size);

private:
    static constexpr int count = 5;
    std::array<QPixmap, count> m_small;
    std::array<QPixmap, count> m_large;
};

} // namespace korvel
