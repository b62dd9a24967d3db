// `zentavista-subs sync` run as a child process on the speech films.
#include "support/subs_tool_run.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cmath>

namespace {

using zv::test::ToolRun;

ToolRun sync(const QStringList &args)
{
    return zv::test::runSubsTool(QStringList{QStringLiteral("sync")} + args, QStringLiteral("pl_PL.UTF-8"), {},
                                 120000);
}

std::vector<double> column(const QString &path, const QRegularExpression &re)
{
    std::vector<double> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QString &line : QString::fromUtf8(f.readAll()).split(u'\n')) {
        const auto m = re.match(line);
        if (m.hasMatch())
            out.push_back(m.captured(1).toDouble() * 3600 + m.captured(2).toDouble() * 60
                          + m.captured(3).toDouble() + m.captured(4).toDouble() / 1000);
    }
    return out;
}

TEST(SubsSync, WritesTheShiftedCopyAndRefusesAnotherFilmsFile)
{
    const QString film = zv::test::mediaFile(QStringLiteral("speech.mp4"));
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.srt"));

    const ToolRun ok = sync({film, zv::test::mediaFile(QStringLiteral("speech.offset.srt")), QStringLiteral("-o"), out});
    ASSERT_EQ(ok.status, 0) << ok.err.toStdString();
    EXPECT_TRUE(ok.out.contains("przesunięcie: -7,3")) << ok.out.toStdString();
    const std::vector<double> got = column(out, QRegularExpression(QStringLiteral("^(\\d+):(\\d+):(\\d+),(\\d+) -->")));
    const std::vector<double> truth = column(zv::test::mediaFile(QStringLiteral("speech.true.srt")),
                                             QRegularExpression(QStringLiteral("^(\\d+):(\\d+):(\\d+),(\\d+) -->")));
    ASSERT_EQ(got.size(), truth.size());
    ASSERT_GT(truth.size(), 25u);
    for (size_t i = 0; i < truth.size(); ++i)
        EXPECT_NEAR(got[i], truth[i], 0.1) << "line " << i + 1;

    // A cut comes out as two pieces in JSON, the second from the line after the removed scene.
    const ToolRun cut = sync({film, zv::test::mediaFile(QStringLiteral("speech.cut.srt")), QStringLiteral("--json"),
                          QStringLiteral("-o"), dir.filePath(QStringLiteral("cut.srt"))});
    ASSERT_EQ(cut.status, 0) << cut.err.toStdString();
    const QJsonArray pieces = QJsonDocument::fromJson(cut.out).object().value("pieces").toArray();
    ASSERT_EQ(pieces.size(), 2);
    EXPECT_NEAR(pieces[1].toObject().value("offset").toDouble(), -12.0, 0.1);
    // --no-split keeps one map whatever the file.
    const ToolRun whole = sync({film, zv::test::mediaFile(QStringLiteral("speech.cut.srt")), QStringLiteral("--json"),
                            QStringLiteral("--no-split"), QStringLiteral("-o"), dir.filePath(QStringLiteral("whole.srt"))});
    EXPECT_EQ(QJsonDocument::fromJson(whole.out).object().value("pieces").toArray().size(), 1);

    const QString refusedOut = dir.filePath(QStringLiteral("wrong.srt"));
    const ToolRun wrong = sync({film, zv::test::mediaFile(QStringLiteral("speech.wrong.srt")), QStringLiteral("-o"), refusedOut});
    EXPECT_EQ(wrong.status, 3);
    EXPECT_TRUE(wrong.err.contains("Napisy nie pasują do filmu")) << wrong.err.toStdString();
    EXPECT_FALSE(QFile::exists(refusedOut));

    // Never over an input; a missing film is a failure, not a success.
    const QString subs = zv::test::mediaFile(QStringLiteral("speech.offset.srt"));
    EXPECT_EQ(sync({film, subs, QStringLiteral("-o"), subs}).status, 2);
    EXPECT_EQ(sync({dir.filePath(QStringLiteral("none.mkv")), subs, QStringLiteral("-o"), out}).status, 3);
}

} // namespace
