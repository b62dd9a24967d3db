// Opens one file in the video surface the way the player does and reports when its first frame is
// on screen: prints "FIRST_FRAME" on the first playback restart of the file (mpv sends it once
// the first frame has been displayed). --mode=startup quits there; --mode=play plays the file
// to its end and quits. startup_vs_mpv.sh times it against mpv with the same mark.

#include "video/video_window.h"
#include "playback/mpv_engine.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <clocale>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");

    QCommandLineParser args;
    args.addOption({"mode", "startup or play", "mode", "startup"});
    args.addOption({"no-audio", "no sound output"});
    args.addPositionalArgument("file", "the clip");
    args.process(app);
    if (args.positionalArguments().size() != 1)
        args.showHelp(2);
    const bool startupOnly = args.value("mode") != QLatin1String("play");

    TForm9 surface(nullptr, TForm9::mpvEngine(!args.isSet("no-audio")));
    surface.setWindowTitle(QStringLiteral("zv_engine_bench"));
    surface.resize(320, 240);
    surface.show();

    auto *engine = qobject_cast<MpvEngine *>(surface.m());
    bool marked = false;
    QObject::connect(engine, &MpvEngine::PlaybackRestarted, &app, [&] {
        if (marked)
            return;
        marked = true;
        std::printf("FIRST_FRAME\n");
        std::fflush(stdout);
        if (startupOnly)
            QTimer::singleShot(0, &app, &QApplication::quit);
    });
    QObject::connect(engine, &MediaEngine::OnOpenStateChange, &app, [&](int, int state) {
        if (state == MediaEngine::osOpen)
            engine->Play();
    });
    QObject::connect(engine, &MediaEngine::OnEndOfStream, &app, &QApplication::quit);
    QObject::connect(engine, &MediaEngine::OnError, &app, [&] {
        std::fprintf(stderr, "%s\n", qPrintable(engine->ErrorDescription()));
        app.exit(1);
    });
    engine->Open(args.positionalArguments().first());
    return app.exec();
}
