#include "dialup/ras_service_win.h"

namespace qv {

// Placeholders until the dial-up service is built.
int RasService::EntryCount() { return 0; }
Text RasService::EntryName(int) { return Text(); }
bool RasService::Dial(const Text&, const Text&, const Text&, bool) { return false; }
bool RasService::IsConnected() { return false; }
void RasService::HangUpAll() {}
void RasTeardownAtExit() {}

}  // namespace qv
