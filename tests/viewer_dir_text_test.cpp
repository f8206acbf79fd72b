/* The directory box's in-place text routines. */
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include "viewer.h"

namespace {

struct TextCase {
    const char *pszIn;
    const char *pszOut;
};

TEST(DirBoxText, TrimBlanksKeepsOneCharacterOfABlankText)
{
    const TextCase cases[] = {
        {"", ""},           {" ", " "},         {"    ", " "},  {"a", "a"},       {"  a", "a"},
        {"a  ", "a"},       {"  a b  ", "a b"}, {" \\ ", "\\"}, {"\tx\t", "\tx\t"}, {"  :Al: ", ":Al:"},
    };
    for (const TextCase &c : cases) {
        char sz[32];
        snprintf(sz, sizeof(sz), "%s", c.pszIn);
        TrimBlanks(sz);
        EXPECT_STREQ(c.pszOut, sz) << "from \"" << c.pszIn << "\"";
    }
}

TEST(DirBoxText, StripTrailingBackslashesNeverTakesTheFirstCharacter)
{
    const TextCase cases[] = {
        {"", ""}, {"\\", "\\"}, {"\\\\\\", "\\"}, {"C:\\", "C:"}, {"C:\\a\\\\", "C:\\a"}, {"\\\\srv\\x", "\\\\srv\\x"},
    };
    for (const TextCase &c : cases) {
        char sz[32];
        snprintf(sz, sizeof(sz), "%s", c.pszIn);
        StripTrailingBackslashes(sz);
        EXPECT_STREQ(c.pszOut, sz) << "from \"" << c.pszIn << "\"";
    }
}

TEST(DirBoxText, AddTrailingBackslashAppendsOnceAndOnlyWhereItFits)
{
    const TextCase cases[] = {{"", "\\"}, {"C:", "C:\\"}, {"C:\\", "C:\\"}, {"C:\\a", "C:\\a\\"}};
    for (const TextCase &c : cases) {
        char sz[32];
        snprintf(sz, sizeof(sz), "%s", c.pszIn);
        AddTrailingBackslash(sz, sizeof(sz));
        EXPECT_STREQ(c.pszOut, sz) << "from \"" << c.pszIn << "\"";
    }

    /* A full buffer, and one with no terminator within its size, stay as they are. */
    char szFull[8] = "abcdefg";
    AddTrailingBackslash(szFull, sizeof(szFull));
    EXPECT_STREQ("abcdefg", szFull);
    char szGuarded[12];
    memcpy(szGuarded, "abcdefgh\0ZZ", 12);
    AddTrailingBackslash(szGuarded, 8);
    EXPECT_EQ(0, memcmp(szGuarded, "abcdefgh\0ZZ", 12));
    char szOne[8] = "abcdef";
    AddTrailingBackslash(szOne, sizeof(szOne));
    EXPECT_STREQ("abcdef\\", szOne);
}

} // namespace
