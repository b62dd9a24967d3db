#pragma once

#include <QString>

namespace zv {

// The file dialogs' filter for subtitle files, in Qt's form: the open command and the
// database window offer the same extensions.
inline const QString &subtitleFilesFilter()
{
    static const QString filter = QStringLiteral(
        "Pliki tekstów [*.txt;*.lrc;*.sfl;*.srt] (*.txt *.lrc *.sfl *.srt);;Wszystkie pliki [*.*] (*)");
    return filter;
}

} // namespace zv
