#include "core/config/file_associations.h"

#include "core/common/atomic_file.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>

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

// Our ids: the one we register under, and the program's own one an older version wrote
// (still ours when the program has been installed since).
bool isOurId(const QString &desktopId, const QString &id)
{
    return desktopId == id || desktopId == QLatin1String(kDesktopFileName);
}

bool isOurs(const std::optional<QString> &value, const QString &id)
{
    return value && isOurId(firstDesktopId(*value), id);
}

QStringList withoutOurs(const QStringList &ids, const QString &id)
{
    QStringList rest;
    for (const QString &x : ids)
        if (!isOurId(x, id))
            rest.append(x);
    return rest;
}

// Each id followed by ";", so that readers cutting at ";" never see a stray CR.
QString valueOf(const QStringList &ids)
{
    return ids.isEmpty() ? QString() : ids.join(QLatin1Char(';')) + QLatin1Char(';');
}

// Undoes the string escapes of a desktop entry value (\s, \n, \t, \r, \\).
QString unescapeValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar ch = value.at(i);
        if (ch != QLatin1Char('\\') || i + 1 == value.size()) {
            out += ch;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case '\\': out += QLatin1Char('\\'); break;
        default: out += ch; out += next; break;   // not an escape of the format: kept
        }
    }
    return out;
}

// The keys of an entry's [Desktop Entry] group that decide whether it starts a program.
struct EntryKeys {
    QString exec;
    bool hidden = false;
};

// Entries are small; a huge file in the folder is not one we need to read whole.
constexpr qint64 kMaxEntryBytes = 256 * 1024;

std::optional<EntryKeys> readEntryKeys(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(kMaxEntryBytes);
    EntryKeys keys;
    bool inGroup = false;
    for (const QByteArray &line : bytes.split('\n')) {
        const QByteArray t = line.trimmed();
        if (t.startsWith('[')) {
            if (inGroup)
                break;
            inGroup = t == "[Desktop Entry]";
            continue;
        }
        if (!inGroup)
            continue;
        if (const auto kv = keyValue(t)) {
            if (kv->first == QLatin1String("Exec") && keys.exec.isEmpty())
                keys.exec = kv->second;
            else if (kv->first == QLatin1String("Hidden"))
                keys.hidden = kv->second == QLatin1String("true");
        }
    }
    return keys;
}

// The program file an entry starts, after links; empty when it starts none that exists.
QString entryProgram(const QString &entryPath)
{
    const std::optional<EntryKeys> keys = readEntryKeys(entryPath);
    if (!keys || keys->hidden || keys->exec.isEmpty())
        return {};
    QString program = desktopExecProgram(keys->exec);
    if (!program.contains(QLatin1Char('/')))
        program = QStandardPaths::findExecutable(program);
    return program.isEmpty() ? QString() : QFileInfo(program).canonicalFilePath();
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

QStringList desktopIds(const QString &value)
{
    QStringList ids;
    for (const QString &x : value.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString id = x.trimmed();
        if (!id.isEmpty())
            ids.append(id);
    }
    return ids;
}

QString mimeTypeForExtension(const QString &extension)
{
    // No file name is longer than 255 bytes, so neither is an extension a file can have; a
    // damaged entry of megabytes would only cost a long match.
    if (extension.isEmpty() || extension.size() > 255)
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

QStringList systemDataDirs()
{
    QStringList dirs;
    for (const QString &d : qEnvironmentVariable("XDG_DATA_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(d))
            dirs.append(d);
    if (dirs.isEmpty())
        dirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    return dirs;
}

DesktopIdentity desktopIdentity(const QString &program, const QStringList &dataDirs)
{
    const QString target = QFileInfo(program).canonicalFilePath();
    if (target.isEmpty())
        return {};
    // Every entry id with the file the desktop takes for it: the first folder holding an id
    // hides the same id further on. Ids of entries in subfolders join the folders with "-".
    QList<std::pair<QString, QString>> candidates;
    QSet<QString> seen;
    for (const QString &dir : dataDirs) {
        const QString apps = QDir(dir).filePath(QStringLiteral("applications"));
        QStringList files;
        QDirIterator it(apps, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files.append(it.next());
        files.sort();
        for (const QString &path : files) {
            QString id = path.mid(apps.size() + 1);
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (!seen.contains(id)) {
                seen.insert(id);
                candidates.append({id, path});
            }
        }
    }
    std::stable_partition(candidates.begin(), candidates.end(),
                          [](const auto &c) { return c.first == QLatin1String(kDesktopFileName); });
    for (const auto &[id, path] : candidates)
        if (entryProgram(path) == target)
            return {id, path};
    return {};
}

QList<bool> associationMarks(const QList<FileTypeEntry> &entries, const MimeAppsList &list, const QString &id)
{
    const QString group = QLatin1String(kDefaultApplicationsGroup);
    QList<bool> marks;
    for (const FileTypeEntry &e : entries) {
        const QString mime = mimeTypeForExtension(e.extension);
        marks.append(!mime.isEmpty() && isOurs(list.value(group, mime), id));
    }
    return marks;
}

QStringList applyAssociations(const QList<FileTypeEntry> &entries, MimeAppsList &list, const QString &id)
{
    const QString defaults = QLatin1String(kDefaultApplicationsGroup);
    const QString previous = QLatin1String(kPreviousDefaultsGroup);
    QStringList order;
    QSet<QString> known;
    QSet<QString> wanted;
    for (const FileTypeEntry &e : entries) {
        const QString mime = mimeTypeForExtension(e.extension);
        if (mime.isEmpty())
            continue;
        if (!known.contains(mime)) {
            known.insert(mime);
            order.append(mime);
        }
        if (e.marked)
            wanted.insert(mime);
    }
    QStringList ours;
    for (const QString &mime : order) {
        const std::optional<QString> current = list.value(defaults, mime);
        const QStringList ids = current ? desktopIds(*current) : QStringList();
        const bool oursFirst = isOurs(current, id);
        if (wanted.contains(mime)) {
            ours.append(mime);
            const QStringList wantedIds = QStringList{id} + withoutOurs(ids, id);
            if (ids == wantedIds)
                continue;
            // The value before we took the type over; not replaced while we hold it.
            if (!oursFirst)
                list.setValue(previous, mime, current.value_or(QString()));
            list.setValue(defaults, mime, valueOf(wantedIds));
        } else if (oursFirst) {
            const QStringList rest = withoutOurs(ids, id);
            const std::optional<QString> saved = list.value(previous, mime);
            const QStringList savedRest = saved ? withoutOurs(desktopIds(*saved), id) : QStringList();
            if (!rest.isEmpty() && saved && savedRest == rest)
                list.setValue(defaults, mime, *saved);      // as it was, byte for byte
            else if (!rest.isEmpty())
                list.setValue(defaults, mime, valueOf(rest));
            else if (!savedRest.isEmpty())
                list.setValue(defaults, mime, valueOf(savedRest));   // someone cut the others off
            else
                list.remove(defaults, mime);
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

QString desktopExecProgram(const QString &exec)
{
    const QString line = unescapeValue(exec).trimmed();
    QString program;
    if (line.startsWith(QLatin1Char('"'))) {
        for (qsizetype i = 1; i < line.size(); ++i) {
            const QChar ch = line.at(i);
            if (ch == QLatin1Char('"'))
                break;
            if (ch == QLatin1Char('\\') && i + 1 < line.size())
                program += line.at(++i);
            else
                program += ch;
        }
    } else {
        program = line.section(QLatin1Char(' '), 0, 0);
    }
    program.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return program;
}

bool isGeneratedDesktopEntry(const QByteArray &bytes)
{
    QString exec;
    QStringList mimeTypes;
    for (const QByteArray &line : bytes.split('\n')) {
        if (line.startsWith("Exec="))
            exec = QString::fromUtf8(line.mid(5));
        else if (line.startsWith("MimeType="))
            mimeTypes = QString::fromUtf8(line.mid(9)).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    }
    if (exec.isEmpty())
        return false;
    const std::optional<QByteArray> entry = desktopEntry(desktopExecProgram(exec), mimeTypes);
    return entry && *entry == bytes;
}

RegistrationResult registerFileTypes(const QList<FileTypeEntry> &entries, const QString &program,
                                     const QString &mimeAppsPath, const QString &desktopEntryPath,
                                     const QStringList &dataDirs)
{
    RegistrationResult r;
    for (const FileTypeEntry &e : entries)
        if (mimeTypeForExtension(e.extension).isEmpty())
            r.unknownExtensions.append(e.extension);
    const auto fail = [&r](const QString &path, const QString &why) {
        r.ok = false;
        r.error = QStringLiteral("Nie można zapisać pliku %1.\n%2").arg(path, why);
        return r;
    };

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
    const DesktopIdentity identity = desktopIdentity(program, dataDirs);
    MimeAppsList list(old);
    const QStringList ours = applyAssociations(entries, list, identity.id);

    QByteArray userEntry;
    QFile entryFile(desktopEntryPath);
    const bool entryExists = entryFile.exists();
    if (entryExists && entryFile.open(QIODevice::ReadOnly))
        userEntry = entryFile.read(kMaxEntryBytes);
    entryFile.close();
    // Only an entry exactly as we write it is ours to replace or remove; one the user made
    // stays as it is.
    const bool generated = entryExists && isGeneratedDesktopEntry(userEntry);
    QString why;
    if (!identity.installed() && (!entryExists || generated) && (!ours.isEmpty() || entryExists)) {
        // The entry first: a default must never name an entry that is not there.
        const std::optional<QByteArray> entry = desktopEntry(program, ours);
        if (!entry)
            return fail(desktopEntryPath, QString());
        if (*entry != userEntry && !writeFileAtomically(desktopEntryPath, *entry, &why))
            return fail(desktopEntryPath, why);
    }
    const QByteArray now = list.bytes();
    if (now != old && !writeFileAtomically(mimeAppsPath, now, &why))
        return fail(mimeAppsPath, why);
    // An installed program: an entry of ours in the user's folder would hide the installed one
    // (and outlive the package), so it goes.
    if (identity.installed() && generated) {
        const QString entryProgramPath = entryProgram(desktopEntryPath);
        if (QFileInfo(desktopEntryPath).fileName() == identity.id
            || entryProgramPath == QFileInfo(program).canonicalFilePath())
            QFile::remove(desktopEntryPath);
    }
    return r;
}

QList<bool> readAssociationMarks(const QList<FileTypeEntry> &entries, const QString &mimeAppsPath,
                                 const QString &program, const QStringList &dataDirs)
{
    QFile file(mimeAppsPath);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    const QString id = program.isEmpty() ? QString::fromLatin1(kDesktopFileName)
                                         : desktopIdentity(program, dataDirs).id;
    return associationMarks(entries, MimeAppsList(bytes), id);
}

} // namespace zv
