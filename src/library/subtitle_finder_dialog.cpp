#include "library/subtitle_finder_dialog.h"

TForm11::TForm11(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("Skocz do pliku z napisami..."));
    resize(420, 320);
}
