// Commands and hooks whose subsystems are not built yet. Each does nothing until its subsystem
// moves the body into its own main_window_<subsystem>.cpp; the menu items, keys and the start-up
// and shut-down sequences already call them in their places.
#include "app/main_window.h"

void TZentavistaApp::UstawFullScreen(bool) {}

// Start-up and shut-down hooks
void TZentavistaApp::UstawZmienneDoOpcji() {}
void TZentavistaApp::UstawOpcjeDoZmiennych() {}
void TZentavistaApp::SprawdzSkojarzenia() {}
void TZentavistaApp::UstawOCXWindow() {}
void TZentavistaApp::StopGlobalKeys() {}

// Timers
void TZentavistaApp::Timer5Timer() {}
void TZentavistaApp::Timer6Timer() {}
void TZentavistaApp::Timer8Timer() {}
void TZentavistaApp::Timer9Timer() {}

// Menu items
void TZentavistaApp::FullScrClick() {}
void TZentavistaApp::PanScan1Click() {}
void TZentavistaApp::AutoPanScan1Click() {}
void TZentavistaApp::PanScanInc1Click() {}
void TZentavistaApp::PanScanDec1Click() {}
void TZentavistaApp::PanScanNormal1Click() {}
void TZentavistaApp::Opcje1Click() {}
void TZentavistaApp::PL1Click() {}
void TZentavistaApp::SDP1Click() {}
void TZentavistaApp::SDN1Click() {}
void TZentavistaApp::SDPZN1Click() {}
void TZentavistaApp::Edytortxt1Click() {}
void TZentavistaApp::About1Click() {}
void TZentavistaApp::Informacjeobdach1Click() {}
void TZentavistaApp::Propozycje1Click() {}
