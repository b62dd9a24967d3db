#include "forms/tform3.h"

TForm3::TForm3(QWidget *parent) : TLineWindow(1, parent)
{
    setObjectName(QStringLiteral("Form3"));
}
