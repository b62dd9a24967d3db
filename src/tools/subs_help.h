#pragma once

#include <QList>
#include <QString>

#include <utility>

namespace zv::subs {

enum class Language { Polish, English };

// From LC_ALL, LC_MESSAGES, LANG (the first one set): Polish for "pl...", otherwise English.
Language languageFromEnvironment();

// The help in parts, so that --help and the man page are made from the same words.
struct HelpText {
    QString summary;                                 // one line
    QList<QString> usage;                            // synopsis lines, without the program name
    QString description;
    QList<std::pair<QString, QString>> options;      // term, explanation
    QList<std::pair<QString, QString>> exitStatus;   // code, meaning
    QList<QString> examples;
};

HelpText helpText(Language language);
QString helpAsText(const HelpText &help);
QString helpAsMan(const HelpText &help, Language language, const QString &version);

// The tool's own messages in the user's language.
QString tr(Language language, const char *polish, const char *english);

} // namespace zv::subs
