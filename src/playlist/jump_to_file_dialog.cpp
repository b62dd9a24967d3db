#include "playlist/jump_to_file_dialog.h"

TForm8::TForm8(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Skocz do pliku..."));
    resize(420, 320);
}
