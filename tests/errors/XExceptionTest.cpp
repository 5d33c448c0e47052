#include "errors/XException.h"

#include <gtest/gtest.h>

namespace {

struct Report {
    std::string title, text;
};

Report Prepare(const CXException& e)
{
    e.PrepareMessage();
    return {g_strErrorTitle, g_strErrorText};
}

TEST(MessageTableTest, InstallProfileCodesShareOneMessage)
{
    for (InstallProfileCode code : {InstallProfileCode::noDestinations, InstallProfileCode::unresolvedDestinations}) {
        const Report r = Prepare(CInstallProfileException(code));
        EXPECT_EQ("Incomplete or missing profile.", r.title);
        EXPECT_EQ(0u, r.text.find("The profile that holds application install information is missing or damaged."));
        EXPECT_NE(std::string::npos, r.text.find("\r\n\r\n- damaged diskette 1\r\n"));
    }
}

TEST(MessageTableTest, FileCausesPickTheirOwnEntryOrTheGeneralOne)
{
    Report r = Prepare(CXFileException(CFileException::fileNotFound));
    EXPECT_EQ("File not found.", r.title);
    EXPECT_EQ(0u, r.text.find("A file required for this operation was not found."));
    r = Prepare(CXFileException(CFileException::invalidFile));
    EXPECT_EQ("Invalid file.", r.title);
    EXPECT_EQ("An error occurred with one of the files used in this operation.", r.text);
    r = Prepare(CXFileException(CFileException::generic));
    EXPECT_EQ("File Error.", r.title);
    EXPECT_EQ("An error occurred with one of the files used in this operation.", r.text);
    EXPECT_EQ("Disk full", Prepare(CXFileException(CFileException::diskFull)).title);
}

TEST(MessageTableTest, UnknownCodesFallBackToTheGenericTable)
{
    EXPECT_EQ("Unknown compression method.", Prepare(CMultiFileException(MultiFileCode::unknownMethod)).title);
    EXPECT_EQ("Archive file damaged (CRC Mismatch)", Prepare(CMultiFileException(MultiFileCode::checksumMismatch)).title);
    for (const Report& r : {Prepare(CMultiFileException(static_cast<MultiFileCode>(7))),
                            Prepare(CZLibException(static_cast<ZLibCode>(0))), Prepare(CXException(1))}) {
        EXPECT_EQ("An unkown error occured.", r.title);
        EXPECT_EQ(0u, r.text.find("The requested operation cannot be completed because an error occurred."));
    }
}

TEST(MessageTableTest, ZLibCodesShareOneExplanation)
{
    const Report stream = Prepare(CZLibException(ZLibCode::streamError));
    const Report data = Prepare(CZLibException(ZLibCode::dataError));
    const Report buffer = Prepare(CZLibException(ZLibCode::bufferError));
    EXPECT_EQ("Archive file damaged (stream error).", stream.title);
    EXPECT_EQ("Archive file damaged (data error).", data.title);
    EXPECT_EQ("Archive file damaged (buffer error).", buffer.title);
    EXPECT_EQ(stream.text, data.text);
    EXPECT_EQ(stream.text, buffer.text);
    EXPECT_EQ(0u, stream.text.find("The archive file this application is extracting appears damaged . "));
}

TEST(MapExceptionTest, EachFrameworkKindHasItsFamilyMember)
{
    EXPECT_STREQ("CXMemoryException", MapException(CMemoryException())->GetRuntimeClassName());
    EXPECT_STREQ("CXNotSupportedException", MapException(CNotSupportedException())->GetRuntimeClassName());
    EXPECT_STREQ("CXResourceException", MapException(CResourceException())->GetRuntimeClassName());
    EXPECT_STREQ("CXUserException", MapException(CUserException())->GetRuntimeClassName());

    const auto file = MapException(CFileException(CFileException::diskFull, 112, "A:\\DATA.Z"));
    EXPECT_STREQ("CXFileException", file->GetRuntimeClassName());
    EXPECT_EQ(13, file->m_nCode);
    const auto archive = MapException(CArchiveException(CArchiveException::endOfFile));
    EXPECT_EQ(CArchiveException::endOfFile, archive->m_nCode);

    struct COtherException : CException {
        const char* GetRuntimeClassName() const noexcept override { return "COtherException"; }
    };
    const auto other = MapException(COtherException());
    EXPECT_STREQ("CXException", other->GetRuntimeClassName());
    EXPECT_EQ(1, other->m_nCode);
    EXPECT_EQ("An unkown error occured.", Prepare(*other).title);
}

} // namespace
