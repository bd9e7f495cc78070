// The records key's security: the decision on descriptors (the repair at
// start-up is tested with the store's records).
#include <gtest/gtest.h>

#include <windows.h>

#include "registry/key_trust.h"

namespace {

std::string FaultOf(const char *text) {
    const DescriptorFromText sd(text);
    return KeySecurityFault(sd.get());
}

TEST(KeyTrust, OnlyAdministratorsAndSystemMayChangeARecordKey) {
    EXPECT_EQ(FaultOf(kRecordKeySecurity), "");
    EXPECT_EQ(FaultOf("O:SYD:P(A;;KA;;;SY)(D;;KA;;;BU)(A;CI;KR;;;WD)"), "");
    // What a key below HKEY_LOCAL_MACHINE\SOFTWARE gets by default: the
    // creator owner entry hands a subkey only to whoever may make one, and
    // only Administrators and SYSTEM may.
    EXPECT_EQ(FaultOf("O:BAD:(A;CIIO;GA;;;CO)(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;BU)"), "");
    EXPECT_NE(FaultOf("O:BAD:P(A;;KA;;;BA)(A;;0x2;;;BU)"), "");  // Users may set values
    EXPECT_NE(FaultOf("O:BAD:P(A;;KA;;;BA)(A;;0x4;;;AU)"), "");  // or make subkeys
    EXPECT_NE(FaultOf("O:BAD:P(A;;KA;;;BA)(A;;WD;;;BU)"), "");   // or change its permissions
    EXPECT_NE(FaultOf("O:BUD:P(A;;KA;;;BA)"), "");              // owned by a user
    EXPECT_NE(FaultOf("O:BA"), "");                             // no DACL: everyone writes
    EXPECT_NE(KeySecurityFault(nullptr), "");
}

} // namespace
