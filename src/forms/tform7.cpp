#include "forms/tform7.h"

TForm7::TForm7(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Baza tekstów"));
    resize(460, 272);
}

// The database list comes with the subtitle library work; until then there is nothing to read
// or write.
void TForm7::OdczytajBazeNapisow() {}

void TForm7::ZapiszBazenapisow() {}
