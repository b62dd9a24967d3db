#include "subs_help.h"

#include <cstdlib>

namespace zv::subs {

Language languageFromEnvironment()
{
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *v = std::getenv(name);
        if (v && *v)
            return QByteArray(v).startsWith("pl") ? Language::Polish : Language::English;
    }
    return Language::English;
}

QString tr(Language language, const char *polish, const char *english)
{
    return QString::fromUtf8(language == Language::Polish ? polish : english);
}

HelpText helpText(Language l)
{
    const auto t = [l](const char *pl, const char *en) { return tr(l, pl, en); };
    HelpText h;
    h.summary = t("sprawdza i przekształca pliki napisów", "checks and converts subtitle files");
    h.usage = {
        t("info PLIK... [--json] [--fps N] [--strict]", "info FILE... [--json] [--fps N] [--strict]"),
        t("convert PLIK... --to FORMAT [-o WYJŚCIE] [--fps N] [--shift SEKUNDY] [--fit NAPIS=FILM]... "
          "[--encoding utf-8|cp1250|keep] [--strict]",
          "convert FILE... --to FORMAT [-o OUT] [--fps N] [--shift SECONDS] [--fit SUB=FILM]... "
          "[--encoding utf-8|cp1250|keep] [--strict]"),
        t("sync FILM NAPISY [-o WYJŚCIE] [--to FORMAT] [--no-split] [--json]",
          "sync FILM SUBS [-o OUT] [--to FORMAT] [--no-split] [--json]"),
        t("info FILM... [--json]", "info FILM... [--json]"),
        t("convert FILM --track N --to FORMAT [-o WYJŚCIE] [opcje jak wyżej]",
          "convert FILM --track N --to FORMAT [-o OUT] [options as above]"),
    };
    h.description = t(
        "Czyta napisy w formatach TMPlayer (h:mm:ss:tekst), MicroDVD ({start}{koniec}tekst), "
        "LRC ([mm:ss]tekst), SubRip (.srt) i MPL2 ([start][koniec]tekst), rozpoznając format i kodowanie "
        "(UTF-8, Windows-1250, ISO-8859-2) tak samo jak odtwarzacz. \"info\" podaje format, kodowanie, "
        "liczbę wczytanych wierszy, numery wierszy nierozpoznanych, pierwszy i ostatni czas oraz komunikaty, "
        "które pokazałby odtwarzacz. \"convert\" zapisuje napisy w wybranym formacie, po przesunięciu lub "
        "dopasowaniu czasów, zwykły plik zawsze przez plik tymczasowy (urządzenie lub potok wprost); plik "
        "wejściowy nigdy nie jest nadpisywany, chyba że jedyny plik wejściowy wskazuje -o. Gdy wynik "
        "zastąpiłby inny plik wejściowy albo dwa pliki miałyby ten sam wynik, nic nie jest zapisywane. "
        "Komunikaty trafiają na standardowe wyjście błędów. "
        "Czyta też filmy (.mkv, .mp4, .webm, .avi i inne, rozpoznawane po nazwie lub zawartości): \"info\" "
        "wypisuje ich ścieżki obrazu, dźwięku i napisów z numerami, językiem i tytułem, a \"convert\" "
        "odczytuje wskazaną ścieżkę napisów tekstowych (SubRip, ASS/SSA, WebVTT, tekst MP4), z kursywą i "
        "pogrubieniem, i zapisuje ją jak plik napisów. Ścieżek obrazkowych (PGS, VobSub, DVB) nie da się "
        "odczytać jako tekstu. Film nigdy nie jest nadpisywany.",
        "Reads subtitles in the TMPlayer (h:mm:ss:text), MicroDVD ({start}{end}text), LRC ([mm:ss]text), "
        "SubRip (.srt) and MPL2 ([start][end]text) formats, detecting the format and the encoding (UTF-8, "
        "Windows-1250, ISO-8859-2) as the player does. \"info\" reports the format, the encoding, the lines "
        "loaded, the numbers of the lines not recognised, the first and last time and the messages the player "
        "would show. \"convert\" writes the subtitles in the chosen format, shifted or fitted if asked, a "
        "regular file always through a temporary file (a device or a pipe directly); the input is never "
        "overwritten unless -o names the only input. When an output would replace another input, or two "
        "inputs would have the same output, nothing is written. Messages go to standard error. "
        "It reads films too (.mkv, .mp4, .webm, .avi and others, recognised by name or content): \"info\" "
        "lists their video, audio and subtitle tracks with numbers, language and title, and \"convert\" "
        "reads the chosen text subtitle track (SubRip, ASS/SSA, WebVTT, MP4 text), italics and bold "
        "included, and writes it as a subtitle file. Picture-based tracks (PGS, VobSub, DVB) cannot be read "
        "as text. A film is never overwritten.");
    h.options = {
        {"--to tmp|mdvd|lrc|srt|mpl2", t("format wyjściowy (convert)", "the output format (convert)")},
        {t("-o WYJŚCIE", "-o OUT"),
         t("plik wyjściowy; \"-\" to standardowe wyjście; przy kilku plikach wejściowych katalog. Bez -o: "
           "plik wejściowy z rozszerzeniem formatu (.srt, .lrc, .txt)",
           "the output file; \"-\" is standard output; a folder for several input files. Without -o: the "
           "input's name with the format's extension (.srt, .lrc, .txt)")},
        {"--track N", t("numer ścieżki napisów filmu (od 1, jak w info); niepotrzebny, gdy film ma jedną",
                        "the film's subtitle track number (from 1, as info lists them); not needed when the "
                        "film has one")},
        {"--fps N", t("klatki na sekundę dla MicroDVD (czytanie i zapis); domyślnie 25",
                      "frames per second for MicroDVD (reading and writing); 25 by default")},
        {t("--shift SEKUNDY", "--shift SECONDS"),
         t("przesuwa wszystkie napisy o tyle sekund (ujemne: wcześniej)",
           "shifts every line by so many seconds (negative: earlier)")},
        {t("--fit NAPIS=FILM", "--fit SUB=FILM"),
         t("napis zapisany w sekundzie NAPIS ma się pojawić w sekundzie FILM; raz: przesunięcie, dwa razy: "
           "także zmiana tempa",
           "the line stored at second SUB is to appear at second FILM; once: a shift, twice: a change of "
           "rate as well")},
        {"--encoding utf-8|cp1250|keep",
         t("kodowanie wyniku; domyślnie utf-8; keep: jak plik wejściowy. Gdy strona kodowa nie pomieści "
           "znaku, zapisywany jest UTF-8 z BOM",
           "the output encoding; utf-8 by default; keep: as the input. When the code page cannot hold a "
           "character, UTF-8 with a BOM is written")},
        {"--no-split",
         t("sync: bez szukania cięć (jedno przesunięcie i tempo dla całego pliku). \"sync\" dopasowuje "
           "napisy do mowy w filmie: szuka przesunięcia, tempa (23,976/24/25/30 klatek) i cięć, zapisuje "
           "poprawioną kopię (domyślnie SubRip, obok napisów jako NAZWA.sync.srt) i wypisuje wynik; "
           "napisy od innego filmu odrzuca",
           "sync: no search for cuts (one offset and rate for the whole file). \"sync\" fits the subtitles "
           "to the speech of the film: it finds the offset, the rate (23.976/24/25/30 frames) and cuts, "
           "writes the corrected copy (SubRip by default, beside the subtitles as NAME.sync.srt) and prints "
           "the result; subtitles of another film are refused")},
        {"--json", t("wynik info w JSON na standardowym wyjściu", "info's report as JSON on standard output")},
        {"--strict", t("status 1, gdy któryś wiersz nie został rozpoznany",
                       "exit status 1 when some line was not recognised")},
        {"-h, --help", t("ta pomoc", "this help")},
        {"--version", t("wersja programu", "the program's version")},
    };
    h.exitStatus = {
        {"0", t("powodzenie", "success")},
        {"1", t("z --strict: niektóre wiersze nie zostały rozpoznane",
                "with --strict: some lines were not recognised")},
        {"2", t("nie da się odczytać lub zapisać pliku lub standardowego wyjścia albo błędne argumenty",
                "a file or standard output cannot be read or written, or the arguments are wrong")},
        {"3", t("sync: napisy nie pasują do filmu albo film nie nadaje się do synchronizacji (powód na "
                "standardowym wyjściu błędów)",
                "sync: the subtitles do not fit the film, or the film cannot be synchronised (the reason on "
                "standard error)")},
    };
    h.examples = {
        "zentavista-subs info film.txt",
        "zentavista-subs convert film.txt --to srt -o film.srt",
        "zentavista-subs convert film.txt --to srt --fit 100=110 --fit 1000=1090",
        "zentavista-subs sync film.mkv film.txt -o film.srt",
        "zentavista-subs info film.mkv",
        "zentavista-subs convert film.mkv --track 3 --to srt -o film.pl.srt",
    };
    return h;
}

QString helpAsText(const HelpText &h)
{
    QString out = QStringLiteral("zentavista-subs: ") + h.summary + QStringLiteral("\n\n");
    for (const QString &u : h.usage)
        out += QStringLiteral("  zentavista-subs ") + u + u'\n';
    out += u'\n' + h.description + QStringLiteral("\n\n");
    for (const auto &[term, text] : h.options)
        out += QStringLiteral("  ") + term.leftJustified(30) + u' ' + text + u'\n';
    out += u'\n';
    for (const auto &[code, text] : h.exitStatus)
        out += QStringLiteral("  ") + code + QStringLiteral("  ") + text + u'\n';
    out += u'\n';
    for (const QString &e : h.examples)
        out += QStringLiteral("  ") + e + u'\n';
    return out;
}

namespace {

// Roff treats a leading "." or "'" as a request and "\" as an escape.
QString roff(QString s)
{
    s.replace(u'\\', QStringLiteral("\\e"));
    s.replace(u'-', QStringLiteral("\\-"));
    if (s.startsWith(u'.') || s.startsWith(u'\''))
        s.prepend(QStringLiteral("\\&"));
    return s;
}

} // namespace

QString helpAsMan(const HelpText &h, Language l, const QString &version)
{
    const bool pl = l == Language::Polish;
    QString out = QStringLiteral(".TH ZENTAVISTA-SUBS 1 \"\" \"zentavista ") + version + QStringLiteral("\"\n");
    out += pl ? QStringLiteral(".SH NAZWA\n") : QStringLiteral(".SH NAME\n");
    out += QStringLiteral("zentavista\\-subs \\- ") + roff(h.summary) + u'\n';
    out += pl ? QStringLiteral(".SH SKŁADNIA\n") : QStringLiteral(".SH SYNOPSIS\n");
    for (const QString &u : h.usage)
        out += QStringLiteral(".B zentavista\\-subs\n") + roff(u) + QStringLiteral("\n.br\n");
    out += pl ? QStringLiteral(".SH OPIS\n") : QStringLiteral(".SH DESCRIPTION\n");
    out += roff(h.description) + u'\n';
    out += pl ? QStringLiteral(".SH OPCJE\n") : QStringLiteral(".SH OPTIONS\n");
    for (const auto &[term, text] : h.options)
        out += QStringLiteral(".TP\n.B ") + roff(term) + u'\n' + roff(text) + u'\n';
    out += pl ? QStringLiteral(".SH STATUS WYJŚCIA\n") : QStringLiteral(".SH EXIT STATUS\n");
    for (const auto &[code, text] : h.exitStatus)
        out += QStringLiteral(".TP\n.B ") + code + u'\n' + roff(text) + u'\n';
    out += pl ? QStringLiteral(".SH PRZYKŁADY\n") : QStringLiteral(".SH EXAMPLES\n");
    for (const QString &e : h.examples)
        out += QStringLiteral(".nf\n") + roff(e) + QStringLiteral("\n.fi\n");
    out += pl ? QStringLiteral(".SH ZOBACZ TEŻ\n") : QStringLiteral(".SH SEE ALSO\n");
    out += QStringLiteral(".BR zentavista (1)\n");
    return out;
}

} // namespace zv::subs
