#include "core/media/film_tracks.h"
