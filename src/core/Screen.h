#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>

class QObject;

namespace korvel
{

// A colour as 0xRRGGBB.
using Colour = quint32;

constexpr Colour rgb(int red, int green, int blue)
{
    return (Colour(red & 0xFF) << 16) | (Colour(green & 0xFF) << 8) | Colour(blue & 0xFF);
}

namespace colours
{
inline constexpr Colour black = rgb(0, 0, 0);
inline constexpr Colour white = rgb(255, 255, 255);
inline constexpr Colour red = rgb(255, 0, 0);
inline constexpr Colour lime = rgb(0, 255, 0);
inline constexpr Colour green = rgb(0, 128, 0);
inline constexpr Colour blue = rgb(0, 0, 255);
inline constexpr Colour silver = rgb(192, 192, 192);
} // namespace colours

// The plain operations through which handlers and view logic reach the screen. A control is named as
// the forms name it: "LblMesaj" on the main window, "TFrmGiris.Edit1" on another window, and
// "TFrmGiris.LABEL6.2" for a documented sub-part such as a status line's second panel.
class Screen
{
public:
    virtual ~Screen() = default;

    // Caption, display text, edit or memo text, or a window's title.
    virtual void setCaption(const QString &control, const QString &text) = 0;
    virtual QString caption(const QString &control) const = 0;

    // Brush of a lamp or shape, font of a label.
    virtual void setColour(const QString &control, Colour colour) = 0;
    virtual Colour colour(const QString &control) const = 0;

    virtual void setVisible(const QString &control, bool visible) = 0;
    virtual bool isVisible(const QString &control) const = 0;
    virtual void setEnabled(const QString &control, bool enabled) = 0;
    virtual bool isEnabled(const QString &control) const = 0;

    // State of a check box, choice or toggle button.
    virtual void setChecked(const QString &control, bool checked) = 0;
    virtual bool isChecked(const QString &control) const = 0;

    // Needle of a meter, value of a progress bar or spin box; for a list, the selected line (-1: none).
    virtual void setPosition(const QString &control, int position) = 0;
    virtual int position(const QString &control) const = 0;

    // Lines of a list or memo; the control keeps only its newest lines.
    virtual void appendLine(const QString &control, const QString &line) = 0;
    // A line of a list whose owner bounds it: the list keeps every such line until removeFirstLines, so
    // that its lines stay in step with the owner's entries.
    virtual void appendOwnedLine(const QString &control, const QString &line) = 0;
    // Removes the oldest `count` lines of a list.
    virtual void removeFirstLines(const QString &control, qsizetype count) = 0;
    virtual QStringList lines(const QString &control) const = 0;

    // Tabs of the main page control.
    virtual void setTabShown(int page, bool shown) = 0;
    virtual bool isTabShown(int page) const = 0;
    virtual void setActivePage(int page) = 0;
    virtual int activePage() const = 0;

    // The file name of the picture a control shows ("kondaktif.bmp"), looked up in the working
    // directory; false when it cannot be loaded (the control keeps its picture); an empty name shows
    // no picture. picture() gives the name of the file shown, empty for none.
    virtual bool setPicture(const QString &control, const QString &fileName) = 0;
    virtual QString picture(const QString &control) const = 0;

    // Runs `action` when a person activates the control: a button or menu entry is clicked (a toggle
    // button after its state flipped). The connection lives as long as `context`.
    virtual void onClick(const QString &control, QObject *context, std::function<void()> action) = 0;
    // Runs `action` when the control's content changes: an edit's text, a spin box's text or value, a
    // check box's or choice's state, a picker's date, a list's selected line, the page control's tab.
    virtual void onChange(const QString &control, QObject *context, std::function<void()> action) = 0;

    // Runs `action` once the control exists: at once, or when the part of its window that holds it is
    // built (the main window builds most of its pages after the login window shows).
    virtual void whenBuilt(const QString &control, QObject *context, std::function<void()> action) = 0;
    // Runs `action` each time a window is shown after being hidden, and each time it is closed (by its
    // own close button or by closeWindow).
    virtual void onShown(const QString &window, QObject *context, std::function<void()> action) = 0;
    virtual void onClosed(const QString &window, QObject *context, std::function<void()> action) = 0;

    // Every display of the main window's views (segment displays, lamps, the needle meter, the large
    // readings) drawn at about half brightness, or again at full; or those of one tab page only.
    // viewsDimmed() is true while any page is dimmed.
    virtual void setViewsDimmed(bool dimmed) = 0;
    virtual bool viewsDimmed() const = 0;
    virtual void setPageDimmed(int page, bool dimmed) = 0;
    virtual bool isPageDimmed(int page) const = 0;

    // The text shown when the mouse rests on a control.
    virtual void setToolTip(const QString &control, const QString &text) = 0;
    virtual QString toolTip(const QString &control) const = 0;

    virtual void setFocus(const QString &control) = 0;
    // Closes a window ("TFrmGiris") or hides it from the screen.
    virtual void closeWindow(const QString &window) = 0;
    virtual void showWindow(const QString &window) = 0;
    virtual void repaint() = 0;
    // A desktop notification through the tray icon, where the desktop has a tray; none elsewhere.
    virtual void notify(const QString &title, const QString &text) = 0;
    // Asks for the user's attention on a window (its task bar entry flashes) until the user turns to it.
    virtual void alert(const QString &window) = 0;

    // Pictures that the view logic draws on (waveforms, spectra), in pixels from the top left corner.
    // Drawing adds to what the picture shows until it is cleared; what falls outside is cut off. The
    // title drawn on a picture is its caption.
    virtual QSize pictureSize(const QString &control) const = 0;
    // Fills the whole picture and removes its title.
    virtual void clearPicture(const QString &control, Colour colour) = 0;
    virtual void fillRectangle(const QString &control, const QRect &area, Colour colour) = 0;
    // Straight lines from each point to the next.
    virtual void drawPolyline(const QString &control, const QList<QPoint> &points, Colour colour,
                              int penWidth) = 0;
    // Bold text whose top left corner is at `at`; drawTitle also makes it the picture's caption.
    virtual void drawText(const QString &control, QPoint at, const QString &text, Colour colour) = 0;
    virtual void drawTitle(const QString &control, QPoint at, const QString &text, Colour colour) = 0;
};

} // namespace korvel
