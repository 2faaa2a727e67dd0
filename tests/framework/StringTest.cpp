#include "AfxString.h"
#include "AfxStringArray.h"

#include <gtest/gtest.h>

namespace {

// Shift-JIS U+8868: lead byte 0x95, trail byte 0x5C ('\').
const char kHyou[] = "\x95\x5C";

TEST(CString, ReverseFindSkipsTrailBytes)
{
    ASSERT_EQ(932u, GetACP()) << "the test needs the Shift-JIS code page (LC_ALL=ja_JP.UTF-8 under Wine)";
    CString strPath = CString("C:\\a\\") + kHyou;  // C:\a\<hyou>: last real '\' is at 4
    EXPECT_EQ(4, strPath.ReverseFind('\\'));
    CString strOnlyTrail = kHyou;
    EXPECT_EQ(-1, strOnlyTrail.ReverseFind('\\'));
    CString strAfter = CString(kHyou) + "\\x";
    EXPECT_EQ(2, strAfter.ReverseFind('\\'));
}

// The sought character as the very last byte: a folder path ending in its
// separator, a one-character text, a separator right after a double-byte
// character whose trail byte is '\'.
TEST(CString, ReverseFindSeesTheLastByte)
{
    EXPECT_EQ(6, CString("C:\\dir\\").ReverseFind('\\'));
    EXPECT_EQ(0, CString("x").ReverseFind('x'));
    EXPECT_EQ(2, (CString(kHyou) + "\\").ReverseFind('\\'));
    EXPECT_EQ(-1, CString("").ReverseFind('\\'));
}

TEST(CString, ReverseFindLoneLeadByteAtEnd)
{
    // A lead byte with nothing after it is a character of its own.
    CString str = "ab\\\x95";
    EXPECT_EQ(2, str.ReverseFind('\\'));
}

TEST(CString, FormatWithTextArguments)
{
    CString str;
    str.Format("%s has %s", "Model A", "0102");
    EXPECT_STREQ("Model A has 0102", str);
    str.Format("0x%04X", 0xABu);
    EXPECT_STREQ("0x00AB", str);
    CString strLong;
    strLong.Format("%s", std::string(1000, 'x').c_str());
    EXPECT_EQ(1000, strLong.GetLength());
}

// Texts of the resource module: only %s takes an argument.
TEST(CString, FormatTextSubstitutesTextArgumentsInOrder)
{
    CString str;
    str.FormatText("Your %s has %s.", "Model B", "0201");
    EXPECT_STREQ("Your Model B has 0201.", str);
    str.FormatText("%s", "");
    EXPECT_STREQ("", str);
    str.FormatText("no argument taken", "Model B");
    EXPECT_STREQ("no argument taken", str);
    // Arguments are inserted as they are, never read as formats.
    str.FormatText("[%s|%s]", "%s%n", "100%%");
    EXPECT_STREQ("[%s%n|100%%]", str);
    str.FormatText("%%s is 100%% %s", "done");
    EXPECT_STREQ("%s is 100% done", str);
    str.FormatText(CString(kHyou) + "%s" + kHyou, "A");
    EXPECT_STREQ((CString(kHyou) + "A" + kHyou), str);
}

TEST(CString, FormatTextShowsOtherConversionsAndSurplusOnesAsTheyStand)
{
    struct
    {
        const char* pszFormat;
        const char* psz1;
        const char* psz2;
        const char* pszShown;
    } const cases[] = {
        {"%n %d %p %x %c %f", "A", "B", "%n %d %p %x %c %f"},
        {"%d%s%p%s", "A", "B", "%dA%pB"},       // no conversion takes an argument but %s
        {"%s %s %s", "A", nullptr, "A %s %s"},  // one argument: one %s
        {"%s %s %s %n", "A", "B", "A B %s %n"},
        {"%s", nullptr, nullptr, "%s"},  // no argument at all
        {"%5s %-s %.3s %ls %S", "A", "B", "%5s %-s %.3s %ls %S"},
        {"50%", "A", nullptr, "50%"},  // a lone % at the end
        {"%", nullptr, nullptr, "%"},
        {"%%%s%%", "A", nullptr, "%A%"},
    };
    for (const auto& c : cases) {
        CString str = "old";
        str.FormatText(c.pszFormat, c.psz1, c.psz2);
        EXPECT_STREQ(c.pszShown, str) << c.pszFormat;
    }
}

TEST(CString, FormatTextOfAMissingEntryIsEmpty)
{
    CString str = "old";
    str.FormatText(4242, "A");
    EXPECT_TRUE(str.IsEmpty());
}

TEST(CString, AssignAppendLeft)
{
    CString str = "abc";
    str += "def";
    str += 'g';
    EXPECT_STREQ("abcdefg", str);
    EXPECT_STREQ("abc", str.Left(3));
    EXPECT_STREQ("", str.Left(0));
    EXPECT_STREQ("abcdefg", str.Left(99));
    str = static_cast<const char*>(nullptr);
    EXPECT_TRUE(str.IsEmpty());
}

TEST(CString, CompareNoCase)
{
    CString str = "0x00ab";
    EXPECT_EQ(0, str.CompareNoCase("0X00AB"));
    EXPECT_NE(0, str.CompareNoCase("0xAB"));
    EXPECT_LT(CString("0150").CompareNoCase("0200"), 0);
    EXPECT_GT(CString("0201").CompareNoCase("0200"), 0);
    // Same letters, the second byte of a double-byte character differs only
    // in what would be case for a single-byte character.
    EXPECT_NE(0, CString("\x82\x61").CompareNoCase("\x82\x41"));
    EXPECT_TRUE(CString("x") == "x");
    EXPECT_TRUE(CString("x") != "X");
}

TEST(CString, BufferRoundTrip)
{
    CString str;
    char* p = str.GetBuffer(MAX_PATH);
    lstrcpyA(p, "C:\\dir\\app.exe");
    str.ReleaseBuffer();
    EXPECT_EQ(14, str.GetLength());
    p = str.GetBuffer(0);
    p[2] = '/';
    str.ReleaseBuffer(3);
    EXPECT_STREQ("C:/", str);
}

TEST(CString, LoadStringOfMissingEntryIsEmpty)
{
    CString str = "old";
    EXPECT_FALSE(str.LoadString(4242));
    EXPECT_TRUE(str.IsEmpty());
}

TEST(CStringArray, AddAppendsInOrder)
{
    CStringArray arr;
    EXPECT_EQ(0, arr.GetSize());
    EXPECT_EQ(0, arr.Add("one"));
    EXPECT_EQ(1, arr.Add("two"));
    EXPECT_STREQ("two", arr[1]);
    arr.RemoveAll();
    EXPECT_EQ(0, arr.GetSize());
}

}  // namespace
