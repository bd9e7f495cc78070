#include "scan/category_handlers.h"

void ScanFolderLocation(PassContext &) {}
