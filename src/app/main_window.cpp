#include "app/main_window.h"

#include "app/command_table.h"
#include "app/commands.h"
#include "app/controllers/status_presenter.h"
#include "core/config/settings.h"

#include <QAction>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The video area: black, lowered bevel. Whatever widget is placed in it (the video window) is
// kept filling the area inside the bevel, so callers only set the parent.
class VideoPanel : public QFrame {
public:
    explicit VideoPanel(QWidget *parent) : QFrame(parent) {}

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::ChildAdded || e->type() == QEvent::ChildPolished) {
            // A child announced by ChildAdded may still be inside its constructor.
            QMetaObject::invokeMethod(this, [this] { fillChildren(); }, Qt::QueuedConnection);
        }
        return QFrame::event(e);
    }
    void resizeEvent(QResizeEvent *e) override
    {
        QFrame::resizeEvent(e);
        fillChildren();
    }

private:
    void fillChildren()
    {
        const auto children = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (QWidget *w : children)
            if (!w->isWindow())
                w->setGeometry(contentsRect());
    }
};

QWidget *fixedStrip(QWidget *parent, const char *name, int height)
{
    auto *w = new QWidget(parent);
    w->setObjectName(QLatin1String(name));
    w->setFixedHeight(height);
    return w;
}

void makeBlack(QWidget *w)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, QColor(0xE0, 0xE0, 0xE0));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

// Small 16x16 toolbar pictures drawn in code, for commands the style has no picture for.
QIcon drawnIcon(int kind)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor ink(0x20, 0x20, 0x20);
    switch (kind) {
    case 0: // subtitle file: a page with text lines
        p.setPen(ink);
        p.setBrush(Qt::white);
        p.drawRect(3, 1, 10, 13);
        p.drawLine(5, 5, 11, 5);
        p.drawLine(5, 8, 11, 8);
        p.drawLine(5, 11, 9, 11);
        break;
    case 1: // subtitle editor: a page and a pen
        p.setPen(ink);
        p.setBrush(Qt::white);
        p.drawRect(2, 1, 9, 13);
        p.setPen(QPen(QColor(0x30, 0x60, 0xC0), 2));
        p.drawLine(8, 12, 14, 4);
        break;
    case 2: // show subtitles: a picture with a caption line
        p.setPen(ink);
        p.setBrush(Qt::black);
        p.drawRect(1, 2, 14, 11);
        p.setPen(QPen(Qt::yellow, 2));
        p.drawLine(4, 10, 12, 10);
        break;
    case 3: // full screen: corners pointing outwards
        p.setPen(QPen(ink, 2));
        p.drawLine(1, 1, 5, 1); p.drawLine(1, 1, 1, 5);
        p.drawLine(14, 1, 10, 1); p.drawLine(14, 1, 14, 5);
        p.drawLine(1, 14, 5, 14); p.drawLine(1, 14, 1, 10);
        p.drawLine(14, 14, 10, 14); p.drawLine(14, 14, 14, 10);
        break;
    default: // pan-scan: a wide picture cropped by the frame
        p.setPen(ink);
        p.setBrush(QColor(0x60, 0x90, 0xD0));
        p.drawRect(0, 4, 15, 7);
        p.setPen(QPen(ink, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(4, 2, 7, 11);
        break;
    }
    return QIcon(pm);
}

} // namespace

TZentavistaApp::TZentavistaApp(QWidget *parent)
    : QMainWindow(parent), settings_(std::make_unique<zv::Settings>())
{
    setObjectName(QStringLiteral("ZentavistaApp"));
    setWindowTitle(QStringLiteral("Zentavista"));
    buildPanels();
    commands_ = new zv::Commands(this);
    commands_->buildMenus(menuBar());
    commands_->bind(zv::Cmd::Zakocz1, this, [this] { close(); });
    buildToolBar();

    // Client area 320 x 300 below the menu bar.
    resize(320, 300 + menuBar()->sizeHint().height());
    setMinimumSize(320, 139);
}

QWidget *TZentavistaApp::videoPanel() const
{
    return Panel12;
}

void TZentavistaApp::buildPanels()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    auto *v = new QVBoxLayout(client);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    Panel10 = fixedStrip(client, "Panel10", 25);
    auto *tb = new QHBoxLayout(Panel10);
    tb->setContentsMargins(0, 0, 0, 0);
    ToolBar1 = new QToolBar(Panel10);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setMovable(false);
    tb->addWidget(ToolBar1);
    v->addWidget(Panel10);

    auto *video = new VideoPanel(client);
    video->setObjectName(QStringLiteral("Panel12"));
    video->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    video->setLineWidth(1);
    makeBlack(video);
    Panel12 = video;
    v->addWidget(Panel12, 1);

    Panel11 = fixedStrip(client, "Panel11", 68);
    auto *bottom = new QVBoxLayout(Panel11);
    bottom->setContentsMargins(0, 1, 0, 0);
    bottom->setSpacing(0);
    Panel4 = fixedStrip(Panel11, "Panel4", 18);
    bottom->addWidget(Panel4);

    Panel2 = fixedStrip(Panel11, "Panel2", 27);
    auto *transport = new QHBoxLayout(Panel2);
    transport->setContentsMargins(0, 0, 0, 0);
    transport->setSpacing(0);
    ToolBar2 = new QToolBar(Panel2);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar4 = new QToolBar(Panel2);
    ToolBar4->setObjectName(QStringLiteral("ToolBar4"));
    for (QToolBar *bar : {ToolBar2, ToolBar4}) {
        bar->setIconSize(QSize(16, 16));
        bar->setMovable(false);
        transport->addWidget(bar);
    }
    transport->addStretch(1);
    Panel3 = new QWidget(Panel2);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFixedWidth(80);
    transport->addWidget(Panel3);
    bottom->addWidget(Panel2);

    Panel1 = fixedStrip(Panel11, "Panel1", 22);
    makeBlack(Panel1);
    auto *status = new QHBoxLayout(Panel1);
    status->setContentsMargins(4, 0, 4, 0);
    status->setSpacing(8);
    Label1 = new QLabel(Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label3 = new QLabel(Panel1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setMinimumWidth(0);
    Label3->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Panel9 = new QWidget(Panel1);
    Panel9->setObjectName(QStringLiteral("Panel9"));
    Panel9->setFixedWidth(110);
    auto *timeBox = new QHBoxLayout(Panel9);
    timeBox->setContentsMargins(0, 0, 0, 0);
    Label2 = new QLabel(Panel9);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    timeBox->addWidget(Label2);
    status->addWidget(Label1);
    status->addWidget(Label3, 1);
    status->addWidget(Panel9);
    bottom->addWidget(Panel1);
    v->addWidget(Panel11);

    setCentralWidget(client);
}

void TZentavistaApp::buildToolBar()
{
    QStyle *st = style();
    const QIcon icons[] = {
        st->standardIcon(QStyle::SP_DialogOpenButton),   // ToolButton1
        drawnIcon(0),                                     // ToolButton2
        st->standardIcon(QStyle::SP_FileDialogDetailedView), // ToolButton3
        drawnIcon(1),                                     // ToolButton23
        drawnIcon(2),                                     // ToolButton12
        drawnIcon(3),                                     // ToolButton22
        drawnIcon(4),                                     // ToolButton4
        st->standardIcon(QStyle::SP_MessageBoxInformation), // ToolButton7
    };
    QToolButton **fields[] = {&ToolButton1, &ToolButton2, &ToolButton3, &ToolButton23,
                              &ToolButton12, &ToolButton22, &ToolButton4, &ToolButton7};
    int i = 0;
    for (const zv::ToolButtonRow &row : zv::mainToolBarTable()) {
        auto *b = new QToolButton(ToolBar1);
        b->setObjectName(QLatin1String(row.name));
        b->setToolTip(QString::fromUtf8(row.hint));
        b->setAutoRaise(true);
        b->setIcon(icons[i]);
        b->setIconSize(QSize(16, 16));
        *fields[i] = b;
        ToolBar1->addWidget(b);
        if (row.separatorAfter)
            ToolBar1->addSeparator();
        connect(b, &QToolButton::clicked, this,
                [this, target = row.target, refresh = row.refreshAfter] { runToolButton(target, refresh); });
        ++i;
    }
    // These buttons show the state of their items.
    ToolButton12->setCheckable(true);
    ToolButton22->setCheckable(true);
    ToolButton4->setCheckable(true);
}

void TZentavistaApp::runToolButton(zv::Cmd target, bool refreshAfter)
{
    commands_->run(target);
    if (refreshAfter && ctx_.status)
        ctx_.status->UstawMStaus();
    // A checkable button click toggles the button itself; its state follows the menu item.
    ToolButton12->setChecked(commands_->isChecked(zv::Cmd::Wy1));
    ToolButton22->setChecked(commands_->isChecked(zv::Cmd::FullScr));
    ToolButton4->setChecked(commands_->isChecked(zv::Cmd::PanScan1));
}
