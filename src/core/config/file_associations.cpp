#include "core/config/file_associations.h"

#include "core/common/atomic_file.h"

#include <QFile>
#include <QMimeDatabase>
#include <QSet>
#include <QStandardPaths>

namespace zv {

namespace {

bool isGroupHeader(const QByteArray &text)
{
    return text.trimmed().startsWith('[');
}

QString groupName(const QByteArray &text)
{
    const QByteArray t = text.trimmed();
    const qsizetype close = t.indexOf(']');
    return QString::fromUtf8(t.mid(1, close < 0 ? -1 : close - 1));
}

// The key and value of "key = value"; nullopt for comments, blank lines and headers.
std::optional<std::pair<QString, QString>> keyValue(const QByteArray &text)
{
    const QByteArray t = text.trimmed();
    if (t.isEmpty() || t.startsWith('#') || t.startsWith('['))
        return std::nullopt;
    const qsizetype eq = t.indexOf('=');
    if (eq <= 0)
        return std::nullopt;
    return std::pair{QString::fromUtf8(t.left(eq).trimmed()), QString::fromUtf8(t.mid(eq + 1).trimmed())};
}

bool isOurs(const std::optional<QString> &value)
{
    return value && firstDesktopId(*value) == QLatin1String(kDesktopFileName);
}

// Our value ends with ";" so that readers cutting at ";" never see a stray CR.
QString ourValue()
{
    return QLatin1String(kDesktopFileName) + QLatin1Char(';');
}

// Characters that make an Exec argument need quoting.
bool needsQuoting(const QString &s)
{
    for (const QChar ch : s)
        if (ch.isSpace() || QStringLiteral("\"'\\><~|&;$*?#()`").contains(ch))
            return true;
    return s.isEmpty();
}

} // namespace

MimeAppsList::MimeAppsList(const QByteArray &bytes)
{
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const qsizetype nl = bytes.indexOf('\n', pos);
        if (nl < 0) {
            lines_.append({bytes.mid(pos), {}});
            break;
        }
        QByteArray text = bytes.mid(pos, nl - pos);
        QByteArray end("\n");
        if (text.endsWith('\r')) {
            text.chop(1);
            end = "\r\n";
        }
        lines_.append({text, end});
        pos = nl + 1;
    }
}

QByteArray MimeAppsList::bytes() const
{
    QByteArray out;
    for (const Line &l : lines_)
        out += l.text + l.end;
    return out;
}

QByteArray MimeAppsList::newLineEnd() const
{
    for (const Line &l : lines_)
        if (!l.end.isEmpty())
            return l.end;
    return "\n";
}

QList<MimeAppsList::Hit> MimeAppsList::find(const QString &group, const QString &key) const
{
    QList<Hit> hits;
    bool inGroup = false;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const QByteArray &t = lines_[i].text;
        if (isGroupHeader(t)) {
            inGroup = groupName(t) == group;
            continue;
        }
        if (!inGroup)
            continue;
        if (const auto kv = keyValue(t); kv && kv->first == key)
            hits.append({i, kv->second});
    }
    return hits;
}

std::optional<QString> MimeAppsList::value(const QString &group, const QString &key) const
{
    const QList<Hit> hits = find(group, key);
    if (hits.isEmpty())
        return std::nullopt;
    return hits.first().value;
}

void MimeAppsList::setValue(const QString &group, const QString &key, const QString &value)
{
    const QByteArray text = (key + QLatin1Char('=') + value).toUtf8();
    const QList<Hit> hits = find(group, key);
    if (!hits.isEmpty()) {
        lines_[hits.first().line].text = text;
        for (qsizetype i = hits.size() - 1; i >= 1; --i)
            lines_.removeAt(hits[i].line);
        return;
    }
    const QByteArray eol = newLineEnd();
    // After the group's last key line, so blank lines and comments before the next group stay
    // where they are.
    qsizetype insertAt = -1;
    bool inGroup = false;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const QByteArray &t = lines_[i].text;
        if (isGroupHeader(t)) {
            if (inGroup)
                break;
            inGroup = groupName(t) == group;
            if (inGroup)
                insertAt = i + 1;
            continue;
        }
        if (inGroup && keyValue(t))
            insertAt = i + 1;
    }
    if (!lines_.isEmpty() && lines_.last().end.isEmpty())
        lines_.last().end = eol;
    if (insertAt < 0) {
        if (!lines_.isEmpty() && !lines_.last().text.trimmed().isEmpty())
            lines_.append({{}, eol});
        lines_.append({QByteArray("[") + group.toUtf8() + "]", eol});
        insertAt = lines_.size();
    }
    lines_.insert(insertAt, {text, eol});
}

void MimeAppsList::remove(const QString &group, const QString &key)
{
    const QList<Hit> hits = find(group, key);
    for (qsizetype i = hits.size() - 1; i >= 0; --i)
        lines_.removeAt(hits[i].line);
}

void MimeAppsList::removeEmptyGroup(const QString &group)
{
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        if (!isGroupHeader(lines_[i].text) || groupName(lines_[i].text) != group)
            continue;
        qsizetype end = i + 1;
        while (end < lines_.size() && !isGroupHeader(lines_[end].text)) {
            if (!lines_[end].text.trimmed().isEmpty())
                return;
            ++end;
        }
        qsizetype begin = i;
        if (begin > 0 && lines_[begin - 1].text.trimmed().isEmpty())
            --begin;
        // Blank lines that separate it from a following group stay.
        if (end < lines_.size())
            end = i + 1;
        lines_.remove(begin, end - begin);
        return;
    }
}

QString firstDesktopId(const QString &value)
{
    return value.section(QLatin1Char(';'), 0, 0).trimmed();
}

QString mimeTypeForExtension(const QString &extension)
{
    if (extension.isEmpty())
        return {};
    static const QMimeDatabase db;
    const QList<QMimeType> types =
        db.mimeTypesForFileName(QStringLiteral("file.") + extension.toLower());
    return types.isEmpty() ? QString() : types.first().name();
}

QString userMimeAppsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/mimeapps.list");
}

QString userDesktopEntryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/applications/") + QLatin1String(kDesktopFileName);
}

QList<bool> associationMarks(const QList<FileTypeEntry> &entries, const MimeAppsList &list)
{
    const QString group = QLatin1String(kDefaultApplicationsGroup);
    QList<bool> marks;
    for (const FileTypeEntry &e : entries) {
        const QString mime = mimeTypeForExtension(e.extension);
        marks.append(!mime.isEmpty() && isOurs(list.value(group, mime)));
    }
    return marks;
}

QStringList applyAssociations(const QList<FileTypeEntry> &entries, MimeAppsList &list)
{
    const QString defaults = QLatin1String(kDefaultApplicationsGroup);
    const QString previous = QLatin1String(kPreviousDefaultsGroup);
    QStringList order;
    QSet<QString> wanted;
    for (const FileTypeEntry &e : entries) {
        const QString mime = mimeTypeForExtension(e.extension);
        if (mime.isEmpty())
            continue;
        if (!order.contains(mime))
            order.append(mime);
        if (e.marked)
            wanted.insert(mime);
    }
    QStringList ours;
    for (const QString &mime : order) {
        const std::optional<QString> current = list.value(defaults, mime);
        if (wanted.contains(mime)) {
            if (!isOurs(current))
                list.setValue(previous, mime, current.value_or(QString()));
            list.setValue(defaults, mime, ourValue());
            ours.append(mime);
        } else if (isOurs(current)) {
            const QString back = list.value(previous, mime).value_or(QString());
            // A saved value naming us would keep the type ours for ever.
            if (back.isEmpty() || firstDesktopId(back) == QLatin1String(kDesktopFileName))
                list.remove(defaults, mime);
            else
                list.setValue(defaults, mime, back);
            list.remove(previous, mime);
        }
    }
    list.removeEmptyGroup(previous);
    return ours;
}

QString desktopExecArgument(const QString &path)
{
    QString arg = path;
    arg.replace(QLatin1Char('%'), QStringLiteral("%%"));
    if (needsQuoting(path)) {
        QString quoted;
        for (const QChar ch : arg) {
            if (ch == QLatin1Char('"') || ch == QLatin1Char('`') || ch == QLatin1Char('$')
                || ch == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += ch;
        }
        arg = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    // The Exec value is a string value too: its own escape for the backslash comes on top.
    arg.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return arg;
}

std::optional<QByteArray> desktopEntry(const QString &program, const QStringList &mimeTypes)
{
    if (program.contains(QLatin1Char('\n')) || program.contains(QLatin1Char('\r')))
        return std::nullopt;
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Version=1.0\n"
                                  "Name=Zentavista\n"
                                  "GenericName=Movie player\n"
                                  "GenericName[pl]=Odtwarzacz filmów\n"
                                  "Exec=%1 %F\n"
                                  "Icon=zentavista\n"
                                  "Terminal=false\n"
                                  "Categories=AudioVideo;Video;Player;\n"
                                  "StartupNotify=true\n"
                                  "StartupWMClass=zentavista\n")
                       .arg(desktopExecArgument(program));
    if (!mimeTypes.isEmpty())
        text += QStringLiteral("MimeType=") + mimeTypes.join(QLatin1Char(';')) + QStringLiteral(";\n");
    return text.toUtf8();
}

RegistrationResult registerFileTypes(const QList<FileTypeEntry> &entries, const QString &program,
                                     const QString &mimeAppsPath, const QString &desktopEntryPath)
{
    RegistrationResult r;
    for (const FileTypeEntry &e : entries)
        if (mimeTypeForExtension(e.extension).isEmpty())
            r.unknownExtensions.append(e.extension);

    QByteArray old;
    QFile file(mimeAppsPath);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly)) {
            r.ok = false;
            r.error = QStringLiteral("Nie można odczytać pliku %1.").arg(mimeAppsPath);
            return r;
        }
        old = file.readAll();
        file.close();
    }
    MimeAppsList list(old);
    const QStringList ours = applyAssociations(entries, list);

    // The entry first: a default must never name an entry that is not there.
    const std::optional<QByteArray> entry = desktopEntry(program, ours);
    QString why;
    if (!entry || !writeFileAtomically(desktopEntryPath, *entry, &why)) {
        r.ok = false;
        r.error = QStringLiteral("Nie można zapisać pliku %1.\n%2").arg(desktopEntryPath, why);
        return r;
    }
    const QByteArray now = list.bytes();
    if (now != old && !writeFileAtomically(mimeAppsPath, now, &why)) {
        r.ok = false;
        r.error = QStringLiteral("Nie można zapisać pliku %1.\n%2").arg(mimeAppsPath, why);
    }
    return r;
}

QList<bool> readAssociationMarks(const QList<FileTypeEntry> &entries, const QString &mimeAppsPath)
{
    QFile file(mimeAppsPath);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    return associationMarks(entries, MimeAppsList(bytes));
}

} // namespace zv
