// Commands and hooks whose subsystems are not built yet. Each does nothing until its subsystem
// moves the body into its own main_window_<subsystem>.cpp; the menu items, keys and the start-up
// and shut-down sequences already call them in their places.
#include "app/main_window.h"

// Timers
void TZentavistaApp::Timer5Timer() {}

// Menu items
