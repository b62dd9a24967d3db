#pragma once

// The main window with every feature's controller, as the application tests drive them.
#include "app/commands.h"
#include "app/controllers/desktop_controller.h"
#include "app/controllers/files_controller.h"
#include "app/controllers/keys_controller.h"
#include "app/controllers/library_controller.h"
#include "app/controllers/options_controller.h"
#include "app/controllers/playlist_controller.h"
#include "app/controllers/status_presenter.h"
#include "app/controllers/subtitles_controller.h"
#include "app/controllers/tracks_controller.h"
#include "app/controllers/transport_controller.h"
#include "app/controllers/video_controller.h"
#include "app/main_window.h"
#include "playback/playback_session.h"
