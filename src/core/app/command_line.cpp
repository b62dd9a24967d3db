#include "core/app/command_line.h"

#include <QDir>
#include <QFileInfo>

namespace zv {

namespace {

constexpr qsizetype kMaxSwitchText = 255;

// Up to kMaxSwitchText characters of `param` after the switch found at `at`, never ending
// in half of a surrogate pair.
QString switchText(const QString &param, qsizetype at, qsizetype switchLength)
{
    QString text = param.mid(at + switchLength, kMaxSwitchText);
    if (!text.isEmpty() && text.back().isHighSurrogate())
        text.chop(1);
    return text;
}

bool has(const QString &param, QLatin1StringView needle)
{
    return param.contains(needle, Qt::CaseInsensitive);
}

QString questionOf(const QString &param)
{
    const qsizetype at = param.indexOf(QLatin1StringView("/q="), 0, Qt::CaseInsensitive);
    if (at < 0)
        return defaultStartQuestion();
    QString text = switchText(param, at, 3);
    text.replace(QLatin1Char('_'), QLatin1Char(' '));
    // "/q=" with nothing after it still deserves a readable question.
    return text.isEmpty() ? defaultStartQuestion() : text;
}

// Applies one parameter's requests; a "/p=" whose value is not an integer voids them all.
void applySwitches(const QString &param, CommandLine &cl)
{
    std::optional<int> panScan;
    const qsizetype at = param.indexOf(QLatin1StringView("/p="), 0, Qt::CaseInsensitive);
    if (at >= 0) {
        bool ok = false;
        const int value = switchText(param, at, 3).trimmed().toInt(&ok, 10);
        if (!ok)
            return;
        panScan = value;
    }
    if (panScan) {
        cl.PanScanValue = panScan;
        cl.CmdPanScan = true;
    }
    // "/full" contains "/f", "/panscan" and "/p=" contain "/p".
    if (has(param, QLatin1StringView("/f")))
        cl.CmdFullScreen = true;
    if (has(param, QLatin1StringView("/p")))
        cl.CmdPanScan = true;
    if (has(param, QLatin1StringView("/a")))
        cl.CmdAutoPanScan = true;
}

} // namespace

QString defaultStartQuestion()
{
    return QStringLiteral("Uruchomić film?");
}

bool isSwitchParameter(const QString &param)
{
    if (param.isEmpty() || param.contains(QChar(0)))
        return !param.isEmpty();
    if (QFileInfo::exists(param))
        return false;
    const qsizetype slash = param.lastIndexOf(QLatin1Char('/'));
    if (slash <= 0)
        return true;
    // "/f" and "/p=3" hang off the root folder; "/home/jan/filmy/brak.avi" does not.
    const QFileInfo folder(param.left(slash));
    return !folder.isDir() || QDir::cleanPath(folder.absoluteFilePath()) == QLatin1String("/");
}

CommandLine parseCommandLine(const QStringList &argsAfterProgramName)
{
    CommandLine cl;
    // The registered shell command passes empty arguments for its unused placeholders.
    for (const QString &arg : argsAfterProgramName) {
        if (arg.isEmpty())
            break;
        cl.params.append(arg);
    }
    for (const QString &param : std::as_const(cl.params)) {
        if (!isSwitchParameter(param))
            continue;
        if (has(param, QLatin1StringView("/q")))
            cl.questions.append(questionOf(param));
        applySwitches(param, cl);
    }
    return cl;
}

QString LongPathOf(const QString &param)
{
    // An embedded NUL would be cut short by the C library and name some other file.
    if (param.isEmpty() || param.contains(QChar(0)))
        return QString();
    const QFileInfo info(param);
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    if (QFileInfo::exists(clean))
        return clean;
    // "link/.." resolved by the kernel can differ from the lexical clean-up.
    if (info.exists()) {
        const QString canonical = info.canonicalFilePath();
        if (!canonical.isEmpty())
            return canonical;
    }
    return clean;
}

QStringList ParamFilesToList(const QStringList &params)
{
    QStringList list;
    list.reserve(params.size());
    for (const QString &param : params)
        list.append(LongPathOf(param));
    return list;
}

} // namespace zv
