// Program entry: the start questions, the single-instance decision (a later start hands its
// first file to the running player and ends), then the windows and the message loop.
#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/start_question.h"
#include "app/unattended_exit.h"
#include "app/unix_signals.h"
#include "core/app/command_line.h"
#include "core/config/ini_file.h"
#include "core/config/paths.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <clocale>

namespace {

void loadQtTranslation(QApplication &app)
{
    // Qt's own dialog buttons ("OK", "Anuluj") in Polish.
    auto *qt = new QTranslator(&app);
    if (qt->load(QStringLiteral("qtbase_pl"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qt);
    else
        delete qt;
}

} // namespace

int main(int argc, char **argv)
{
    // Overlay windows are placed in screen coordinates, which only the X11 platform allows.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    // libmpv parses numbers with the C library; a Polish LC_NUMERIC breaks it.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Zentavista"));
    loadQtTranslation(app);
    zv::Paths::setProgramDir(QCoreApplication::applicationDirPath());

    const zv::CommandLine cmd = zv::parseCommandLine(QCoreApplication::arguments().mid(1));

    // Every "/q" asks once; a Cancel on any of them ends the program without a window and
    // without handing anything over.
    bool declined = false;
    for (const QString &question : cmd.questions)
        if (!zv::askStartQuestion(question))
            declined = true;
    if (declined)
        return 0;

    // The main window is closed by the shut-down sequence, which ends the loop itself.
    app.setQuitOnLastWindowClosed(false);
    // Installed before this process becomes the running instance: a termination signal that
    // arrives while the windows are being made waits in the watcher and closes them once the
    // message loop runs.
    zv::UnixSignalWatcher *watcher = zv::UnixSignalWatcher::install(&app);

    zv::SingleInstance instance;
    if (!instance.becomePrimary()) {
        if (!cmd.params.isEmpty()) {
            const QString path = zv::LongPathOf(cmd.params.first());
            // The key stays written even if the running instance never reads the message.
            zv::writeIniKey(zv::Paths::settingsFile(), QStringLiteral("Main"),
                            QStringLiteral("ParamFile"), path);
            zv::SingleInstance::handOff(path);
        }
        return 0;
    }

    bool finished = false; // outlives the window and the filter that reads it
    TZentavistaApp mainWindow;
    QObject::connect(&mainWindow, &TZentavistaApp::shutDownFinished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    if (watcher)
        QObject::connect(watcher, &zv::UnixSignalWatcher::terminationRequested, &mainWindow,
                         [&mainWindow] { mainWindow.CloseUnattended(); });
    // The session manager ends the desktop session with a quit request: the same unattended
    // close. A quit after the shut-down (its own end) goes through.
    QObject::connect(&mainWindow, &TZentavistaApp::shutDownFinished, [&finished] { finished = true; });
    new zv::QuitRequestFilter(&mainWindow, [&mainWindow, &finished] {
        if (finished)
            return false;
        mainWindow.CloseUnattended();
        return true;
    });
    mainWindow.setCommandLine(cmd.params, cmd.CmdFullScreen, cmd.CmdPanScan, cmd.CmdAutoPanScan,
                              cmd.PanScanValue);
    mainWindow.connectSingleInstance(&instance);
    mainWindow.CreateForms();
    const int code = app.exec();
    // An unattended close that could not save the user's state ends as a failure; the
    // reasons are already on standard error.
    return code == 0 && mainWindow.state().failedSaves > 0 ? 1 : code;
}
