#include "playlist/playlist_window.h"

TForm6::TForm6(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Playlista"));
    resize(320, 300);
}
