#include "subtitles/jump_to_subtitle_dialog.h"

TJumpToTextFrm::TJumpToTextFrm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("JumpToTextFrm"));
    setWindowTitle(QStringLiteral("Skocz do napisu..."));
    resize(420, 320);
}
