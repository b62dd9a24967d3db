#include "forms/tform8.h"

TForm8::TForm8(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Skocz do pliku..."));
    resize(420, 320);
}
