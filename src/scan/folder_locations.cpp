#include "scan/category_handlers.h"

void ScanFolderLocation(PassContext &) {}

void ScanStartupFolders(HKEY, const std::string &, std::vector<StartupEntry> &, int, int, const std::string &, int,
                        std::vector<ScanPass> &) {}
