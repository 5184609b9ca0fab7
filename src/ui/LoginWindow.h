#pragma once

#include <QDialog>

class QLabel;

namespace korvel
{

// The login window TFrmGiris: a borderless window with its own title bar, the user name and password
// fields, the hidden server fields, the three buttons, the progress bar and the status line. It sees
// every key first (F5, F6, Enter), whichever field has the focus.
class LoginWindow final : public QDialog
{
    Q_OBJECT
public:
    explicit LoginWindow(QWidget *parent = nullptr);

Q_SIGNALS:
    void shown();
    void alternativeHostKey();
    void portKey();
    void connectClicked();
    void cancelClicked();
    void closeClicked();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QWidget *buildTitleBar();
    void showServer();
    QPoint m_dragStart;
    QLabel *m_server = nullptr;
};

} // namespace korvel
