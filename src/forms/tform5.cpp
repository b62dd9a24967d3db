#include "forms/tform5.h"

TForm5::TForm5(QWidget *parent) : TLineWindow(3, parent)
{
    setObjectName(QStringLiteral("Form5"));
}
