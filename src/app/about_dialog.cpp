#include "app/about_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#ifndef ZV_VERSION
#define ZV_VERSION "0"
#endif

namespace {

QWidget *textPage(const QString &html)
{
    auto *label = new QLabel(html);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMargin(12);
    return label;
}

} // namespace

TForm10::TForm10(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("O programie..."));
    setModal(true);
    resize(460, 360);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(
        textPage(QStringLiteral(
                     "<h2>Zentavista</h2><p>Wersja %1</p>"
                     "<p>Odtwarzacz filmów dla tych, którzy oglądają filmy z napisami: własne "
                     "napisy w trzech formatach, z cieniem, zawijaniem i zmniejszaniem, baza "
                     "skojarzeń napisów z filmami, korekta czasu, edytor napisów, playlista "
                     "i pełny ekran z PanScanem.</p>")
                     .arg(QLatin1String(ZV_VERSION))),
        QStringLiteral("O programie..."));
    PageControl1->addTab(
        textPage(QStringLiteral(
            "<p><b>Historia</b></p>"
            "<p>Zentavista powstała z potrzeby wygodnego oglądania filmów z polskimi napisami: "
            "napisy w plikach tekstowych, odnajdywane same przy otwarciu filmu i przesuwane, "
            "gdy nie pasują do wydania filmu.</p>"
            "<p>Ta wersja działa na pulpitach Linuksa (X11) i odtwarza wszystko, co potrafi "
            "silnik mpv.</p>")),
        QStringLiteral("Historia"));

    KeyList = new QTreeWidget;
    KeyList->setObjectName(QStringLiteral("KeyList"));
    KeyList->setColumnCount(2);
    KeyList->setHeaderLabels({QStringLiteral("Klawisz"), QStringLiteral("Działanie")});
    KeyList->setRootIsDecorated(false);
    KeyList->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    PageControl1->addTab(KeyList, QStringLiteral("Klawisze"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *box = new QVBoxLayout(this);
    box->addWidget(PageControl1);
    box->addWidget(buttons);
}

void TForm10::setKeyList(const QStringList &lines)
{
    KeyList->clear();
    for (const QString &line : lines)
        KeyList->addTopLevelItem(new QTreeWidgetItem(
            {line.section(QLatin1Char('\t'), 0, 0), line.section(QLatin1Char('\t'), 1)}));
}

void TForm10::done(int result)
{
    QDialog::done(result);
    // The next showing starts on the first page.
    PageControl1->setCurrentIndex(0);
}
