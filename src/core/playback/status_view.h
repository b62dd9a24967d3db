#pragma once

#include <QString>

#include <optional>

// What the status refresh shows, as a pure function of the player's state, and the texts of the
// time label. The main window only copies a StatusView onto its widgets.
namespace zv::playback {

// "h:mm:ss" of the time of day the seconds give: truncated to whole seconds, 24 hours wrap to 0.
// Negative times (a position past the end in the remaining-time view) show as 0:00:00.
QString formatClock(double seconds);

// The time label: "" while there is no position (-1); "h:mm:ss / h:mm:ss" (position, duration)
// when showElapsed, else "- h:mm:ss" of the time left.
QString timeLabelText(double position, double duration, bool showElapsed);

struct StatusInput {
    int playState = 6;         // MediaEngine::PlayStates
    int readyState = 0;
    QString mediaPath;         // CurrentMediaPath
    QString subtitleFile;      // CurrentSubtitleFile
    int imageWidth = 0;        // ImageSourceWidth
    int playlistCount = 0;
    int playlistIndex = -1;    // GetPLSIndex(mediaPath)
    bool soundLost = false;    // the engine plays on without a sound device
};

// Enabled and pressed states of the Play, Pause and Stop buttons and of the transport items.
struct TransportView {
    bool playEnabled = false, playDown = false;
    bool pauseEnabled = false, pauseDown = false;
    bool stopEnabled = false, stopDown = false;
    bool od1Enabled = false;   // "Odtwarzaj"
    bool p1Enabled = false;    // "Pauza"
    bool itemsEnabled = false; // Z1, OW1, PP1, PT1 (main menu and popup)
};

struct StatusView {
    std::optional<TransportView> transport; // empty: states 3, 4, 5 leave them as they are
    std::optional<QString> stateWord;       // Label1; empty: unchanged
    // Applied after transport, in every state: with entries to open, Play works even when
    // nothing is open, because it opens one.
    bool playForcedOn = false;
    bool prevEnabled = false, nextEnabled = false;
    QString names;    // Label3: "film.avi (film.txt)"
    QString caption;  // window and application title
    QString namesHint; // Label3's hint: both full paths
    bool pictureEnabled = false;     // full screen, pan-scan, statistics
    bool subtitlesEnabled = false;   // show-subtitles button and items
    bool mediaItemsEnabled = false;  // close, reload, properties
    bool closeSubtitleEnabled = false;
};

QString bareFileName(const QString &path);
StatusView computeStatus(const StatusInput &in);

} // namespace zv::playback
