// The main window's settings: loading at start, writing at close, defaults.
#include "app/AppContext.h"
#include "app/TFormMain.h"

void TFormMain::ReadCFG() {}
void TFormMain::WriteCFG() {}
void TFormMain::ApplyDefaults() {}
