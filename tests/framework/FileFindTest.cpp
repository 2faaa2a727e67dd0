// The framework's directory search over real folders.
#include "AfxFileFind.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

class FileFindTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RemovePath(Folder());
        MakeFolder(Folder());
    }
    void TearDown() override { RemovePath(Folder()); }
    static std::string Folder() { return ExeFolder() + "find"; }

    // Walks the listing as the program does; counts how often each entry
    // was current.
    static std::map<std::string, int> Walk(const std::string& strPattern)
    {
        std::map<std::string, int> seen;
        CFileFind finder;
        BOOL bMore = finder.FindFile(strPattern.c_str());
        while (bMore) {
            bMore = finder.FindNextFile();
            ++seen[static_cast<const char*>(finder.GetFileName())];
        }
        return seen;
    }
};

TEST_F(FileFindTest, WalkMakesEveryEntryCurrentOnce)
{
    WriteFileBytes(Folder() + "\\a.bin", "a");
    WriteFileBytes(Folder() + "\\b.bin", "b");
    MakeFolder(Folder() + "\\sub");
    const std::map<std::string, int> expected = {{".", 1}, {"..", 1}, {"a.bin", 1}, {"b.bin", 1}, {"sub", 1}};
    EXPECT_EQ(expected, Walk(Folder() + "\\*.*"));
}

TEST_F(FileFindTest, LastEntryHasNoSuccessor)
{
    WriteFileBytes(Folder() + "\\only.bin", "x");
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile((Folder() + "\\only.*").c_str()));
    // The only entry becomes current, and nothing follows it.
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_STREQ("only.bin", finder.GetFileName());
    EXPECT_EQ(Folder() + "\\only.bin", std::string(finder.GetFilePath()));
    // Asking again changes nothing.
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_STREQ("only.bin", finder.GetFileName());
}

TEST_F(FileFindTest, PatternThatFindsNothing)
{
    CFileFind finder;
    EXPECT_FALSE(finder.FindFile((Folder() + "\\*.none").c_str()));
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_STREQ("", finder.GetFileName());
    EXPECT_FALSE(finder.IsDots());
    EXPECT_FALSE(finder.MatchesMask(~0UL));
    EXPECT_FALSE(finder.FindFile((Folder() + "\\missing\\*.*").c_str()));
    EXPECT_TRUE(Walk(Folder() + "\\*.none").empty());
}

TEST_F(FileFindTest, DotsFoldersAndAttributes)
{
    MakeFolder(Folder() + "\\sub");
    WriteFileBytes(Folder() + "\\hidden.bin", "h");
    SetFileAttributesA((Folder() + "\\hidden.bin").c_str(), FILE_ATTRIBUTE_HIDDEN);
    CFileFind finder;
    BOOL bMore = finder.FindFile((Folder() + "\\*.*").c_str());
    int nEntries = 0;
    while (bMore) {
        bMore = finder.FindNextFile();
        ++nEntries;
        const std::string name = static_cast<const char*>(finder.GetFileName());
        EXPECT_EQ(name == "." || name == "..", finder.IsDots() != FALSE) << name;
        EXPECT_EQ(name != "hidden.bin", finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY) != FALSE) << name;
        EXPECT_EQ(name == "hidden.bin", finder.MatchesMask(FILE_ATTRIBUTE_HIDDEN) != FALSE) << name;
    }
    EXPECT_EQ(4, nEntries);
}

}  // namespace
