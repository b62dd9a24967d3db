#include "subtitles/subtitle_editor.h"

TForm12::TForm12(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QStringLiteral("Edytor napisów"));
    resize(340, 272);
}
