#include "ui/RetentionDialog.h"

#include "history/HistoryStore.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace korvel
{

namespace
{
constexpr double bytesPerGiB = 1024.0 * 1024.0 * 1024.0;
}

RetentionDialog::RetentionDialog(history::HistoryStore &store, QWidget *parent)
    : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("TFrmGecmisAyarlari"));
    setWindowTitle(QStringLiteral("Geçmiş ayarları"));
    const QLocale locale;
    m_days = new QLineEdit(QString::number(store.retentionDays()), this);
    m_days->setObjectName(QStringLiteral("EditGun"));
    m_size = new QLineEdit(locale.toString(double(store.retentionBytes()) / bytesPerGiB, 'g', 6), this);
    m_size->setObjectName(QStringLiteral("EditBoyut"));
    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("LblHata"));
    m_error->setStyleSheet(QStringLiteral("color: #FF0000"));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Saklama süresi (gün):"), m_days);
    form->addRow(QStringLiteral("En büyük boyut (GiB):"), m_size);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Kaydet"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Vazgeç"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Hangisi önce dolarsa en eski kayıtlar silinir."), this));
    layout->addLayout(form);
    layout->addWidget(m_error);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        const QString error = apply(m_days->text(), m_size->text());
        m_error->setText(error);
        if (error.isEmpty())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString RetentionDialog::apply(const QString &daysText, const QString &gibText)
{
    bool ok = false;
    const int days = QLocale().toInt(daysText.trimmed(), &ok);
    if (!ok || days < 1 || days > maxDays)
        return QStringLiteral("Saklama süresi 1 ile %1 gün arasında bir tam sayı olmalı.").arg(maxDays);
    const double gib = QLocale().toDouble(gibText.trimmed(), &ok);
    if (!ok || !std::isfinite(gib) || gib < 0.01 || gib > maxGiB)
        return QStringLiteral("En büyük boyut %1 ile %2 GiB arasında olmalı.")
            .arg(QLocale().toString(0.01), QLocale().toString(maxGiB));
    if (!m_store.setRetention(days, qint64(std::llround(gib * bytesPerGiB))))
        return QStringLiteral("Ayarlar geçmiş kayıt dosyasına yazılamadı.");
    return QString();
}

} // namespace korvel
