#include "subs_tool.h"

#include "subs_film.h"
#include "subs_help.h"
#include "subs_sync.h"

#include "core/common/atomic_file.h"
#include "core/files/get_typ.h"
#include "core/library/subtitle_database.h"
#include "core/subtitles/subtitle_messages.h"
#include "core/subtitles/subtitle_writer.h"
#include "core/subtitles/time_list.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QTranslator>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>
#include <utility>

#include <sys/stat.h>

namespace zv::subs {

namespace {

enum Status { kOk = 0, kUnrecognised = 1, kFailed = 2 };

struct Options {
    QString command;
    QStringList inputs;
    QString output;
    bool json = false;
    bool strict = false;
    double fps = 0;
    std::optional<SubtitleSaveFormat> to;
    std::optional<double> shift;
    QList<std::pair<double, double>> fits;
    QString encoding = QStringLiteral("utf-8");
    int track = 0; // a film's subtitle track; 0: its only one
};

class Tool {
public:
    Tool(std::FILE *out, std::FILE *err) : out_(out), err_(err), lang_(languageFromEnvironment()) {}
    int run(const QStringList &args);
    bool close() const;

private:
    struct Loaded {
        FileKind kind = kindMissing;
        TextEncoding encoding = TextEncoding::Utf8;
        LoadResult result;
        const SubtitleFormat *format = nullptr;
    };

    QString t(const char *pl, const char *en) const { return tr(lang_, pl, en); }
    QString systemText(const QString &qtText) const;
    void say(const QString &s) const { std::fputs((s + u'\n').toLocal8Bit().constData(), err_); }
    // Every write to standard output is checked; the first failure is kept for the exit status.
    bool print(QByteArrayView bytes) const
    {
        if (std::fwrite(bytes.data(), 1, size_t(bytes.size()), out_) == size_t(bytes.size()))
            return true;
        if (outErrno_ == 0)
            outErrno_ = errno ? errno : EIO;
        return false;
    }
    int finishOutput() const;
    int usage(const QString &why) const
    {
        say(QStringLiteral("zentavista-subs: ") + why);
        say(t("Pomoc: zentavista-subs --help", "Help: zentavista-subs --help"));
        return kFailed;
    }
    std::optional<Options> parse(const QStringList &args, int &status) const;
    std::optional<Loaded> load(const QString &path, const Options &o) const;
    std::optional<Loaded> loadFilm(const QString &path, const Options &o) const;
    std::vector<qsizetype> badLineNumbers(const QString &path, const Loaded &l) const;
    int info(const Options &o) const;
    bool refuseCollisions(const Options &o, const QStringList &targets) const;
    int convert(const Options &o) const;

    std::FILE *out_;
    std::FILE *err_;
    Language lang_;
    mutable int outErrno_ = 0;       // why standard output failed, 0 while it has not
    mutable bool outReported_ = false;
};

// Qt's texts for system errors ("No space left on device") in the tool's language: Qt's own
// Polish catalogue has them, the same words the player shows. Loaded only when an error is
// said, so that a run without one starts no slower.
QString Tool::systemText(const QString &qtText) const
{
    if (lang_ != Language::Polish)
        return qtText;
    static QTranslator *catalogue = [] {
        auto *qt = new QTranslator;
        if (!qt->load(QStringLiteral("qtbase_pl"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete qt;
            return static_cast<QTranslator *>(nullptr);
        }
        return qt;
    }();
    const QString polish = catalogue ? catalogue->translate("QIODevice", qtText.toUtf8().constData()) : QString();
    return polish.isEmpty() ? qtText : polish;
}

// Flushes standard output, which ends every run: a write that failed, or a flush that fails now
// (a full disk, a closed stream), fails the run, once said.
int Tool::finishOutput() const
{
    errno = 0;
    if (std::fflush(out_) != 0 && outErrno_ == 0)
        outErrno_ = errno ? errno : EIO;
    if (outErrno_ == 0 && std::ferror(out_))
        outErrno_ = EIO;
    if (outErrno_ == 0)
        return kOk;
    if (!std::exchange(outReported_, true))
        say(QStringLiteral("zentavista-subs: ")
            + t("nie da się pisać na standardowe wyjście: ", "cannot write to standard output: ")
            + systemText(qt_error_string(outErrno_)));
    return kFailed;
}

QString formatName(FileKind kind)
{
    return formatTagOfKind(kind).value_or(QStringLiteral("?"));
}

QString encodingName(TextEncoding e)
{
    switch (e) {
    case TextEncoding::Utf8: return QStringLiteral("utf-8");
    case TextEncoding::Utf8Bom: return QStringLiteral("utf-8-bom");
    case TextEncoding::Windows1250: return QStringLiteral("cp1250");
    case TextEncoding::Iso8859_2: return QStringLiteral("iso-8859-2");
    }
    return QString();
}

QString extensionOf(SubtitleSaveFormat f)
{
    switch (f) {
    case SubtitleSaveFormat::Srt: return QStringLiteral(".srt");
    case SubtitleSaveFormat::Lrc: return QStringLiteral(".lrc");
    default: return QStringLiteral(".txt");
    }
}

// "h:mm:ss.mmm".
QString clock(double seconds)
{
    const int64_t ms = int64_t(std::llround(std::max(seconds, 0.0) * 1000));
    return formatListTime(ms / 1000) + u'.' + QString::number(ms % 1000).rightJustified(3, u'0');
}

// Where writing `path` lands, comparable between two paths however they are spelled: the file
// itself (device and inode, so links and "./" count as the same file) when it exists; else the
// real path of its folder and its name, after any dangling link, whose target would be written.
QString placeOf(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
        return QStringLiteral("%1:%2").arg(st.st_dev).arg(st.st_ino);
    QString p = QFileInfo(path).absoluteFilePath();
    for (int hops = 0; hops < 40 && QFileInfo(p).isSymLink(); ++hops)
        p = QFileInfo(p).symLinkTarget();
    const QFileInfo f(p);
    const QString folder = QFileInfo(f.path()).canonicalFilePath();
    return (folder.isEmpty() ? QDir::cleanPath(f.path()) : folder) + u'/' + f.fileName();
}

std::optional<double> number(const QString &s)
{
    bool ok = false;
    const double v = s.toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional(v) : std::nullopt;
}

std::optional<Options> Tool::parse(const QStringList &args, int &status) const
{
    Options o;
    status = kFailed;
    const auto value = [&](qsizetype &i) -> std::optional<QString> {
        if (i + 1 >= args.size()) {
            usage(t("brak wartości dla ", "missing value for ") + args[i]);
            return std::nullopt;
        }
        return args[++i];
    };
    bool onlyFiles = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (onlyFiles || !a.startsWith(u'-') || a == u"-") {
            if (o.command.isEmpty())
                o.command = a;
            else
                o.inputs.append(a);
        } else if (a == u"--") {
            onlyFiles = true;
        } else if (a == u"-h" || a == u"--help") {
            print(helpAsText(helpText(lang_)).toUtf8());
            status = kOk;
            return std::nullopt;
        } else if (a == u"--version") {
            print(QByteArray("zentavista-subs " ZV_VERSION "\n"));
            status = kOk;
            return std::nullopt;
        } else if (a == u"--man") {
            // Used by the build: writes the man page to the given file.
            const auto path = value(i);
            if (!path)
                return std::nullopt;
            const QString page = helpAsMan(helpText(lang_), lang_, QStringLiteral(ZV_VERSION));
            status = writeFileAtomically(*path, page.toUtf8()) ? kOk : kFailed;
            return std::nullopt;
        } else if (a == u"--json") {
            o.json = true;
        } else if (a == u"--strict") {
            o.strict = true;
        } else if (a == u"-o" || a == u"--output") {
            const auto v = value(i);
            if (!v)
                return std::nullopt;
            o.output = *v;
        } else if (a == u"--to") {
            const auto v = value(i);
            if (!v)
                return std::nullopt;
            o.to = saveFormatByName(*v);
            if (!o.to) {
                usage(t("nieznany format: ", "unknown format: ") + *v);
                return std::nullopt;
            }
        } else if (a == u"--fps") {
            const auto v = value(i);
            const auto n = v ? number(*v) : std::nullopt;
            if (!n || *n < 1 || *n > 1000) {
                if (v)
                    usage(t("błędna liczba klatek na sekundę: ", "bad frame rate: ") + *v);
                return std::nullopt;
            }
            o.fps = *n;
        } else if (a == u"--shift") {
            const auto v = value(i);
            const auto n = v ? number(*v) : std::nullopt;
            if (!n) {
                if (v)
                    usage(t("błędne przesunięcie: ", "bad shift: ") + *v);
                return std::nullopt;
            }
            // Beyond the latest time a file can hold every line would land on that time.
            if (std::abs(*n) > kLatestSubtitleTime) {
                usage(t("przesunięcie poza zakresem (najwyżej 10^12 sekund): ",
                        "shift out of range (at most 10^12 seconds): ") + *v);
                return std::nullopt;
            }
            o.shift = *n;
        } else if (a == u"--fit") {
            const auto v = value(i);
            if (!v)
                return std::nullopt;
            const QStringList parts = v->split(u'=');
            const auto sub = parts.size() == 2 ? number(parts[0]) : std::nullopt;
            const auto film = parts.size() == 2 ? number(parts[1]) : std::nullopt;
            if (!sub || !film || std::abs(*sub) > kLatestSubtitleTime || std::abs(*film) > kLatestSubtitleTime) {
                usage(t("błędny punkt dopasowania (NAPIS=FILM): ", "bad fit point (SUB=FILM): ") + *v);
                return std::nullopt;
            }
            o.fits.append({*sub, *film});
        } else if (a == u"--track") {
            const auto v = value(i);
            bool ok = false;
            const int n = v ? v->toInt(&ok) : 0;
            if (!ok || n < 1) {
                if (v)
                    usage(t("błędny numer ścieżki: ", "bad track number: ") + *v);
                return std::nullopt;
            }
            o.track = n;
        } else if (a == u"--encoding") {
            const auto v = value(i);
            if (!v)
                return std::nullopt;
            o.encoding = v->toLower();
            if (o.encoding != u"utf-8" && o.encoding != u"cp1250" && o.encoding != u"keep") {
                usage(t("nieznane kodowanie: ", "unknown encoding: ") + *v);
                return std::nullopt;
            }
        } else {
            usage(t("nieznana opcja: ", "unknown option: ") + a);
            return std::nullopt;
        }
    }
    if (o.command != u"info" && o.command != u"convert") {
        usage(o.command.isEmpty() ? t("brak polecenia (info lub convert)", "no command (info or convert)")
                                  : t("nieznane polecenie: ", "unknown command: ") + o.command);
        return std::nullopt;
    }
    if (o.inputs.isEmpty()) {
        usage(t("brak plików wejściowych", "no input files"));
        return std::nullopt;
    }
    if (o.command == u"convert") {
        if (!o.to) {
            usage(t("brak --to", "--to is missing"));
            return std::nullopt;
        }
        if (o.fits.size() > 2 || (o.shift && !o.fits.isEmpty())) {
            usage(t("--shift albo jeden lub dwa --fit", "--shift, or one or two --fit"));
            return std::nullopt;
        }
    }
    status = kOk;
    return o;
}

std::optional<Tool::Loaded> Tool::load(const QString &path, const Options &o) const
{
    if (isFilmPath(path))
        return loadFilm(path, o);
    Loaded l;
    Utf8Lines lines;
    // Any name given explicitly goes to the content test, as the player's open dialog does.
    l.kind = detectSubtitleFormat(path, lines, &l.encoding);
    l.format = subtitleFormat(l.kind);
    if (!l.format) {
        if (opensAsFilm(path))
            return loadFilm(path, o);
        const auto m = classificationMessage(l.kind);
        say(path + QStringLiteral(": ") + (m ? m->text : t("nie da się odczytać pliku", "cannot read the file")));
        return std::nullopt;
    }
    LoadSettings settings;
    settings.MediaFrameRate = o.fps;
    l.result = l.format->parse(std::move(lines), settings);
    return l;
}

// A film's subtitle track, read as SubRip and loaded as a SubRip file would be.
std::optional<Tool::Loaded> Tool::loadFilm(const QString &path, const Options &o) const
{
    const FilmTrackText film = filmSubtitles(path, o.track, lang_);
    for (const QString &w : film.warnings)
        say(path + QStringLiteral(": ") + w);
    if (!film.ok) {
        say(path + QStringLiteral(": ") + film.error);
        return std::nullopt;
    }
    Loaded l;
    Utf8Lines lines;
    l.kind = detectSubtitleFormatOfBytes(film.subRip, lines, &l.encoding, true);
    l.format = subtitleFormat(l.kind);
    if (!l.format) {
        say(path + QStringLiteral(": ") + t("nie da się odczytać ścieżki ", "cannot read track ") + film.track);
        return std::nullopt;
    }
    LoadSettings settings;
    settings.MediaFrameRate = o.fps;
    l.result = l.format->parse(std::move(lines), settings);
    return l;
}

// 1-based file line numbers of the lines not understood.
std::vector<qsizetype> Tool::badLineNumbers(const QString &path, const Loaded &l) const
{
    std::vector<qsizetype> out;
    if (l.result.unrecognised == 0)
        return out;
    if (l.format->wantsAllLines) {
        for (qsizetype i : l.result.unrecognisedLines)
            out.push_back(i + 1);
        return out;
    }
    // The line formats see candidate lines only: find them in the file again and try each.
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    const QByteArray bytes = f.readAll();
    QByteArrayView rest(bytes);
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    qsizetype number = 0;
    while (!rest.isEmpty()) {
        qsizetype eol = 0;
        while (eol < rest.size() && rest[eol] != '\n' && rest[eol] != '\r')
            ++eol;
        const QByteArrayView line = rest.first(eol);
        ++number;
        rest = rest.sliced(eol);
        if (!rest.isEmpty())
            rest = rest.sliced(rest.startsWith("\r\n") ? 2 : 1);
        if (!isSubtitleCandidateLine(line))
            continue;
        Utf8Lines one;
        one.appendDecoded(line, l.encoding == TextEncoding::Utf8Bom ? TextEncoding::Utf8 : l.encoding);
        if (l.format->parse(std::move(one), {}).unrecognised > 0)
            out.push_back(number);
    }
    return out;
}

int Tool::info(const Options &o) const
{
    int status = kOk;
    QJsonArray reports;
    for (const QString &path : o.inputs) {
        // A film: its tracks. With --track, the report of that subtitle track as of a file.
        if (o.track == 0 && isFilmPath(path)) {
            const FilmInfo film = filmInfo(path, lang_);
            if (!film.ok) {
                say(path + QStringLiteral(": ") + film.error);
                status = kFailed;
            } else if (o.json) {
                reports.append(film.json);
            } else {
                print(film.text.toUtf8());
            }
            continue;
        }
        const auto l = load(path, o);
        if (!l) {
            status = kFailed;
            continue;
        }
        const std::vector<SubtitleCue> cues = subtitleCues(l->result.table, o.fps);
        double first = NAN, last = NAN;
        for (const SubtitleCue &c : cues) {
            first = std::isnan(first) ? c.start : std::min(first, c.start);
            const double end = std::isnan(c.end) ? c.start : c.end;
            last = std::isnan(last) ? end : std::max(last, end);
        }
        const std::vector<qsizetype> bad = badLineNumbers(path, *l);
        QStringList messages;
        for (const SubtitleMessage &m : loadMessages(*l->format, l->result))
            messages.append(m.text);
        if (l->result.unrecognised > 0 && o.strict)
            status = std::max<int>(status, kUnrecognised);
        if (o.json) {
            QJsonArray badJson, messagesJson;
            for (qsizetype n : bad)
                badJson.append(double(n));
            for (const QString &m : messages)
                messagesJson.append(m);
            QJsonObject r{{"file", path},
                          {"format", formatName(l->kind)},
                          {"encoding", encodingName(l->encoding)},
                          {"lines", double(cues.size())},
                          {"unrecognised", double(l->result.unrecognised)},
                          {"unrecognisedLines", badJson},
                          {"messages", messagesJson}};
            if (!cues.empty()) {
                r.insert("first", first);
                r.insert("last", last);
            }
            reports.append(r);
            continue;
        }
        QString text = path + u'\n';
        text += t("  format: ", "  format: ") + formatName(l->kind) + u'\n';
        text += t("  kodowanie: ", "  encoding: ") + encodingName(l->encoding) + u'\n';
        text += t("  wierszy wczytanych: ", "  lines loaded: ") + QString::number(cues.size()) + u'\n';
        text += t("  wierszy nierozpoznanych: ", "  lines not recognised: ")
            + QString::number(l->result.unrecognised);
        if (!bad.empty()) {
            QStringList numbers;
            for (qsizetype n : bad)
                numbers.append(QString::number(n));
            text += t(" (wiersze ", " (lines ") + numbers.join(QStringLiteral(", ")) + u')';
        }
        text += u'\n';
        if (!cues.empty()) {
            text += t("  pierwszy czas: ", "  first time: ") + clock(first) + u'\n';
            text += t("  ostatni czas: ", "  last time: ") + clock(last) + u'\n';
        }
        print(text.toUtf8());
        for (const QString &m : messages)
            say(path + QStringLiteral(": ") + QString(m).replace(u'\n', u' '));
    }
    if (o.json) {
        const QJsonDocument doc = o.inputs.size() == 1 && reports.size() == 1
            ? QJsonDocument(reports.first().toObject())
            : QJsonDocument(reports);
        print(doc.toJson(QJsonDocument::Indented));
    }
    return status;
}

int Tool::convert(const Options &o) const
{
    SubtitleSaveOptions save;
    save.format = *o.to;
    save.frameRate = o.fps;
    if (o.shift) {
        save.correct = true;
        save.shift = plainShift(*o.shift, true); // positive: later
    } else if (o.fits.size() == 1) {
        save.correct = true;
        save.shift = onePointFit(o.fits[0].first, o.fits[0].second);
    } else if (o.fits.size() == 2) {
        const auto fit = twoPointFit(o.fits[0].first, o.fits[0].second, o.fits[1].first, o.fits[1].second);
        if (!fit) {
            say(twoPointFitRefusal().replace(u'\n', u' '));
            return kFailed;
        }
        save.correct = true;
        save.shift = *fit;
    }
    const bool toStdout = o.output == u"-";
    const bool intoFolder = o.inputs.size() > 1 && !toStdout && !o.output.isEmpty();
    if (intoFolder && !QFileInfo(o.output).isDir()) {
        say(o.output + t(": przy kilku plikach -o musi wskazywać katalog",
                         ": with several input files -o must name a folder"));
        return kFailed;
    }
    // Every file to be written, known before any is: none may be another's input or output.
    QStringList targets;
    for (const QString &path : o.inputs) {
        const QFileInfo in(path);
        if (toStdout)
            targets.append(QString());
        else if (o.output.isEmpty() || intoFolder)
            targets.append((intoFolder ? o.output : in.path()) + u'/' + in.completeBaseName() + extensionOf(*o.to));
        else
            targets.append(o.output);
    }
    if (refuseCollisions(o, targets))
        return kFailed;
    int status = kOk;
    for (qsizetype i = 0; i < o.inputs.size(); ++i) {
        const QString &path = o.inputs[i];
        const auto l = load(path, o);
        if (!l) {
            status = kFailed;
            continue;
        }
        if (l->result.unrecognised > 0) {
            for (const SubtitleMessage &m : loadMessages(*l->format, l->result))
                say(path + QStringLiteral(": ") + QString(m.text).replace(u'\n', u' '));
            if (o.strict)
                status = std::max<int>(status, kUnrecognised);
        }
        if (!subtitleTimesFit(l->result.table, o.fps, save)) {
            say(path + t(": przesunięte wiersze wypadłyby poza zakres czasu (10^12 sekund); nic nie zapisano",
                         ": the shifted lines would fall beyond the time range (10^12 seconds); nothing written"));
            status = kFailed;
            continue;
        }
        // Lines with their own ends keep them in MicroDVD too.
        save.frameEnds = l->result.table.FrameTimed() || l->result.table.CueTimed();
        TextEncoding preferred = TextEncoding::Utf8;
        if (o.encoding == u"cp1250")
            preferred = TextEncoding::Windows1250;
        else if (o.encoding == u"keep")
            preferred = l->encoding;
        SubtitleSaveText text;
        if (toStdout) {
            // Written as it is formatted: a large file is never held whole.
            const auto write = [this](QByteArrayView piece) { return print(piece); };
            if (!streamSubtitles(l->result.table, o.fps, save, preferred, write, &text))
                return kFailed; // said once, by finishOutput
        } else {
            const QString &target = targets[i];
            TextEncoding used{};
            QString error;
            if (!saveSubtitles(target, l->result.table, o.fps, save, preferred, &text, &used, &error)) {
                say(target + t(": nie da się zapisać pliku: ", ": cannot write the file: ") + systemText(error));
                status = kFailed;
                continue;
            }
            if (used != preferred && !(preferred == TextEncoding::Utf8 && used == TextEncoding::Utf8Bom))
                say(target + t(": strona kodowa nie mieści wszystkich znaków, zapisano UTF-8",
                               ": the code page cannot hold every character, UTF-8 written"));
        }
        if (text.assumedFrameRate)
            say(path + t(": przyjęto 25 klatek na sekundę (--fps)", ": 25 frames per second assumed (--fps)"));
        if (text.clampedToZero > 0)
            say(path + t(": wierszy przed początkiem filmu, zapisanych w 0: ",
                         ": lines before the start of the film, written at 0: ")
                + QString::number(text.clampedToZero));
        if (text.skippedEmpty > 0)
            say(path + t(": pominięto puste wiersze: ", ": empty lines left out: ")
                + QString::number(text.skippedEmpty));
    }
    return status;
}

// An output that is an input of the same run, or that two inputs would both write, would lose
// a file: the run is refused before anything is written. The one exception is a single input
// written over itself through an explicit -o, which is read whole before the file is replaced.
bool Tool::refuseCollisions(const Options &o, const QStringList &targets) const
{
    QStringList inputPlaces;
    for (const QString &path : o.inputs)
        inputPlaces.append(placeOf(path));
    // Never over a film: its subtitles are a small part of it.
    const bool explicitOutput = !o.output.isEmpty() && o.inputs.size() == 1 && !isFilmPath(o.inputs[0]);
    bool refused = false;
    QStringList seen; // places of the targets before i
    for (qsizetype i = 0; i < targets.size(); ++i) {
        if (targets[i].isEmpty())
            continue;
        const QString place = placeOf(targets[i]);
        for (qsizetype j = 0; j < o.inputs.size(); ++j) {
            if (inputPlaces[j] != place || (j == i && explicitOutput))
                continue;
            if (j == i && isFilmPath(o.inputs[i]))
                say(o.inputs[i] + t(": plik wynikowy byłby samym filmem; nic nie zapisano",
                                    ": the output would be the film itself; nothing written"));
            else if (j == i)
                say(o.inputs[i] + t(": plik wynikowy byłby plikiem wejściowym; wskaż go przez -o",
                                    ": the output would be the input file; name it with -o"));
            else
                say(o.inputs[i] + t(": plik wynikowy ", ": the output ") + targets[i]
                    + t(" zastąpiłby plik wejściowy ", " would replace the input file ") + o.inputs[j]
                    + t("; nic nie zapisano", "; nothing written"));
            refused = true;
        }
        // Said once: an output that is also an input was said above.
        if (const qsizetype k = seen.indexOf(place); k >= 0 && !inputPlaces.contains(place)) {
            say(o.inputs[k] + t(" i ", " and ") + o.inputs[i]
                + t(" zostałyby zapisane do jednego pliku ", " would both be written to ") + targets[i]
                + t("; nic nie zapisano", "; nothing written"));
            refused = true;
        }
        seen.append(place);
    }
    return refused;
}

// Closing standard output can still fail (a deferred write error); a stream that had failed
// before was reported by the run.
bool Tool::close() const
{
    const bool failedBefore = std::ferror(out_);
    errno = 0;
    if (std::fclose(out_) == 0 || failedBefore)
        return !failedBefore;
    say(QStringLiteral("zentavista-subs: ") + t("nie da się zamknąć standardowego wyjścia: ", "cannot close standard output: ")
        + systemText(qt_error_string(errno ? errno : EIO)));
    return false;
}

int Tool::run(const QStringList &args)
{
    int status = kOk;
    const std::optional<Options> o = parse(args, status);
    if (o)
        status = o->command == u"info" ? info(*o) : convert(*o);
    return std::max(status, finishOutput());
}

} // namespace

int run(const QStringList &args, std::FILE *out, std::FILE *err)
{
    // "sync" reads a film and has options of its own.
    const auto word = std::find_if(args.begin(), args.end(), [](const QString &a) { return !a.startsWith(u'-'); });
    if (word != args.end() && *word == u"sync") {
        QStringList rest = args;
        rest.removeAt(word - args.begin());
        return runSync(rest, out, err);
    }
    return Tool(out, err).run(args);
}

bool closeOutput(std::FILE *out, std::FILE *err)
{
    return Tool(out, err).close();
}

} // namespace zv::subs
