// The tool's side of the film module: the film functions, forwarded to the module that is loaded
// on the first call. Without the module, films are refused with a message and subtitle files
// work as ever.

#include "subs_film_module.h"
#include "subs_sync.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>
#include <unistd.h>

namespace zv::subs {

namespace {

QString selfFolder()
{
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? QFileInfo(QString::fromLocal8Bit(buf, n)).absolutePath() : QString();
}

struct Loaded {
    const FilmModule *module = nullptr;
    QString error;
};

const Loaded &loaded()
{
    static const Loaded l = [] {
        Loaded r;
        // Beside the tool in a build folder, under the library folder once installed.
        const QString self = selfFolder();
        const QStringList places = {self + u'/' + QLatin1String(kFilmModuleFile),
                                    self + QStringLiteral("/" ZV_FILM_MODULE_FROM_BIN "/") + QLatin1String(kFilmModuleFile)};
        QString why;
        for (const QString &place : places) {
            if (!QFileInfo::exists(place))
                continue;
            void *h = dlopen(QFile::encodeName(place).constData(), RTLD_NOW | RTLD_LOCAL);
            if (!h) {
                why = QString::fromLocal8Bit(dlerror());
                continue;
            }
            using Entry = const FilmModule *(*)();
            const auto entry = reinterpret_cast<Entry>(dlsym(h, kFilmModuleEntry));
            const FilmModule *m = entry ? entry() : nullptr;
            if (m && m->version == kFilmModuleVersion) {
                r.module = m;
                return r;
            }
            why = place + QStringLiteral(": inna wersja / another version");
        }
        r.error = why.isEmpty() ? QLatin1String(kFilmModuleFile) : why;
        return r;
    }();
    return l;
}

QString missing(Language l)
{
    return tr(l, "Brak modułu odczytu filmów (%1).", "The film reading module is missing (%1).")
        .arg(loaded().error);
}

} // namespace

bool opensAsFilm(const QString &path)
{
    return loaded().module && loaded().module->opensAsFilm(path);
}

FilmInfo filmInfo(const QString &path, Language language)
{
    if (!loaded().module)
        return {false, missing(language), {}, {}};
    return loaded().module->filmInfo(path, language);
}

FilmTrackText filmSubtitles(const QString &path, int track, Language language)
{
    if (!loaded().module) {
        FilmTrackText r;
        r.error = missing(language);
        return r;
    }
    return loaded().module->filmSubtitles(path, track, language);
}

int runSync(const QStringList &args, std::FILE *out, std::FILE *err)
{
    if (!loaded().module) {
        std::fprintf(err, "zentavista-subs: %s\n", missing(languageFromEnvironment()).toLocal8Bit().constData());
        return 2;
    }
    return loaded().module->runSync(args, out, err);
}

} // namespace zv::subs
