// The text operations that replaced several look-alike helpers: each keeps
// one behaviour, and the ones that differ on purpose stay apart.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "system/text.h"

namespace {

using V = std::vector<std::string>;

TEST(TextOperations, CutsAtNulDifferOnlyForATextWithoutNul) {
    const std::string withNul("ab\0cd", 5);
    EXPECT_EQ(TrimNull(withNul), "ab");
    EXPECT_EQ(CutAtNull(withNul), "ab");
    EXPECT_EQ(TrimNull("abc"), "");
    EXPECT_EQ(CutAtNull("abc"), "abc");
    EXPECT_EQ(CleanString(std::string("C:\\a.exe\0junk", 13)), "C:\\a.exe");
    EXPECT_EQ(CleanString("C:\\a.exe\r\nx"), "C:\\a.exe");
}

TEST(TextOperations, NulListSplittersKeepOrDropEmptyPieces) {
    const std::string data("a\0\0b c\0\0", 8);
    EXPECT_EQ(SplitNul(data), (V{"a", "", "b c", "", ""}));
    EXPECT_EQ(SplitMultiSz(data), (V{"a", "", "b c", "", ""}));
    EXPECT_EQ(SplitMultiStringData(data), (V{"a", "b c"}));
    EXPECT_EQ(SplitMultiSz("  one  "), V{"one"});
    EXPECT_EQ(SplitMultiStringData("  one  "), V{"  one  "});
}

TEST(TextOperations, CaseFoldingTouchesOnlyAsciiLetters) {
    EXPECT_EQ(LowerText("AbC\xC4\xD6-Z"), "abc\xC4\xD6-z");
    EXPECT_TRUE(EndsWithNoCase("TOOL.EXE", ".exe"));
    EXPECT_FALSE(EndsWithNoCase("exe", ".exe"));
    EXPECT_TRUE(ContainsNoCase("The MicroSoft Corporation", "microsoft"));
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("   "), "");
    // A file name's key folds an ASCII name only: in a double-byte code page
    // "\x83\x41" and "\x83\x61" are two different characters.
    EXPECT_EQ(FileNameKey("C:\\Tools\\A.EXE"), "c:\\tools\\a.exe");
    EXPECT_NE(FileNameKey("C:\\\x83\x41.exe"), FileNameKey("C:\\\x83\x61.exe"));
}

} // namespace
