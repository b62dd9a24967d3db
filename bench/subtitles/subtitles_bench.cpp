// Subtitle loading and the timer's line choice.
//
//   bench_subtitles [benchmark flags]         loads and ticks, then a table of ratios
//   bench_subtitles --write KIND LINES ENC F  writes one generated file (KIND 0/1/2, ENC utf8/cp1250)
//   bench_subtitles --peak-memory F           loads F once and prints memory above the idle process
//   bench_subtitles --vs-floor [PAIRS]        whole processes: --peak-memory against subtitle_floor
//
// Anchors: a plain read + decode + line split written here (the practical floor of any loader)
// and `ffmpeg -v error -i F -f srt -y /dev/null`, which reads all three line formats.
#include "core/common/text_codec.h"
#include "core/files/get_typ.h"
#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_timer.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <tuple>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

using namespace zv;

namespace {

// Kinds 0..2 are the classifier's line formats; 3 is SubRip (its FileKind too).
const char *const kKindNames[] = {"time", "frame", "bracket", "srt"};
constexpr int kSubRipKind = 3;
const int kSizes[] = {10000, 100000, 1000000};

// About 60 bytes a line in Windows-1250, as in real Polish subtitle files.
QString lineText(int i)
{
    return QStringLiteral("Zażółć gęślą jaźń %1|Drugi wiersz.").arg(i);
}

QByteArray makeFile(int kind, int lines, bool utf8)
{
    QString text;
    text.reserve(qsizetype(lines) * 66);
    for (int i = 0; i < lines; ++i) {
        if (kind == kSubRipKind) {
            // Cues of two display lines, every fourth one in italics, as in films' files.
            const auto at = [](int64_t ms) {
                return QStringLiteral("%1:%2:%3,%4").arg(ms / 3600000, 2, 10, QChar(u'0'))
                    .arg(ms / 60000 % 60, 2, 10, QChar(u'0')).arg(ms / 1000 % 60, 2, 10, QChar(u'0'))
                    .arg(ms % 1000, 3, 10, QChar(u'0'));
            };
            const int64_t start = int64_t(i) * 3000;
            text += QStringLiteral("%1\r\n%2 --> %3\r\n").arg(i + 1).arg(at(start)).arg(at(start + 2500));
            const QString t = lineText(i).replace(u'|', QLatin1String("\r\n"));
            text += i % 4 == 0 ? QStringLiteral("<i>") + t + QStringLiteral("</i>") : t;
            text += QLatin1String("\r\n\r\n");
            continue;
        }
        if (kind == 0) {
            const int s = int(int64_t(i) * 86000 / lines); // time lines end before midnight
            text += QStringLiteral("%1:%2:%3:").arg(s / 3600).arg(s / 60 % 60, 2, 10, QChar(u'0'))
                        .arg(s % 60, 2, 10, QChar(u'0'));
        } else if (kind == 1) {
            text += QStringLiteral("{%1}{%2}").arg(i * 50).arg(i * 50 + 40);
        } else {
            const int s = int(int64_t(i) * 3599 / lines);
            text += QStringLiteral("[%1:%2]").arg(s / 60, 2, 10, QChar(u'0')).arg(s % 60, 2, 10, QChar(u'0'));
        }
        text += lineText(i);
        text += QLatin1String("\r\n");
    }
    return encodeText(text, utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1250);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

// The floor: read, decode with a byte table or Qt's UTF-8 decoder, split on line breaks.
QStringList plainDecodeAndSplit(const QString &path, bool utf8)
{
    static const std::array<char16_t, 256> cp1250 = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[size_t(b)] = decodeAs(QByteArray(1, char(b)), TextEncoding::Windows1250).at(0).unicode();
        return t;
    }();
    const QByteArray bytes = readAll(path);
    QString text;
    if (utf8) {
        text = QString::fromUtf8(bytes);
    } else {
        text.resize(bytes.size());
        char16_t *d = reinterpret_cast<char16_t *>(text.data());
        for (qsizetype i = 0; i < bytes.size(); ++i)
            d[i] = cp1250[uint8_t(bytes[i])];
    }
    QStringList lines;
    qsizetype start = 0;
    for (;;) {
        const qsizetype nl = text.indexOf(u'\n', start);
        const qsizetype end = nl < 0 ? text.size() : nl;
        if (end > start || nl >= 0)
            lines.append(text.mid(start, end > start && text[end - 1] == u'\r' ? end - start - 1 : end - start));
        if (nl < 0)
            break;
        start = nl + 1;
    }
    return lines;
}

// Decode and load without the classifier: every line, decoded into the loader's line list.
LoadResult decodeAndLoad(const QString &path, int kind)
{
    const QByteArray bytes = readAll(path);
    const TextEncoding enc = detectEncoding(bytes);
    Utf8Lines lines;
    lines.reserve(bytes.size() + bytes.size() / 16, std::count(bytes.begin(), bytes.end(), '\n') + 1);
    const char *p = bytes.constData();
    const char *const end = p + bytes.size();
    while (p < end) {
        const char *eol = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        if (!eol)
            eol = end;
        const char *stop = eol > p && eol[-1] == '\r' ? eol - 1 : eol;
        if (enc == TextEncoding::Utf8) // checked whole by detectEncoding
            lines.appendValidUtf8(QByteArrayView(p, stop - p));
        else
            lines.appendDecoded(QByteArrayView(p, stop - p), enc);
        p = eol + (eol < end ? 1 : 0);
    }
    LoadResult r = subtitleFormat(kind)->parse(std::move(lines), LoadSettings{});
    r.table.prepareLookups(); // as the player does
    return r;
}

// nullopt when the classifier refuses the file (it reads no file beyond its size limit).
std::optional<LoadResult> classifyAndLoad(const QString &path)
{
    Utf8Lines scratch;
    const FileKind kind = detectSubtitleFormat(path, scratch);
    const SubtitleFormat *format = subtitleFormat(kind);
    if (!format)
        return std::nullopt;
    LoadResult r = format->parse(std::move(scratch), LoadSettings{});
    r.table.prepareLookups(); // as the player does
    return r;
}

QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

QString generated(int kind, int lines, bool utf8)
{
    static std::map<std::tuple<int, int, bool>, QString> files;
    QString &path = files[{kind, lines, utf8}];
    if (path.isEmpty()) {
        path = workDir().filePath(QStringLiteral("%1_%2_%3.%4").arg(kKindNames[kind]).arg(lines)
                                      .arg(utf8 ? "utf8" : "cp1250")
                                      .arg(kind == kSubRipKind ? "srt" : "txt"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(makeFile(kind, lines, utf8)) < 0)
            qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

std::string caseName(const char *what, int kind, bool utf8, int lines)
{
    return std::string(what) + "/" + kKindNames[kind] + "/" + (utf8 ? "utf8" : "cp1250") + "/"
        + std::to_string(lines);
}

double childCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void registerLoads()
{
    for (int kind = 0; kind <= kSubRipKind; ++kind) {
        for (bool utf8 : {false, true}) {
            for (int lines : kSizes) {
                if (kind == kSubRipKind && lines > 100000)
                    continue; // a million cues is four million lines: far past any film
                const int iterations = lines >= 1000000 ? 3 : lines >= 100000 ? 10 : 50;
                benchmark::RegisterBenchmark(caseName("plain", kind, utf8, lines).c_str(),
                    [=](benchmark::State &st) {
                        const QString path = generated(kind, lines, utf8);
                        for (auto _ : st)
                            benchmark::DoNotOptimize(plainDecodeAndSplit(path, utf8));
                    })->Unit(benchmark::kMillisecond)->Iterations(iterations);
                benchmark::RegisterBenchmark(caseName("load", kind, utf8, lines).c_str(),
                    [=](benchmark::State &st) {
                        const QString path = generated(kind, lines, utf8);
                        for (auto _ : st)
                            benchmark::DoNotOptimize(decodeAndLoad(path, kind));
                    })->Unit(benchmark::kMillisecond)->Iterations(iterations);
                benchmark::RegisterBenchmark(caseName("classify+load", kind, utf8, lines).c_str(),
                    [=](benchmark::State &st) {
                        const QString path = generated(kind, lines, utf8);
                        for (auto _ : st) {
                            if (!classifyAndLoad(path))
                                st.SkipWithError("refused by the classifier");
                        }
                    })->Unit(benchmark::kMillisecond)->Iterations(iterations);
                if (lines <= 100000 && kind != kSubRipKind) {
                    // ffmpeg is told the 8-bit encoding, or it rejects every line of the file.
                    // Its CPU time is measured, which a busy machine disturbs least.
                    benchmark::RegisterBenchmark(caseName("ffmpeg", kind, utf8, lines).c_str(),
                        [=](benchmark::State &st) {
                            const QString path = generated(kind, lines, utf8);
                            // Named, as the .txt name makes it guess a plain text "video".
                            const char *const demuxers[] = {"vplayer", "microdvd", "lrc"};
                            QStringList args{"-v", "error", "-f", demuxers[kind]};
                            if (!utf8)
                                args << "-sub_charenc" << "CP1250";
                            args << "-i" << path << "-f" << "srt" << "-y" << "/dev/null";
                            for (auto _ : st) {
                                const double before = childCpuSeconds();
                                QProcess p;
                                p.setStandardOutputFile(QProcess::nullDevice());
                                p.setStandardErrorFile(QProcess::nullDevice());
                                p.start(QStringLiteral("ffmpeg"), args);
                                if (!p.waitForFinished(-1) || p.exitCode() != 0)
                                    st.SkipWithError("ffmpeg failed");
                                st.SetIterationTime(childCpuSeconds() - before);
                            }
                        })->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
                }
            }
        }
    }
}

// Ticks while the film plays (0.2 s apart) or after seeks (a random position every tick, so
// every look-up is cold).
void timerTick(benchmark::State &st, int kind, bool seeking)
{
    const int lines = int(st.range(0));
    Utf8Lines text;
    for (int i = 0; i < lines; ++i) {
        const int s = int(int64_t(i) * 86000 / lines);
        text.append(kind == 0 ? QStringLiteral("%1:%2:%3:x%4").arg(s / 3600).arg(s / 60 % 60).arg(s % 60).arg(i)
                              : QStringLiteral("{%1}{%2}x%3").arg(i * 50).arg(i * 50 + 40).arg(i));
    }
    LoadSettings settings;
    settings.MediaFrameRate = 25;
    const SubtitleTable table = subtitleFormat(kind)->parse(std::move(text), settings).table;
    table.prepareLookups(); // built while loading, as the player does, not in the first tick
    const double end = kind == 0 ? 86000 : lines * 2.0;
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> position(0, end);
    std::vector<double> positions(4096);
    for (size_t i = 0; i < positions.size(); ++i)
        positions[i] = seeking ? position(rng) : end / 2 + 0.2 * double(i);
    SubtitleDisplayState state;
    SubtitleTimerInput in;
    in.MediaFrameRate = 25;
    size_t k = 0;
    for (auto _ : st) {
        in.CurrentPosition = positions[k++ & 4095];
        benchmark::DoNotOptimize(Timer1Timer(table, in, state));
    }
}

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs) {
            // In-process loads by CPU time (the machine is shared); ffmpeg's manual time is
            // already its own CPU time.
            if (!r.error_occurred) {
                const std::string name = r.benchmark_name();
                const bool ffmpeg = name.rfind("ffmpeg/", 0) == 0;
                times[name.substr(0, name.find("/iterations:"))] =
                    ffmpeg ? r.GetAdjustedRealTime() : r.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

void printRatios(const std::map<std::string, double> &t)
{
    std::printf("\nCPU times; ratios against the plain read + decode + split of the same file\n");
    std::printf("%-24s %9s %9s %7s %14s %7s %9s %11s\n", "file", "plain ms", "load ms", "x plain",
                "classify+load", "x plain", "ffmpeg ms", "ffmpeg/load");
    for (int kind = 0; kind <= kSubRipKind; ++kind) {
        for (bool utf8 : {false, true}) {
            for (int lines : kSizes) {
                const auto get = [&](const char *what) {
                    const auto it = t.find(caseName(what, kind, utf8, lines));
                    return it == t.end() ? -1.0 : it->second;
                };
                const double plain = get("plain"), load = get("load"), full = get("classify+load"),
                             ff = get("ffmpeg");
                if (plain < 0 || load < 0)
                    continue;
                const std::string name = caseName("", kind, utf8, lines).substr(1);
                std::printf("%-24s %9.1f %9.1f %7.2f %14.1f %7.2f", name.c_str(), plain, load,
                            load / plain, full, full / plain);
                if (ff > 0)
                    std::printf(" %9.0f %11.1f\n", ff, ff / load);
                else
                    std::printf(" %9s %11s\n", "-", "-");
            }
        }
    }
}

// Read with plain calls: the whole-process comparison should not pay for the measuring.
long statusKb(const char *key)
{
    char buf[8192];
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n <= 0)
        return -1;
    buf[n] = '\0';
    const char *at = std::strstr(buf, key);
    return at ? std::strtol(at + std::strlen(key), nullptr, 10) : -1;
}

int peakMemory(const QString &path)
{
    const long idle = statusKb("VmRSS:");
    const double size = double(QFileInfo(path).size());
    const auto mb = [idle](long kb) { return (kb - idle) / 1024.0; };
    {
        Utf8Lines scratch;
        const FileKind kind = detectSubtitleFormat(path, scratch);
        const SubtitleFormat *format = subtitleFormat(kind);
        if (!format) {
            std::printf("%s: refused by the classifier\n", qPrintable(path));
            return 1;
        }
        std::printf("file %s: %.1f MB, %lld candidate lines\n", qPrintable(path), size / 1048576.0,
                    qint64(scratch.size()));
        std::printf("after classifying: held %.1f MB, peak %.1f MB above idle\n",
                    mb(statusKb("VmRSS:")), mb(statusKb("VmHWM:")));
        const LoadResult r = format->parse(std::move(scratch), LoadSettings{});
        r.table.prepareLookups(); // as the player does
        std::printf("after loading: table of %lld entries holds %.1f MB above idle\n",
                    qint64(r.table.TimeTable().size()), mb(statusKb("VmRSS:")));
    }
    const long peak = statusKb("VmHWM:");
    std::printf("peak: %.1f MB above idle = %.2f x the file\n", mb(peak), (peak - idle) * 1024.0 / size);
    return 0;
}

struct ProcessCost {
    double cpu = -1;  // user + system seconds
    double wall = -1; // seconds
};

// Runs argv to its end with its output thrown away.
ProcessCost runProcess(const std::vector<std::string> &argv)
{
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    timespec t0{}, t1{};
    clock_gettime(CLOCK_MONOTONIC, &t0);
    pid_t pid = 0;
    const int err = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), ::environ);
    posix_spawn_file_actions_destroy(&actions);
    ProcessCost cost;
    int status = 0;
    rusage u{};
    if (err != 0 || wait4(pid, &status, 0, &u) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return cost;
    clock_gettime(CLOCK_MONOTONIC, &t1);
    cost.cpu = double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    cost.wall = double(t1.tv_sec - t0.tv_sec) + (t1.tv_nsec - t0.tv_nsec) / 1e9;
    return cost;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// Whole processes side by side: this program loading each generated file (--peak-memory, the
// classifier and the loader as the player runs them) against the floor program on the same
// file, in interleaved pairs; medians of the pairs' CPU and wall-time ratios.
int versusFloor(int pairs)
{
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    const std::string floorBin = ZV_SUBTITLE_FLOOR;
    // What each process costs before it reads anything (a one-line file), for reading the
    // small files' ratios: the last column leaves it out on both sides.
    const std::string oneLine = workDir().filePath(QStringLiteral("one_line.txt")).toStdString();
    {
        QFile f(QString::fromStdString(oneLine));
        if (!f.open(QIODevice::WriteOnly) || f.write("{1}{2}x\r\n") < 0)
            return 1;
    }
    std::vector<double> startOurs, startFloor;
    for (int i = 0; i < pairs; ++i) {
        startOurs.push_back(runProcess({self, "--peak-memory", oneLine}).cpu);
        startFloor.push_back(runProcess({floorBin, oneLine, "1", "utf8"}).cpu);
    }
    const double ours0 = median(startOurs), floor0 = median(startFloor);
    std::printf("whole processes, medians of %d interleaved pairs: `bench_subtitles --peak-memory F`"
                " against `subtitle_floor F KIND ENC`\n", pairs);
    std::printf("start-up (one-line file): ours %.1f ms CPU, floor %.1f ms CPU\n", ours0 * 1e3, floor0 * 1e3);
    std::printf("%-24s %9s %9s %8s %9s %9s %8s %12s\n", "file", "ours ms", "floor ms", "x cpu",
                "ours wall", "floor wall", "x wall", "x cpu-start");
    for (int kind = 0; kind < 3; ++kind) {
        for (bool utf8 : {false, true}) {
            for (int lines : kSizes) {
                const std::string path = generated(kind, lines, utf8).toStdString();
                std::vector<double> ours, floor, oursWall, floorWall, cpuRatio, wallRatio;
                runProcess({floorBin, path, std::to_string(kind), utf8 ? "utf8" : "cp1250"}); // warm
                for (int i = 0; i < pairs; ++i) {
                    const ProcessCost a = runProcess({self, "--peak-memory", path});
                    const ProcessCost b =
                        runProcess({floorBin, path, std::to_string(kind), utf8 ? "utf8" : "cp1250"});
                    if (a.cpu < 0 || b.cpu < 0) {
                        std::printf("%s: a process failed\n", path.c_str());
                        return 1;
                    }
                    ours.push_back(a.cpu);
                    floor.push_back(b.cpu);
                    oursWall.push_back(a.wall);
                    floorWall.push_back(b.wall);
                    cpuRatio.push_back(a.cpu / std::max(b.cpu, 1e-4));
                    wallRatio.push_back(a.wall / b.wall);
                }
                const std::string name = caseName("", kind, utf8, lines).substr(1);
                std::printf("%-24s %9.1f %9.1f %8.2f %9.1f %9.1f %8.2f %12.2f\n", name.c_str(),
                            median(ours) * 1e3, median(floor) * 1e3, median(cpuRatio),
                            median(oursWall) * 1e3, median(floorWall) * 1e3, median(wallRatio),
                            (median(ours) - ours0) / std::max(median(floor) - floor0, 1e-4));
                std::fflush(stdout);
            }
        }
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // A load needs no application object: the whole-process figures leave its start-up out.
    if (argc == 3 && std::strcmp(argv[1], "--peak-memory") == 0)
        return peakMemory(QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 6 && args[1] == QLatin1String("--write")) {
        QFile f(args[5]);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write(makeFile(args[2].toInt(), args[3].toInt(), args[4] == QLatin1String("utf8")));
        return 0;
    }
    if (args.size() == 3 && args[1] == QLatin1String("--peak-memory"))
        return peakMemory(args[2]);
    if (args.size() >= 2 && args[1] == QLatin1String("--vs-floor"))
        return versusFloor(args.size() > 2 ? args[2].toInt() : 7);

    registerLoads();
    for (int kind : {0, 1}) {
        for (bool seeking : {false, true}) {
            const std::string name = std::string("tick/") + (kind == 0 ? "time" : "frame")
                + (seeking ? "/seeking" : "/playing");
            benchmark::RegisterBenchmark(name.c_str(), timerTick, kind, seeking)
                ->RangeMultiplier(10)->Range(1000, 1000000);
        }
    }
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter.times);
    benchmark::Shutdown();
    return 0;
}
