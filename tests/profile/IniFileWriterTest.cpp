#include "profile/IniFileWriter.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

namespace {

// Adding one entry to section "rename" of wininit.ini.
class IniFileWriterTest : public ::testing::Test {
protected:
    std::string Add(const std::string& before, const char* key = "C:\\B.DLL", const char* value = "C:\\WINDOWS\\X2.TMP")
    {
        WriteFileBytes(m_path, before);
        return AddToCurrent(key, value);
    }
    std::string AddToCurrent(const char* key = "C:\\B.DLL", const char* value = "C:\\WINDOWS\\X2.TMP")
    {
        CIniFileWriter writer{CPathName(m_path)};
        EXPECT_TRUE(writer.AddEntry("rename", key, value));
        EXPECT_EQ(std::set<std::string>{"wininit.ini"}, FilesIn(m_dir));
        return ReadFileBytes(m_path);
    }

    TempDir m_dir;
    std::string m_path = m_dir / "wininit.ini";
};

TEST_F(IniFileWriterTest, EntryFollowsTheSectionsLinesInOrder)
{
    EXPECT_EQ("[rename]\r\nC:\\A.DLL=C:\\WINDOWS\\X1.TMP\r\nC:\\B.DLL=C:\\WINDOWS\\X2.TMP\r\n",
              Add("[rename]\r\nC:\\A.DLL=C:\\WINDOWS\\X1.TMP\r\n"));
}

TEST_F(IniFileWriterTest, SameKeyWithAnotherValueIsAddedAgain)
{
    EXPECT_EQ("[rename]\r\nC:\\B.DLL=C:\\WINDOWS\\X1.TMP\r\nC:\\B.DLL=C:\\WINDOWS\\X2.TMP\r\n",
              Add("[rename]\r\nC:\\B.DLL=C:\\WINDOWS\\X1.TMP\r\n"));
}

TEST_F(IniFileWriterTest, SameEntryInOtherCaseLeavesTheFileUntouched)
{
    const std::string before = "[boot]\nshell=x\n[rename]\n  c:\\b.dll=c:\\windows\\x2.tmp  \n[other]\n";
    EXPECT_EQ(before, Add(before));
}

// An entry is the same only with the key trimmed on its left and the value on
// its right: blanks inside the entry make another entry.
TEST_F(IniFileWriterTest, BlanksAroundTheEqualsSignMakeAnotherEntry)
{
    const std::string keyBlank = "[rename]\r\nC:\\B.DLL =C:\\WINDOWS\\X2.TMP\r\n";
    EXPECT_EQ(keyBlank + "C:\\B.DLL=C:\\WINDOWS\\X2.TMP\r\n", Add(keyBlank));
    const std::string valueBlank = "[rename]\r\nC:\\B.DLL= C:\\WINDOWS\\X2.TMP\r\n";
    EXPECT_EQ(valueBlank + "C:\\B.DLL=C:\\WINDOWS\\X2.TMP\r\n", Add(valueBlank));
    const std::string outerBlanks = "[rename]\r\n\t C:\\B.DLL=C:\\WINDOWS\\X2.TMP \t\r\n";
    EXPECT_EQ(outerBlanks, Add(outerBlanks));
}

TEST_F(IniFileWriterTest, SameEntryInAnotherSectionDoesNotCount)
{
    EXPECT_EQ("[other]\r\nC:\\B.DLL=C:\\WINDOWS\\X2.TMP\r\n[rename]\r\nC:\\B.DLL=C:\\WINDOWS\\X2.TMP\r\n",
              Add("[other]\r\nC:\\B.DLL=C:\\WINDOWS\\X2.TMP\r\n"));
}

TEST_F(IniFileWriterTest, EntryGoesBeforeTheNextSection)
{
    EXPECT_EQ("[rename]\r\nA=1\r\nC:\\B.DLL=C:\\WINDOWS\\X2.TMP\r\n[other]\r\nx=y\r\n",
              Add("[rename]\r\nA=1\r\n[other]\r\nx=y\r\n"));
}

TEST_F(IniFileWriterTest, MissingSectionIsAppended)
{
    EXPECT_EQ("[boot]\r\nx=y\r\n[rename]\r\nC:\\B.DLL=C:\\WINDOWS\\X2.TMP\r\n", Add("[boot]\r\nx=y\r\n"));
}

TEST_F(IniFileWriterTest, MissingFileIsCreated)
{
    EXPECT_EQ("[rename]\r\nC:\\B.DLL=C:\\WINDOWS\\X2.TMP\r\n", AddToCurrent());
}

TEST_F(IniFileWriterTest, LastLineWithoutLineBreakGetsOne)
{
    EXPECT_EQ("[boot]\r\nx=y\r\n[rename]\r\nC:\\B.DLL=C:\\WINDOWS\\X2.TMP\r\n", Add("[boot]\r\nx=y"));
    EXPECT_EQ("[rename]\r\nA=1\r\nC:\\B.DLL=C:\\WINDOWS\\X2.TMP\r\n", Add("[rename]\r\nA=1"));
}

TEST_F(IniFileWriterTest, HeadersAreRecognisedTrimmedAndUnchecked)
{
    EXPECT_EQ("  [rename]  \r\nC:\\B.DLL=C:\\WINDOWS\\X2.TMP\r\n[other]\r\n", Add("  [rename]  \r\n[other]\r\n"));
    // '[rename' is the section 'renam'.
    EXPECT_EQ("[rename\r\nA=1\r\n[rename]\r\nC:\\B.DLL=C:\\WINDOWS\\X2.TMP\r\n", Add("[rename\r\nA=1\r\n"));
}

TEST_F(IniFileWriterTest, LongLineIsCopiedWholeAndNotTakenApart)
{
    // Its second piece (from character 512) begins with "[" and holds an "=".
    const std::string longLine = "C:\\A.DLL=" + std::string(502, 'x') + "[other]=" + std::string(81, 'y');
    ASSERT_EQ(600u, longLine.size());
    EXPECT_EQ("[rename]\r\n" + longLine + "\r\nC:\\B.DLL=C:\\WINDOWS\\X2.TMP\r\n",
              Add("[rename]\r\n" + longLine + "\r\n"));
}

TEST_F(IniFileWriterTest, FileThatCannotBeReadIsNeverReplaced)
{
    const std::string before = "[rename]\r\nA=1\r\n";
    WriteFileBytes(m_path, before);
    const HANDLE held = ::CreateFileA(m_path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    CIniFileWriter writer{CPathName(m_path)};
    EXPECT_FALSE(writer.AddEntry("rename", "C:\\B.DLL", "C:\\WINDOWS\\X2.TMP"));
    ::CloseHandle(held);
    EXPECT_EQ(before, ReadFileBytes(m_path));
    EXPECT_EQ(std::set<std::string>{"wininit.ini"}, FilesIn(m_dir));
}

// Text mode stops reading at a Ctrl-Z and a line ends at a NUL byte: a file
// with either inside is left whole rather than rewritten without its rest. A
// Ctrl-Z that only ends the file costs nothing.
TEST_F(IniFileWriterTest, TextThatReadingWouldLoseKeepsTheFileUntouched)
{
    for (const std::string& before : {std::string("[boot]\r\nx=y\x1a\r\n[rename]\r\nA=1\r\n"),
                                      std::string("[rename]\r\nA=1\0B\r\nC=2\r\n", 22)}) {
        WriteFileBytes(m_path, before);
        CIniFileWriter writer{CPathName(m_path)};
        EXPECT_FALSE(writer.AddEntry("rename", "C:\\B.DLL", "C:\\WINDOWS\\X2.TMP"));
        EXPECT_EQ(before, ReadFileBytes(m_path));
        EXPECT_EQ(std::set<std::string>{"wininit.ini"}, FilesIn(m_dir));
    }
    EXPECT_EQ("[rename]\r\nA=1\r\nC:\\B.DLL=C:\\WINDOWS\\X2.TMP\r\n", Add("[rename]\r\nA=1\r\n\x1a"));
}

TEST_F(IniFileWriterTest, FailedCommitKeepsTheOldFile)
{
    const std::string before = "[rename]\r\nA=1\r\n";
    WriteFileBytes(m_path, before);
    // Readable, but neither deletable nor renamable while this handle is open.
    const HANDLE held = ::CreateFileA(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    CIniFileWriter writer{CPathName(m_path)};
    EXPECT_FALSE(writer.AddEntry("rename", "C:\\B.DLL", "C:\\WINDOWS\\X2.TMP"));
    ::CloseHandle(held);
    EXPECT_EQ(before, ReadFileBytes(m_path));
    EXPECT_EQ(std::set<std::string>{"wininit.ini"}, FilesIn(m_dir));
}

TEST_F(IniFileWriterTest, ScratchFileThatCannotBeCreatedThrows)
{
    CIniFileWriter writer{CPathName(m_dir / "missing\\wininit.ini")};
    EXPECT_THROW(writer.AddEntry("rename", "C:\\B.DLL", "C:\\WINDOWS\\X2.TMP"), CFileException);
    EXPECT_TRUE(FilesIn(m_dir).empty());
}

// The editor itself: an editor that drops comment lines and keeps a backup.
class CCommentStripper : public CTextFileEditor {
public:
    BOOL Strip(const CPathName& path)
    {
        Open(path);
        return Run();
    }

protected:
    BOOL ProcessLine() override
    {
        if (m_strLine.empty() || m_strLine[0] != ';')
            return TRUE;
        WriteText("");
        return FALSE;
    }
    void MakeBackupName() override
    {
        m_backupPath = m_path;
        m_backupPath.SetExtension("bak");
    }
};

class TextFileEditorTest : public ::testing::Test {
protected:
    TempDir m_dir;
};

TEST_F(TextFileEditorTest, LongLineFollowsTheDecisionOnItsFirstPiece)
{
    const std::string path = m_dir / "setup.ini";
    const std::string before = ";" + std::string(599, 'c') + "\nkeep\n;short\n";
    WriteFileBytes(path, before);
    WriteFileBytes(m_dir / "setup.bak", "older backup");
    CCommentStripper editor;
    EXPECT_TRUE(editor.Strip(CPathName(path)));
    EXPECT_EQ("keep\r\n", ReadFileBytes(path));
    EXPECT_EQ(before, ReadFileBytes(m_dir / "setup.bak"));
    EXPECT_EQ((std::set<std::string>{"setup.bak", "setup.ini"}), FilesIn(m_dir));
}

TEST_F(TextFileEditorTest, NothingNewLeavesTheFileUntouched)
{
    const std::string path = m_dir / "setup.ini";
    WriteFileBytes(path, "keep\n");
    CCommentStripper editor;
    EXPECT_FALSE(editor.Strip(CPathName(path)));
    EXPECT_EQ("keep\n", ReadFileBytes(path));
    EXPECT_EQ(std::set<std::string>{"setup.ini"}, FilesIn(m_dir));
}

TEST_F(TextFileEditorTest, EditorNeverRunLeavesNoScratchFile)
{
    const std::string path = m_dir / "setup.ini";
    WriteFileBytes(path, "keep\n");
    {
        CCommentStripper editor;
        editor.Open(CPathName(path));
    }
    EXPECT_EQ(std::set<std::string>{"setup.ini"}, FilesIn(m_dir));
}

} // namespace
