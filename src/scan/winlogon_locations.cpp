#include "scan/category_handlers.h"

void ScanWinlogonLocation(PassContext &) {}
