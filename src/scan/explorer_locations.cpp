#include "scan/category_handlers.h"

void ScanExplorerLocation(PassContext &) {}
