#pragma once

#include "core/Screen.h"

#include <QHash>

namespace korvel::test
{

// A screen that keeps captions only, for handlers that read and write nothing else (the meter readout):
// benchmarks and fuzzers run them without widgets.
class CaptionScreen final : public Screen
{
public:
    void setCaption(const QString &control, const QString &text) override { m_captions[control] = text; }
    QString caption(const QString &control) const override { return m_captions.value(control); }
    void setColour(const QString &, Colour) override {}
    Colour colour(const QString &) const override { return 0; }
    void setVisible(const QString &, bool) override {}
    bool isVisible(const QString &) const override { return true; }
    void setEnabled(const QString &, bool) override {}
    bool isEnabled(const QString &) const override { return true; }
    void setChecked(const QString &, bool) override {}
    bool isChecked(const QString &) const override { return false; }
    void setPosition(const QString &, int) override {}
    int position(const QString &) const override { return 0; }
    void appendLine(const QString &, const QString &) override {}
    void appendOwnedLine(const QString &, const QString &) override {}
    void removeFirstLines(const QString &, qsizetype) override {}
    QStringList lines(const QString &) const override { return {}; }
    void setTabShown(int, bool) override {}
    bool isTabShown(int) const override { return true; }
    void setActivePage(int) override {}
    int activePage() const override { return 0; }
    bool setPicture(const QString &, const QString &) override { return false; }
    QString picture(const QString &) const override { return {}; }
    void onClick(const QString &, QObject *, std::function<void()>) override {}
    void onChange(const QString &, QObject *, std::function<void()>) override {}
    void onShown(const QString &, QObject *, std::function<void()>) override {}
    void onClosed(const QString &, QObject *, std::function<void()>) override {}
    void setViewsDimmed(bool) override {}
    bool viewsDimmed() const override { return false; }
    void setPageDimmed(int, bool) override {}
    bool isPageDimmed(int) const override { return false; }
    void setToolTip(const QString &, const QString &) override {}
    QString toolTip(const QString &) const override { return {}; }
    void setFocus(const QString &) override {}
    void closeWindow(const QString &) override {}
    void showWindow(const QString &) override {}
    void repaint() override {}
    void notify(const QString &, const QString &) override {}
    void alert(const QString &) override {}
    void whenBuilt(const QString &, QObject *, std::function<void()> action) override { action(); }
    QSize pictureSize(const QString &) const override { return {}; }
    void clearPicture(const QString &, Colour) override {}
    void fillRectangle(const QString &, const QRect &, Colour) override {}
    void drawPolyline(const QString &, const QList<QPoint> &, Colour, int) override {}
    void drawText(const QString &, QPoint, const QString &, Colour) override {}
    void drawTitle(const QString &, QPoint, const QString &, Colour) override {}

private:
    QHash<QString, QString> m_captions;
};
} // namespace korvel::test
