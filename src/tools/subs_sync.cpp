#include "subs_sync.h"

#include "subs_help.h"

#include "core/files/get_typ.h"
#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_writer.h"
#include "core/sync/subtitle_sync.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace zv::subs {

namespace {

enum Status { kOk = 0, kFailed = 2, kRefused = 3 };

struct SyncArgs {
    QString film;
    QString subs;
    QString output;
    SubtitleSaveFormat to = SubtitleSaveFormat::Srt;
    QString extension = QStringLiteral(".srt");
    bool split = true;
    bool json = false;
};

QString extensionFor(SubtitleSaveFormat f)
{
    switch (f) {
    case SubtitleSaveFormat::Tmp: return QStringLiteral(".txt");
    case SubtitleSaveFormat::Mdvd: return QStringLiteral(".sub");
    case SubtitleSaveFormat::Lrc: return QStringLiteral(".lrc");
    case SubtitleSaveFormat::Srt: return QStringLiteral(".srt");
    case SubtitleSaveFormat::Mpl2: return QStringLiteral(".txt");
    }
    return QStringLiteral(".srt");
}

// Two names of one existing file (links, "./" spellings) compare equal.
bool sameFile(const QString &a, const QString &b)
{
    struct stat sa {}, sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Seconds with a decimal comma in Polish, a point in English.
QString seconds(double s, Language l, int decimals = 3)
{
    QString v = QString::number(s, 'f', decimals);
    return l == Language::Polish ? v.replace(u'.', u',') : v;
}

class SyncRun {
public:
    SyncRun(std::FILE *out, std::FILE *err) : out_(out), err_(err), lang_(languageFromEnvironment()) {}
    int run(const QStringList &args);

private:
    QString t(const char *pl, const char *en) const { return tr(lang_, pl, en); }
    void say(const QString &s) const { std::fputs((s + u'\n').toLocal8Bit().constData(), err_); }
    bool print(const QByteArray &bytes) const
    {
        return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out_) == size_t(bytes.size());
    }
    int usage(const QString &why) const
    {
        say(QStringLiteral("zentavista-subs sync: ") + why);
        say(t("Pomoc: zentavista-subs --help", "Help: zentavista-subs --help"));
        return kFailed;
    }
    std::optional<SyncArgs> parse(const QStringList &args) const;
    void report(const SyncArgs &a, const sync::SyncResult &r, const QString &written) const;

    std::FILE *out_;
    std::FILE *err_;
    Language lang_;
};

std::optional<SyncArgs> SyncRun::parse(const QStringList &args) const
{
    SyncArgs a;
    QStringList files;
    bool onlyFiles = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &s = args[i];
        if (onlyFiles || !s.startsWith(u'-') || s == u"-") {
            files.append(s);
        } else if (s == u"--") {
            onlyFiles = true;
        } else if (s == u"--json") {
            a.json = true;
        } else if (s == u"--no-split") {
            a.split = false;
        } else if (s == u"-o" || s == u"--output" || s == u"--to") {
            if (i + 1 >= args.size()) {
                usage(t("brak wartości dla ", "missing value for ") + s);
                return std::nullopt;
            }
            const QString v = args[++i];
            if (s == u"--to") {
                const auto f = saveFormatByName(v);
                if (!f) {
                    usage(t("nieznany format: ", "unknown format: ") + v);
                    return std::nullopt;
                }
                a.to = *f;
                a.extension = extensionFor(*f);
            } else {
                a.output = v;
            }
        } else {
            usage(t("nieznana opcja: ", "unknown option: ") + s);
            return std::nullopt;
        }
    }
    if (files.size() != 2) {
        usage(t("potrzeba filmu i pliku napisów", "a film and a subtitle file are needed"));
        return std::nullopt;
    }
    a.film = files[0];
    a.subs = files[1];
    if (a.output.isEmpty()) { // beside the subtitles, never over them
        const QFileInfo in(a.subs);
        a.output = in.path() + u'/' + in.completeBaseName() + QStringLiteral(".sync") + a.extension;
    }
    if (a.output != u"-" && (sameFile(a.output, a.subs) || sameFile(a.output, a.film))) {
        say(a.output + t(": wyjście jest plikiem wejściowym; nic nie zapisano",
                         ": the output is an input file; nothing written"));
        return std::nullopt;
    }
    return a;
}

void SyncRun::report(const SyncArgs &a, const sync::SyncResult &r, const QString &written) const
{
    if (a.json) {
        QJsonArray pieces;
        for (const sync::SyncPiece &p : r.pieces)
            pieces.append(QJsonObject{{"firstLine", double(p.firstLine + 1)}, {"factor", p.factor}, {"offset", p.offset}});
        QJsonObject o{{"film", a.film},
                      {"subtitles", a.subs},
                      {"ok", r.ok},
                      {"confidence", r.confidence},
                      {"factor", r.factor},
                      {"offset", r.offset},
                      {"pieces", pieces}};
        if (!r.ok)
            o.insert("refusal", r.refusal);
        if (!written.isEmpty())
            o.insert("output", written);
        const QByteArray doc = QJsonDocument(o).toJson(QJsonDocument::Indented);
        if (written == u"-") // the subtitles went to standard output
            std::fputs(doc.constData(), err_);
        else
            print(doc);
        return;
    }
    QString s;
    s += t("przesunięcie: ", "offset: ") + seconds(r.offset, lang_) + QStringLiteral(" s\n");
    s += t("tempo: ", "rate: ") + seconds(r.factor, lang_, 6) + u'\n';
    if (r.pieces.size() > 1) {
        s += t("cięcia:\n", "cuts:\n");
        for (size_t i = 1; i < r.pieces.size(); ++i)
            s += t("  od wiersza ", "  from line ") + QString::number(r.pieces[i].firstLine + 1) + u' '
                 + t("przesunięcie ", "offset ") + seconds(r.pieces[i].offset, lang_) + QStringLiteral(" s\n");
    } else {
        s += t("cięcia: brak\n", "cuts: none\n");
    }
    s += t("pewność: ", "confidence: ") + seconds(r.confidence, lang_, 2) + u'\n';
    if (!written.isEmpty() && written != u"-")
        s += t("zapisano: ", "written: ") + written + u'\n';
    if (written == u"-")
        say(s.trimmed());
    else
        print(s.toUtf8());
}

int SyncRun::run(const QStringList &args)
{
    const auto a = parse(args);
    if (!a)
        return kFailed;
    // A damaged sound track makes the decoder talk on standard error in its own words; the
    // refusal says it once, in the user's language.
    av_log_set_level(AV_LOG_QUIET);
    Utf8Lines lines;
    TextEncoding encoding{};
    const FileKind kind = detectSubtitleFormat(a->subs, lines, &encoding);
    const SubtitleFormat *format = subtitleFormat(kind);
    if (!format) {
        say(a->subs + t(": nie da się odczytać napisów", ": cannot read the subtitles"));
        return kFailed;
    }
    const LoadResult loaded = format->parse(std::move(lines), LoadSettings{});

    // A progress line only for a person watching a terminal.
    const bool tty = ::isatty(::fileno(err_)) == 1;
    sync::SyncOptions options;
    options.allowSplit = a->split;
    int shown = -1;
    if (tty)
        options.progress = [&](double f) {
            const int pct = int(f * 100);
            if (pct != shown) {
                shown = pct;
                std::fprintf(err_, "\r%s %3d%%", qPrintable(t("synchronizacja:", "synchronising:")), pct);
                std::fflush(err_);
            }
            return true;
        };
    const sync::SyncResult r = sync::synchronise(a->film, loaded.table, options);
    if (tty)
        std::fputs("\r\033[K", err_);
    if (!r.ok) {
        say(r.refusal);
        if (a->json || !r.pieces.empty()) // what was found, when anything was
            report(*a, r, {});
        return kRefused;
    }

    // Each line where its piece puts it (or, in a whole-second file, at its onset); its length
    // follows the rate.
    std::vector<SubtitleCue> cues = subtitleCues(loaded.table, 0);
    std::vector<double> starts;
    for (double s : r.lineStarts)
        if (!std::isnan(s))
            starts.push_back(s);
    if (starts.size() != cues.size()) {
        say(a->subs + t(": wiersze nie zgadzają się z wynikiem; nic nie zapisano",
                        ": the lines do not match the result; nothing written"));
        return kFailed;
    }
    for (size_t i = 0; i < cues.size(); ++i) {
        const double length = cues[i].end - cues[i].start;
        cues[i].start = std::max(0.0, starts[i]);
        if (!std::isnan(cues[i].end))
            cues[i].end = cues[i].start + length * r.factor;
    }
    SubtitleSaveOptions save;
    save.format = a->to;
    save.frameEnds = true;
    const SubtitleSaveText text = formatSubtitles(cues, save);
    if (a->output == u"-") {
        if (!print(text.text)) {
            say(t("nie da się pisać na standardowe wyjście", "cannot write to standard output"));
            return kFailed;
        }
    } else {
        QString error;
        if (!saveSubtitleFile(a->output, text.text, TextEncoding::Utf8, nullptr, &error)) {
            say(a->output + t(": nie da się zapisać pliku: ", ": cannot write the file: ") + error);
            return kFailed;
        }
    }
    report(*a, r, a->output);
    return std::fflush(out_) == 0 ? kOk : kFailed;
}

} // namespace

int runSync(const QStringList &args, std::FILE *out, std::FILE *err)
{
    return SyncRun(out, err).run(args);
}

} // namespace zv::subs
