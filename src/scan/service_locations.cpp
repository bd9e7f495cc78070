#include "scan/category_handlers.h"

void ScanServiceLocation(PassContext &) {}
