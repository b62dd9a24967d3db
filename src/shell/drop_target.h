#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace zv {

// One drop of files from the file manager, handed to the target's handler. The handler may
// read it but must not keep a reference: it lives only for the call.
struct TDragDropInfo {
    int NumFiles = 0;            // number of paths in Files
    bool InClientArea = false;   // DropPoint lies inside the target widget
    QPoint DropPoint;            // in the target widget's coordinates
    QStringList Files;           // local paths of the dropped files and folders, in drop order
};

using DropHandler = std::function<void(const TDragDropInfo &)>;

// Makes `target` accept files dragged from other programs (text/uri-list) and calls `handler`
// once per drop that holds at least one local path; other URLs are left out. A scroll area
// (list, table) is served through its viewport, but the drop point is still given in
// `target`'s coordinates. Registering again replaces the handler. The registration ends with
// unregisterDropTarget or when the widget is destroyed. UI thread only.
void registerDropTarget(QWidget *target, DropHandler handler);

template <class T>
void registerDropTarget(QWidget *target, T *object, void (T::*method)(const TDragDropInfo &))
{
    registerDropTarget(target, [object, method](const TDragDropInfo &info) { (object->*method)(info); });
}

// Stops delivery to `target` and gives back its previous drop acceptance. Harmless for a
// widget that is not registered.
void unregisterDropTarget(QWidget *target);

bool isDropTarget(const QWidget *target);

// The paths of a drop as one CR LF separated text, the form the file entry takes. Paths that
// hold CR, LF or NUL are left out: inside such a list they would turn into other paths.
QString dropListText(const QStringList &files);

} // namespace zv
