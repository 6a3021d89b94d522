// The main window's start-up sequence, run once when it is first shown.
#include "app/AppContext.h"
#include "app/TFormMain.h"

void TFormMain::FormShow() {}
