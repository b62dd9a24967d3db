#pragma once

// Names of everything we ask libmpv for, in one place, so a typo is a compile error at the use
// and a renamed property is changed once. Only mpv_engine.cpp includes this header.

#include <mpv/client.h>

namespace mpvprop {

// Options set before mpv_initialize, in this order.
struct Option {
    const char *name;
    const char *value;
};

// The engine never reads configuration, binds keys, draws text or picks subtitles of its own:
// subtitles are ours, keys and the mouse belong to our windows (without input-cursor and
// input-vo-keyboard mpv's window does not take the X events, so they reach our surface).
inline constexpr Option kFixedOptions[] = {
    {"config", "no"},
    {"terminal", "no"},
    {"idle", "yes"},
    {"keep-open", "no"},
    {"pause", "yes"},
    {"input-default-bindings", "no"},
    {"input-vo-keyboard", "no"},
    {"input-cursor", "no"},
    {"cursor-autohide", "no"},
    {"osd-level", "0"},
    {"osc", "no"},
    {"load-scripts", "no"},
    {"ytdl", "no"},
    {"load-stats-overlay", "no"},
    {"load-osd-console", "no"},
    {"load-auto-profiles", "no"},
    {"sid", "no"},
    {"sub-auto", "no"},
    // Cover art would turn a song into a "film" with a picture; sound files stay sound only.
    {"audio-display", "no"},
    {"audio-client-name", "Zentavista"},
    {"force-window", "no"},
    // Playlists are ours to expand, with a loop guard; the engine opens media only. Without
    // this mpv follows playlist files (and other references) on its own, a playlist that
    // lists itself without end.
    {"access-references", "no"},
    // Without a usable sound device the film plays on silently (the null output) instead of
    // mpv dropping the sound track and ending the file with an error; current-ao tells us.
    {"audio-fallback-to-null", "yes"},
};

// Redirects (one file standing for others) the engine follows for one Open at most.
inline constexpr int kMaxRedirects = 4;

inline constexpr char kVo[] = "vo";
inline constexpr char kAo[] = "ao";
inline constexpr char kWid[] = "wid";
inline constexpr char kGpuSw[] = "gpu-sw";
// The GPU output first; plain X11 when no OpenGL context can be had.
inline constexpr char kVoWithWindow[] = "gpu,x11";
// Plain X11 only: for an mpv that accepts none of the X11 GPU contexts below.
inline constexpr char kVoX11[] = "x11";
inline constexpr char kGpuContext[] = "gpu-context";
// The GPU contexts that draw into an X11 window, best first (EGL, then GLX, which mpv names
// "x11"). Our window is an X11 one even in a Wayland session (through XWayland), but mpv's
// automatic choice tries Wayland first whenever WAYLAND_DISPLAY is set, and then shows the
// picture in a surface of its own outside our window. Newer mpv takes a list; older ones take
// one name and refuse any context they were built without (Debian's has no GLX), so the first
// value mpv accepts is the one used.
inline constexpr const char *kX11GpuContexts[] = {"x11egl,x11", "x11egl", "x11"};
inline constexpr char kVoNone[] = "null";
inline constexpr char kAoNone[] = "null";

// Commands.
inline constexpr char kLoadfile[] = "loadfile";
inline constexpr char kReplace[] = "replace";
inline constexpr char kStop[] = "stop";
inline constexpr char kSeek[] = "seek";
inline constexpr char kAbsolute[] = "absolute";

// Writable properties.
inline constexpr char kPause[] = "pause";
inline constexpr char kSpeed[] = "speed";
inline constexpr char kVolume[] = "volume";
inline constexpr char kMute[] = "mute";

// Observed: cheap and changing while playing.
inline constexpr char kTimePos[] = "time-pos";
inline constexpr char kPausedForCache[] = "paused-for-cache";
inline constexpr char kDuration[] = "duration";
// The sound output in use: kAoNone after the fallback, unavailable while no sound plays.
inline constexpr char kCurrentAo[] = "current-ao";
// The open file's tracks (an array of maps with the fields below) and the audio track in use
// ("no", or the track's id); aid is also written to change the track.
inline constexpr char kTrackList[] = "track-list";
inline constexpr char kAid[] = "aid";
namespace track {
inline constexpr char kId[] = "id";
inline constexpr char kType[] = "type";
inline constexpr char kTypeVideo[] = "video";
inline constexpr char kTypeAudio[] = "audio";
inline constexpr char kTypeSub[] = "sub";
inline constexpr char kLang[] = "lang";
inline constexpr char kTitle[] = "title";
inline constexpr char kCodec[] = "codec";
inline constexpr char kChannelCount[] = "demux-channel-count";
inline constexpr char kDefault[] = "default";
inline constexpr char kExternal[] = "external";
inline constexpr char kSelected[] = "selected";
} // namespace track

// Read once a file is loaded (asynchronously).
inline constexpr char kFrameCount[] = "estimated-frame-count";
inline constexpr char kContainerFps[] = "container-fps";
inline constexpr char kVid[] = "vid";
inline constexpr char kDisplayWidth[] = "dwidth";
inline constexpr char kDisplayHeight[] = "dheight";
inline constexpr char kWidth[] = "width";
inline constexpr char kHeight[] = "height";

// Read for the statistics and properties windows.
inline constexpr char kFileSize[] = "file-size";
inline constexpr char kFileFormat[] = "file-format";
inline constexpr char kVideoCodec[] = "video-codec";
inline constexpr char kAudioCodec[] = "audio-codec";
inline constexpr char kEstimatedVfFps[] = "estimated-vf-fps";
inline constexpr char kVideoBitrate[] = "video-bitrate";
inline constexpr char kAudioBitrate[] = "audio-bitrate";
inline constexpr char kSampleRate[] = "audio-params/samplerate";
inline constexpr char kChannelCount[] = "audio-params/channel-count";
inline constexpr char kFrameDrops[] = "frame-drop-count";
inline constexpr char kDecoderFrameDrops[] = "decoder-frame-drop-count";
inline constexpr char kAvsync[] = "avsync";
inline constexpr char kMpvVersion[] = "mpv-version";
inline constexpr char kFfmpegVersion[] = "ffmpeg-version";

// Result field of loadfile: the playlist entry that every later event of that file names.
inline constexpr char kPlaylistEntryId[] = "playlist_entry_id";

} // namespace mpvprop
