// The running instance's side of the hand-off: a later start's file opens here as if chosen
// from the menu.
#include "app/main_window.h"

#include "app/single_instance.h"

void TZentavistaApp::connectSingleInstance(zv::SingleInstance *instance)
{
    connect(instance, &zv::SingleInstance::fileHandedOver, this, &TZentavistaApp::HandOffReceived);
}

void TZentavistaApp::HandOffReceived(const QString &path)
{
    // Files arriving while the program closes would only change what is being saved.
    if (ShuttingDown)
        return;
    // One path, whatever it holds: a line break in the name must not make it several.
    MainAddProc(QStringList{path}, 31, true, true, true, true, DefaultDropPoint);
}
