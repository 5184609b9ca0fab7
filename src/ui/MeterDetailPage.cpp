#include "ui/MeterDetailPage.h"

#include "ui/FormBuilder.h"
#include "ui/MeterCsv.h"
#include "ui/MeterReadingPage.h"
#include "ui/widgets/SevenSegmentDisplay.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace korvel
{

namespace
{
QString utf8(const char *text)
{
    return QString::fromUtf8(text);
}

using Display = MeterReadingPage::Display;

struct SubGroup {
    const char *caption;
    std::initializer_list<Display> displays;
};

const SubGroup meterInformation[] = {
    {"  Seri No Tarih Bilgileri  ",
     {{"Sayaç Seri No", "Sayacserino", "", 8},
      {"Tarih", "syctarih", "", 8},
      {"Saat", "sycsaat", "", 8},
      {"Gun", "sycgun", "", 9}}},
    {"Uretim-Kalibre-Tarife Tarihi",
     {{"Uretim Tarihi", "uretimtarihi", "", 8},
      {"Kalibrasyon Tarihi", "kalibtarihi", "", 8},
      {"Tarife bilgi değişiklik Tarihi", "tarifedegistarihi", "", 14}}},
    {"Gövde-Klemens Açılma Bilgileri",
     {{"Govde Açılma Tarihi", "govdetarihi", "", 14},
      {"K.Kapağı Açılma Tarihi", "klemenstarihi", "", 14},
      {"K.Kapağı Açılma Adedi", "klemesacilmaadedi", "", 2}}},
    {"  En Yüksek Ölçü -Demand-Pil Bilgileri",
     {{"En Yüksek Ölçü Süresi", "enyuksekolcu", "", 2},
      {"Demand", "Demand", "", 7},
      {"Demand Sıfırlanma Sayısı", "demansifilanma", "", 2},
      {"Pil Durumu", "pildurumu", "", 4}}},
    {"  Faz Kesilme-Uyarılar",
     {{"1.Faz Kesilme Adedi", "faz1kesilme", "", 4},
      {"2.Faz Kesilme Adedi", "faz2kesilme", "", 4},
      {"3.Faz Kesilme Adedi", "faz3kesilme", "", 4},
      {"Üç Faz Kesilme Adedi", "ucfazbirdenkesilme", "", 4},
      {"Gerilim Uyarı Sayısı", "gerilimuyari", "", 4},
      {"Akım Uyarı Sayısı", "akimuyari", "", 4}}},
};

QGroupBox *consumptionGrid(QWidget *parent)
{
    QGroupBox *box = form::group(parent, QStringLiteral("    Sayaç Tüketim Değerleri   "));
    auto *grid = new QGridLayout(box);
    const char *const columns[] = {"T1", "T2", "T3", "TOPLAM"};
    for (int c = 0; c < 4; ++c) {
        auto *heading = new QLabel(utf8(columns[c]), box);
        heading->setAlignment(Qt::AlignCenter);
        grid->addWidget(heading, 0, c + 1);
    }
    const struct {
        const char *caption;
        const char *unit;
        const char *cells[4];
    } rows[] = {{"Aktif", "KWH", {"t1ak", "t2ak", "t3ak", "tplaktif"}},
                {"İndüktif", "kVArLh", {"t1ind", "t2ind", "t3ind", "tplinduktif"}},
                {"Kapasitif", "kVArCh", {"t1kap", "t2kap", "t3kap", "tplkapasitif"}}};
    int r = 1;
    for (const auto &row : rows) {
        grid->addWidget(new QLabel(utf8(row.caption), box), r, 0);
        for (int c = 0; c < 4; ++c) {
            SevenSegmentDisplay *d = form::display(box, QString::fromLatin1(row.cells[c]), 9);
            d->setText(QStringLiteral("00000000"));
            grid->addWidget(d, r, c + 1);
        }
        grid->addWidget(new QLabel(utf8(row.unit), box), r, 5);
        ++r;
    }
    const struct {
        const char *caption;
        const char *name;
    } percents[] = {{"İndüktif /\nAktif Oran", "indyuzde"}, {"Kapasitif / \nAktif Oran", "kapyuzde"}};
    auto *ratios = new QHBoxLayout;
    for (const auto &p : percents) {
        ratios->addWidget(new QLabel(utf8(p.caption), box));
        ratios->addWidget(form::display(box, QString::fromLatin1(p.name), 6));
        ratios->addWidget(new QLabel(QStringLiteral("%"), box));
        ratios->addSpacing(16);
    }
    ratios->addStretch(1);
    grid->addLayout(ratios, r, 0, 1, 6);
    grid->setColumnStretch(6, 1);
    return box;
}
} // namespace

MeterDetailPage::MeterDetailPage(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    form::addButtons(this, top, {{"VrShadowButton15", "Sayaç Oku"}});
    top->addStretch(1);
    MeterCsv::addButton(this, top, QStringLiteral("BtnSayacDetayCsv"));
    layout->addLayout(top);

    QGroupBox *information = form::group(this, QStringLiteral("    Sayaç Bilgileri   "));
    auto *groups = new QGridLayout(information);
    // Two groups a row: three of them with their long date displays are wider than a laptop's screen.
    int index = 0;
    for (const SubGroup &g : meterInformation) {
        groups->addWidget(MeterReadingPage::displayGroup(information, utf8(g.caption), g.displays,
                                                         QStringLiteral("00000000")),
                          index / 2, index % 2);
        ++index;
    }
    layout->addWidget(information);
    layout->addWidget(consumptionGrid(this));
    layout->addWidget(MeterReadingPage::readoutPanel(this, QStringLiteral("Memo5")), 1);
}

} // namespace korvel
