// What the error report is made of: the heading's expansion and its cut, and
// the family member that stands for the exception.
#include "errors/ErrorDialog.h"

#include <new>
#include <string>

#include <gtest/gtest.h>

namespace {

TEST(HeadingTest, PlaceholdersAreFilledByWvsprintfRules)
{
    EXPECT_EQ("Cannot install files from 'DATA.Z':", ExpandHeading(17, "DATA.Z"));
    EXPECT_EQ("Setup cannot continue", ExpandHeading(9));
}

TEST(HeadingTest, MissingStringGivesAnEmptyHeading)
{
    EXPECT_EQ("", ExpandHeading(4000, "DATA.Z"));
}

TEST(HeadingTest, ExpansionBeyondTheBufferIsCutSafely)
{
    // Longer than wvsprintfA ever writes (1024 bytes) and than the heading's 511.
    const std::string name(3000, 'n');
    const std::string heading = ExpandHeading(17, name.c_str());
    EXPECT_EQ(kMaxHeadingLength, heading.size());
    EXPECT_EQ("Cannot install files from 'nnn", heading.substr(0, 30));
    EXPECT_EQ("n...", heading.substr(heading.size() - 4));
}

TEST(HeadingTest, CutOnlyWhatIsTooLong)
{
    const std::string fits(kMaxHeadingLength, 'a');
    EXPECT_EQ(fits, CutHeading(fits));
    const std::string cut = CutHeading(fits + "b");
    EXPECT_EQ(kMaxHeadingLength, cut.size());
    EXPECT_EQ(std::string(kMaxHeadingLength - 3, 'a') + "...", cut);
}

std::unique_ptr<CXException> FailingMapper(const CException&)
{
    throw std::bad_alloc();
}

std::unique_ptr<CXException> EmptyMapper(const CException&)
{
    return nullptr;
}

TEST(ReportedExceptionTest, FamilyMemberReportsItself)
{
    const CZLibException e(2);
    std::unique_ptr<CXException> made;
    const CXMemoryException fallback;
    EXPECT_EQ(&e, &ReportedException(e, made, fallback));
    EXPECT_EQ(nullptr, made);
}

TEST(ReportedExceptionTest, FrameworkExceptionIsMappedWithItsCause)
{
    const CFileException e(CFileException::diskFull);
    std::unique_ptr<CXException> made;
    const CXMemoryException fallback;
    const CXException& reported = ReportedException(e, made, fallback);
    EXPECT_EQ(made.get(), &reported);
    EXPECT_STREQ("CXFileException", reported.GetRuntimeClassName());
    EXPECT_EQ(CFileException::diskFull, reported.m_nCode);
}

TEST(ReportedExceptionTest, MappingWithoutMemoryReportsTheLackOfMemory)
{
    const CFileException e(CFileException::diskFull);
    const CXMemoryException fallback;
    for (ExceptionMapper mapper : {FailingMapper, EmptyMapper}) {
        std::unique_ptr<CXException> made;
        const CXException& reported = ReportedException(e, made, fallback, mapper);
        EXPECT_EQ(&fallback, &reported);
        reported.PrepareMessage();
        EXPECT_EQ("Not enough memory available.", g_strErrorTitle);
    }
}

} // namespace
