#include "app/about_dialog.h"

TForm10::TForm10(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("O programie..."));
    resize(400, 300);
}
