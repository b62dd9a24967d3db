#include "core/sync/subtitle_sync.h"
