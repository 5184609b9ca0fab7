#pragma once

#include <QProxyStyle>

namespace korvel
{

// The application's style, whose standard icons (the menu bar's extension arrow, the boxes' symbols,
// the file dialog's) are read from their image files only when first drawn. Reading any image file
// makes Qt load every image-format plug-in; the main window asks for such an icon while it is built,
// long before anything shows one.
class DeferredIconStyle final : public QProxyStyle
{
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};

} // namespace korvel
