// File types registered with the freedesktop desktop: mimeapps.list edited in place, the desktop
// entry written, checked with the real xdg-mime and desktop-file-validate.
#include "core/config/file_associations.h"
#include "support/xdg_desktop.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using zv::FileTypeEntry;
using zv::MimeAppsList;

const QString kAvi = QStringLiteral("video/x-msvideo");

QList<FileTypeEntry> entries(std::initializer_list<std::pair<const char *, bool>> list)
{
    QList<FileTypeEntry> out;
    for (const auto &[e, m] : list)
        out.append({QString::fromLatin1(e), m});
    return out;
}

zv::RegistrationResult apply(const zv::test::ScopedXdgHomes &xdg, const QList<FileTypeEntry> &list)
{
    return zv::registerFileTypes(list, QCoreApplication::applicationFilePath(), xdg.mimeApps(),
                                 xdg.desktopEntry());
}

TEST(MimeAppsList, EditsKeepEveryOtherByte)
{
    struct Case {
        const char *name;
        QByteArray before;
        QByteArray after;   // after setting video/x-msvideo to ours
    };
    const Case cases[] = {
        {"empty", "", "[Default Applications]\nvideo/x-msvideo=zentavista.desktop;\n"},
        {"no such group, no final line end", "[Added Associations]\ntext/plain=ed.desktop",
         "[Added Associations]\ntext/plain=ed.desktop\n\n[Default Applications]\n"
         "video/x-msvideo=zentavista.desktop;\n"},
        {"CRLF, comments and blanks around =",
         "# mine\r\n[Default Applications]\r\nimage/png=gimp.desktop\r\nvideo/x-msvideo = vlc.desktop\r\n\r\n[X]\r\n",
         "# mine\r\n[Default Applications]\r\nimage/png=gimp.desktop\r\nvideo/x-msvideo=zentavista.desktop;\r\n\r\n[X]\r\n"},
        {"duplicate key: first replaced, later copies dropped",
         "[Default Applications]\nvideo/x-msvideo=a.desktop\nx=y\nvideo/x-msvideo=b.desktop\n",
         "[Default Applications]\nvideo/x-msvideo=zentavista.desktop;\nx=y\n"},
        {"appended after the group's last key, before the next group",
         "[Default Applications]\nimage/png=gimp.desktop\n\n# note\n[Other]\nk=v\n",
         "[Default Applications]\nimage/png=gimp.desktop\nvideo/x-msvideo=zentavista.desktop;\n\n# note\n[Other]\nk=v\n"},
        {"same key in another group untouched", "[Added Associations]\nvideo/x-msvideo=a.desktop;\n",
         "[Added Associations]\nvideo/x-msvideo=a.desktop;\n\n[Default Applications]\n"
         "video/x-msvideo=zentavista.desktop;\n"},
        {"a line that is not UTF-8 survives", "[Default Applications]\nx=\xb1\xe6\n",
         "[Default Applications]\nx=\xb1\xe6\nvideo/x-msvideo=zentavista.desktop;\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        MimeAppsList list(c.before);
        EXPECT_EQ(list.bytes(), c.before) << "reading alone changes nothing";
        list.setValue(QString::fromLatin1(zv::kDefaultApplicationsGroup), kAvi,
                      QStringLiteral("zentavista.desktop;"));
        EXPECT_EQ(list.bytes(), c.after);
    }
}

TEST(FileAssociations, MarkingAndUnmarkingHandsTheDefaultBack)
{
    zv::test::ScopedXdgHomes xdg;
    xdg.installOtherApp(QStringLiteral("inny.desktop"));
    const QByteArray others = "# settings of another program\r\n[Added Associations]\r\n"
                              "image/png=gimp.desktop;\r\n";
    // The ";" lets xdg-mime, which cuts values at ";" but not at CR, read the CRLF file.
    const QByteArray before = others + "[Default Applications]\r\nvideo/x-msvideo=inny.desktop;\r\n"
                                       "image/png=gimp.desktop\r\n";
    xdg.writeMimeApps(before);
    ASSERT_EQ(xdg.xdgMimeDefault(kAvi), QStringLiteral("inny.desktop"));

    zv::RegistrationResult r = apply(xdg, entries({{"avi", true}, {"mp3", false}}));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(xdg.xdgMimeDefault(kAvi), QStringLiteral("zentavista.desktop"));
    EXPECT_TRUE(xdg.mimeAppsBytes().startsWith(others)) << "another program's lines, byte for byte";
    EXPECT_EQ(zv::readAssociationMarks(entries({{"avi", false}, {"mp3", false}}), xdg.mimeApps()),
              QList<bool>({true, false}));

    // Applying again while marked keeps the first saved default, not our own.
    ASSERT_TRUE(apply(xdg, entries({{"avi", true}})).ok);
    r = apply(xdg, entries({{"avi", false}, {"mp3", false}}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(xdg.xdgMimeDefault(kAvi), QStringLiteral("inny.desktop"));
    EXPECT_EQ(xdg.mimeAppsBytes(), before) << "giving back leaves the file as it was, our group gone";
}

TEST(FileAssociations, OursGoesFirstAndTheOthersStayInTheirOrder)
{
    const QString defaults = QString::fromLatin1(zv::kDefaultApplicationsGroup);
    const QString previous = QString::fromLatin1(zv::kPreviousDefaultsGroup);
    struct Case {
        const char *name;
        QByteArray before;
        const char *marked;     // the value after Apply with avi marked; nullptr: no such line
        const char *unmarked;   // after unmarking it and Apply again
        bool sameFile;          // unmarking gives back the file as it was
    };
    const Case cases[] = {
        {"two other players", "[Default Applications]\nvideo/x-msvideo=vlc.desktop;mpv.desktop;\n",
         "zentavista.desktop;vlc.desktop;mpv.desktop;", "vlc.desktop;mpv.desktop;", true},
        {"ours second", "[Default Applications]\nvideo/x-msvideo=vlc.desktop;zentavista.desktop\n",
         "zentavista.desktop;vlc.desktop;", "vlc.desktop;zentavista.desktop", true},
        {"ours already first: nothing to do, unmarking removes only ours",
         "[Default Applications]\nvideo/x-msvideo=zentavista.desktop;vlc.desktop;\n",
         "zentavista.desktop;vlc.desktop;", "vlc.desktop;", false},
        {"no default before", "[Default Applications]\nimage/png=gimp.desktop;\n", "zentavista.desktop;",
         nullptr, true},
        {"an older save: ours alone, the user's player in our group",
         "[Default Applications]\nvideo/x-msvideo=zentavista.desktop;\n\n"
         "[X-Zentavista Previous Defaults]\nvideo/x-msvideo=vlc.desktop;\n",
         "zentavista.desktop;", "vlc.desktop;", false},
        {"another program put itself first since", "[Default Applications]\nvideo/x-msvideo=mpv.desktop;zentavista.desktop;\n",
         "zentavista.desktop;mpv.desktop;", "mpv.desktop;zentavista.desktop;", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        MimeAppsList list(c.before);
        zv::applyAssociations(entries({{"avi", true}}), list);
        EXPECT_EQ(list.value(defaults, kAvi), QString::fromLatin1(c.marked));
        const QByteArray marked = list.bytes();
        zv::applyAssociations(entries({{"avi", true}}), list);
        EXPECT_EQ(list.bytes(), marked) << "a second Apply changes nothing";

        zv::applyAssociations(entries({{"avi", false}}), list);
        EXPECT_EQ(list.value(defaults, kAvi),
                  c.unmarked ? std::optional(QString::fromLatin1(c.unmarked)) : std::nullopt);
        EXPECT_FALSE(list.value(previous, kAvi).has_value());
        if (c.sameFile) {
            EXPECT_EQ(list.bytes(), c.before);
        }
    }

    // Unmarked and not ours: left as it is, whatever it holds.
    const QByteArray theirs = "[Default Applications]\nvideo/x-msvideo=mpv.desktop;zentavista.desktop;\n";
    MimeAppsList list(theirs);
    zv::applyAssociations(entries({{"avi", false}}), list);
    EXPECT_EQ(list.bytes(), theirs);
}

// inode of a file: a changed one means it was replaced.
ino_t inodeOf(const QString &path)
{
    struct stat st {};
    return ::stat(path.toLocal8Bit().constData(), &st) == 0 ? st.st_ino : 0;
}

TEST(FileAssociations, AnApplyThatChangesNothingWritesNothing)
{
    zv::test::ScopedXdgHomes xdg;
    xdg.installOtherApp(QStringLiteral("vlc.desktop"));
    xdg.writeMimeApps("[Default Applications]\nvideo/x-msvideo=vlc.desktop;\n");
    ASSERT_TRUE(apply(xdg, entries({{"mp3", false}})).ok);
    EXPECT_FALSE(QFileInfo::exists(xdg.desktopEntry())) << "nothing of ours to open: no entry";

    ASSERT_TRUE(apply(xdg, entries({{"avi", true}, {"mp3", false}})).ok);
    EXPECT_EQ(xdg.xdgMimeDefault(kAvi), QStringLiteral("zentavista.desktop"));
    const ino_t list = inodeOf(xdg.mimeApps());
    const ino_t entry = inodeOf(xdg.desktopEntry());
    ASSERT_NE(entry, ino_t(0));
    ASSERT_TRUE(apply(xdg, entries({{"avi", true}, {"mp3", false}})).ok);
    EXPECT_EQ(inodeOf(xdg.mimeApps()), list);
    EXPECT_EQ(inodeOf(xdg.desktopEntry()), entry);

    ASSERT_TRUE(apply(xdg, entries({{"avi", false}, {"mp3", false}})).ok);
    EXPECT_EQ(xdg.xdgMimeDefault(kAvi), QStringLiteral("vlc.desktop"));
    EXPECT_EQ(xdg.mimeAppsBytes(), "[Default Applications]\nvideo/x-msvideo=vlc.desktop;\n");
}

TEST(FileAssociations, AnInstalledProgramIsRegisteredUnderItsInstalledEntry)
{
    const QString program = QCoreApplication::applicationFilePath();
    struct Case {
        const char *name;
        const char *relativePath;   // under the system applications folder
        QString exec;
        const char *id;             // the id registered; nullptr: not installed, a user entry
    };
    const QString link = QStringLiteral("zv-installed-link");
    const Case cases[] = {
        {"the package's entry", "zentavista.desktop", program + QStringLiteral(" %F"), "zentavista.desktop"},
        {"another id, the binary by a link in PATH", "org.example.Player.desktop", link + QStringLiteral(" %U"),
         "org.example.Player.desktop"},
        {"in a subfolder", "kde/zv.desktop", program + QStringLiteral(" %f"), "kde-zv.desktop"},
        // xdg-mime itself cannot read a quoted Exec; the desktops can.
        {"quoted", "zv.desktop", QLatin1Char('"') + program + QStringLiteral("\" %f"), "zv.desktop"},
        {"an entry of another binary", "zentavista.desktop", QStringLiteral("/bin/true %F"), nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        zv::test::ScopedXdgHomes xdg;
        const QString bin = xdg.systemData() + QStringLiteral("/bin");
        QDir().mkpath(bin);
        QFile::link(program, bin + QLatin1Char('/') + link);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.toLocal8Bit() + ':' + path);
        xdg.installSystemEntry(QString::fromLatin1(c.relativePath), c.exec);
        // What an older version left: our entry shadowing the installed one.
        zv::test::ScopedXdgHomes::write(xdg.desktopEntry(), *zv::desktopEntry(program, {kAvi}));

        const zv::RegistrationResult r = apply(xdg, entries({{"avi", true}}));
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        const QString id = c.id ? QString::fromLatin1(c.id) : QStringLiteral("zentavista.desktop");
        EXPECT_EQ(zv::firstDesktopId(*MimeAppsList(xdg.mimeAppsBytes())
                                          .value(QString::fromLatin1(zv::kDefaultApplicationsGroup), kAvi)),
                  id);
        if (!c.exec.startsWith(QLatin1Char('"'))) {
            EXPECT_EQ(xdg.xdgMimeDefault(kAvi), id);
        }
        EXPECT_EQ(QFileInfo::exists(xdg.desktopEntry()), c.id == nullptr)
            << "a user entry only for a program that is not installed";
        EXPECT_EQ(zv::readAssociationMarks(entries({{"avi", false}}), xdg.mimeApps(), program), QList<bool>{true});
        qputenv("PATH", path);
    }
}

TEST(FileAssociations, TypesWithoutAUserDefault)
{
    struct Case {
        const char *name;
        bool fileExists;
        QByteArray content;
    };
    const Case cases[] = {
        {"missing file", false, {}},
        {"empty file", true, ""},
        {"no default group", true, "[Added Associations]\nimage/png=gimp.desktop;\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        zv::test::ScopedXdgHomes xdg;
        if (c.fileExists)
            xdg.writeMimeApps(c.content);
        ASSERT_TRUE(apply(xdg, entries({{"avi", true}})).ok);
        EXPECT_EQ(xdg.xdgMimeDefault(kAvi), QStringLiteral("zentavista.desktop"));
        ASSERT_TRUE(apply(xdg, entries({{"avi", false}})).ok);
        EXPECT_EQ(xdg.xdgMimeDefault(kAvi), QString()) << "no default of ours left behind";
        const QByteArray after = xdg.mimeAppsBytes();
        EXPECT_FALSE(after.contains("video/x-msvideo")) << after.constData();
        EXPECT_TRUE(after.startsWith(c.content));
    }
}

TEST(FileAssociations, ExtensionsOfOneTypeAndUnknownOnes)
{
    zv::test::ScopedXdgHomes xdg;
    // mpg and mpeg name one type: one marked keeps it ours whatever the other says.
    const zv::RegistrationResult r =
        apply(xdg, entries({{"mpg", true}, {"mpeg", false}, {"zzqx", true}, {"AVI", true}}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.unknownExtensions, QStringList{QStringLiteral("zzqx")});
    const QString mpeg = zv::mimeTypeForExtension(QStringLiteral("mpg"));
    ASSERT_FALSE(mpeg.isEmpty());
    EXPECT_EQ(xdg.xdgMimeDefault(mpeg), QStringLiteral("zentavista.desktop"));
    EXPECT_EQ(xdg.xdgMimeDefault(kAvi), QStringLiteral("zentavista.desktop")) << "letter case";
    const QByteArray list = xdg.mimeAppsBytes();
    EXPECT_FALSE(list.contains("zzqx")) << "no made-up type is written";
    EXPECT_EQ(zv::readAssociationMarks(entries({{"mpeg", false}, {"zzqx", false}}), xdg.mimeApps()),
              QList<bool>({true, false}));

    const QByteArray entry = zv::test::ScopedXdgHomes::read(xdg.desktopEntry());
    EXPECT_TRUE(entry.contains("MimeType=" + mpeg.toUtf8() + ";video/x-msvideo;\n")) << entry.constData();
    QProcess v;
    v.start(QStringLiteral("desktop-file-validate"), {xdg.desktopEntry()});
    ASSERT_TRUE(v.waitForFinished(20000));
    EXPECT_EQ(v.exitCode(), 0) << v.readAllStandardOutput().constData();
    EXPECT_TRUE(v.readAllStandardOutput().trimmed().isEmpty()) << "no warnings either";
}

TEST(FileAssociations, AFileThatCannotBeReadOrWrittenIsKept)
{
    {
        // Unreadable (here a folder in its place): not replaced, since associations the
        // program could not see would be lost.
        zv::test::ScopedXdgHomes xdg;
        QDir().mkpath(xdg.mimeApps() + QStringLiteral("/kept"));
        const zv::RegistrationResult r = apply(xdg, entries({{"avi", true}}));
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.isEmpty());
        EXPECT_TRUE(QFileInfo(xdg.mimeApps() + QStringLiteral("/kept")).isDir());
    }
    if (geteuid() != 0) {
        // A folder that cannot be written: the error is reported and the file stays.
        zv::test::ScopedXdgHomes xdg;
        const QByteArray mine = "[Default Applications]\nvideo/x-msvideo=inny.desktop\n";
        xdg.writeMimeApps(mine);
        ::chmod(xdg.configHome().toLocal8Bit().constData(), 0500);
        const zv::RegistrationResult r = apply(xdg, entries({{"avi", true}}));
        ::chmod(xdg.configHome().toLocal8Bit().constData(), 0700);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(xdg.mimeAppsBytes(), mine);
    }
    {
        // The data folder cannot hold the desktop entry: mimeapps.list is not touched either.
        zv::test::ScopedXdgHomes xdg;
        const QByteArray mine = "[Default Applications]\nvideo/x-msvideo=inny.desktop\n";
        xdg.writeMimeApps(mine);
        const zv::RegistrationResult r = zv::registerFileTypes(
            entries({{"avi", true}}), QCoreApplication::applicationFilePath(), xdg.mimeApps(),
            QStringLiteral("/proc/zentavista/applications/zentavista.desktop"));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(xdg.mimeAppsBytes(), mine);
    }
}

TEST(DesktopEntry, ExecArgumentsAreQuotedAndValid)
{
    struct Case {
        const char *path;
        const char *exec;
    };
    const Case cases[] = {
        {"/usr/bin/zentavista", "/usr/bin/zentavista"},
        {"/opt/Moje programy/zentavista", "\"/opt/Moje programy/zentavista\""},
        {"/opt/a\"b$c/zv", "\"/opt/a\\\\\"b\\\\$c/zv\""},
        {"/opt/100%/zv", "/opt/100%%/zv"},
        {"/opt/a\\b/zv", "\"/opt/a\\\\\\\\b/zv\""},
    };
    zv::test::ScopedXdgHomes xdg;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(zv::desktopExecArgument(QString::fromUtf8(c.path)), QString::fromUtf8(c.exec));
        EXPECT_EQ(zv::desktopExecProgram(QString::fromUtf8(c.exec) + QStringLiteral(" %F")), QString::fromUtf8(c.path))
            << "read back from the Exec line";
        const std::optional<QByteArray> entry =
            zv::desktopEntry(QString::fromUtf8(c.path), {kAvi});
        ASSERT_TRUE(entry);
        zv::test::ScopedXdgHomes::write(xdg.desktopEntry(), *entry);
        QProcess v;
        v.start(QStringLiteral("desktop-file-validate"), {xdg.desktopEntry()});
        ASSERT_TRUE(v.waitForFinished(20000));
        EXPECT_EQ(v.exitCode(), 0) << v.readAllStandardOutput().constData();
    }
    EXPECT_FALSE(zv::desktopEntry(QStringLiteral("/opt/a\nb"), {}));
}

} // namespace
