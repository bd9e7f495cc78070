#include "scan/category_handlers.h"

void ScanListLocation(PassContext &) {}
