#include "playlist/jump_to_file_dialog.h"

#include "core/playlist/playlist.h"

TForm8::TForm8(QWidget *parent) : FilteredListDialog(parent)
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Skocz do pliku..."));
    connect(this, &FilteredListDialog::chosen, this,
            [this](int, const QString &name) { emit jumpRequested(name); });
}

void TForm8::setSources(std::function<QStringList()> names, std::function<QString()> currentMedia)
{
    names_ = std::move(names);
    currentMedia_ = std::move(currentMedia);
}

QStringList TForm8::sourceNames()
{
    return names_ ? names_() : QStringList();
}

int TForm8::initialRow(const QStringList &names)
{
    const QString current = zv::TPlaylist::bareFileName(currentMedia_ ? currentMedia_() : QString());
    return current.isEmpty() ? -1 : int(names.lastIndexOf(current));
}
