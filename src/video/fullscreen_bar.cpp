#include "video/fullscreen_bar.h"

#include <QVBoxLayout>

TForm13::TForm13(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                          | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("Form13"));
    resize(640, kHeight);
    auto *box = new QVBoxLayout(this);
    box->setContentsMargins(0, 1, 0, 1);
    box->setSpacing(0);
}

void TForm13::holdPanel(QWidget *panel)
{
    if (!panel || panel == panel_)
        return;
    panel_ = panel;
    panel->setParent(this);
    layout()->addWidget(panel);
    panel->show();
}

QWidget *TForm13::releasePanel()
{
    QWidget *panel = panel_;
    panel_ = nullptr;
    if (panel)
        layout()->removeWidget(panel);
    return panel;
}
