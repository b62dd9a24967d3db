#include "subtitles/jump_to_subtitle_dialog.h"

TJumpToTextFrm::TJumpToTextFrm(QWidget *parent) : FilteredListDialog(parent)
{
    setObjectName(QStringLiteral("JumpToTextFrm"));
    setWindowTitle(QStringLiteral("Skocz do napisu..."));
    connect(this, &FilteredListDialog::chosen, this, [this](int row, const QString &) { emit jumpRequested(row); });
}

void TJumpToTextFrm::setSource(std::function<QStringList()> lines)
{
    lines_ = std::move(lines);
}

QStringList TJumpToTextFrm::sourceNames()
{
    return lines_ ? lines_() : QStringList();
}
