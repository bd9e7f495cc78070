#include "system/link_trust.h"

#include "system/object_security.h"

namespace {

// Rights over a link that let an account point it elsewhere or take it away.
constexpr ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                      DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

} // namespace

std::string LinkOwnerFault(PSECURITY_DESCRIPTOR link) {
    // Only the entries for the link itself: what it passes on does not change it.
    return OwnerOrRightsFault(link, kChangeRights, false, true,
                              {"its owner is not SYSTEM, TrustedInstaller or Administrators",
                               "its permissions let everyone write", "its permissions let others change it"});
}

std::string LinkFault(HANDLE link) {
    if (!FolderSecurityKept())
        return "owners of links are not kept here";
    const OwnedSecurity own = SecurityOfObject(link, SE_FILE_OBJECT);
    return LinkOwnerFault(own.get());
}
