#include "scan/category_handlers.h"

void ScanProviderLocation(PassContext &) {}
