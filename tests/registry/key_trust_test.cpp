// The records key's security: the decision on descriptors, and the repair of
// a key that lets others write.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include "registry/access.h"
#include "registry/key_trust.h"
#include "support/testing.h"

namespace {

const std::string kBase = "SOFTWARE\\QuillmaraTests\\KeyTrust";

// A descriptor made from its string form, freed with the object.
class Built {
  public:
    explicit Built(const char *text) {
        ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1, &sd_, nullptr);
    }
    ~Built() { LocalFree(sd_); }
    Built(const Built &) = delete;
    Built &operator=(const Built &) = delete;
    PSECURITY_DESCRIPTOR get() const { return sd_; }

  private:
    PSECURITY_DESCRIPTOR sd_ = nullptr;
};

std::string FaultOf(const char *text) {
    const Built sd(text);
    return KeySecurityFault(sd.get());
}

TEST(KeyTrust, OnlyAdministratorsAndSystemMayChangeARecordKey) {
    EXPECT_EQ(FaultOf(kRecordKeySecurity), "");
    EXPECT_EQ(FaultOf("O:SYD:P(A;;KA;;;SY)(D;;KA;;;BU)(A;CI;KR;;;WD)"), "");
    // What a key below HKEY_LOCAL_MACHINE\SOFTWARE gets by default: the
    // creator owner entry hands every subkey to whoever makes it.
    EXPECT_NE(FaultOf("O:BAD:(A;CIIO;GA;;;CO)(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;BU)"), "");
    EXPECT_NE(FaultOf("O:BAD:P(A;;KA;;;BA)(A;;0x2;;;BU)"), "");  // Users may set values
    EXPECT_NE(FaultOf("O:BAD:P(A;;KA;;;BA)(A;;0x4;;;AU)"), "");  // or make subkeys
    EXPECT_NE(FaultOf("O:BAD:P(A;;KA;;;BA)(A;;WD;;;BU)"), "");   // or change its permissions
    EXPECT_NE(FaultOf("O:BUD:P(A;;KA;;;BA)"), "");              // owned by a user
    EXPECT_NE(FaultOf("O:BA"), "");                             // no DACL: everyone writes
    EXPECT_NE(KeySecurityFault(nullptr), "");
}

TEST(KeyTrust, ARecordKeyOthersMayWriteIsRepairedBelowAndAMissingOneMade) {
    TestKey base(HKEY_LOCAL_MACHINE, kBase);
    const std::string records = kBase + "\\Records";
    CreateRegKey(HKEY_LOCAL_MACHINE, records + "\\Moves");
    CreateRegKey(HKEY_LOCAL_MACHINE, records + "\\Hives");
    std::vector<std::string> asked;
    SetKeySecurityRead([&](const std::string &name) -> std::string {
        asked.push_back(name);
        return name.size() > 5 && name.substr(name.size() - 5) == "Moves" ? "O:BAD:(A;;KA;;;BA)(A;;KW;;;BU)"
                                                                          : kRecordKeySecurity;
    });
    CapturedLog log;
    const bool secured = SecureRecordKey(HKEY_LOCAL_MACHINE, records);
    SetKeySecurityRead(nullptr);
    EXPECT_TRUE(secured) << log.text();
    EXPECT_EQ(asked.size(), 3u);
    ASSERT_EQ(log.lines().size(), 1u) << log.text();
    EXPECT_NE(log.text().find("repaired the security of HKEY_LOCAL_MACHINE\\" + records + "\\Moves"),
              std::string::npos)
        << log.text();

    EXPECT_TRUE(SecureRecordKey(HKEY_LOCAL_MACHINE, kBase + "\\New"));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kBase + "\\New"));
}

} // namespace
