#include "playback/media_engine.h"

MediaEngine::MediaEngine(QObject *parent)
    : QObject(parent)
{
}

MediaEngine::~MediaEngine() = default;

void MediaEngine::ShowDialog(int kind)
{
    if (kind == dkContextMenu && !EnableContextMenu())
        return;
    if (kind == dkStatistics || kind == dkProperties || kind == dkContextMenu)
        emit DialogRequested(kind);
}

void MediaEngine::AboutBox()
{
    emit DialogRequested(dkAbout);
}
