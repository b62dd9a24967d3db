#include "forms/tform4.h"

TForm4::TForm4(QWidget *parent) : TLineWindow(2, parent)
{
    setObjectName(QStringLiteral("Form4"));
}
