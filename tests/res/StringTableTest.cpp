// The string table as the program sees it: on Windows through the resources
// compiled from Pelto.rc, natively through the table compiled from Strings.inc.
#include "fw/Strings.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct QuotedString {
    unsigned id;
    const char* text;
};

// Every id the program uses; no other id may hold a text.
const std::vector<unsigned> kAllIds = {
    4,     5,     6,     7,     9,     10,    13,    14,    15,    17,    21,    22,
    23,    24,    25,    26,    27,    28,    29,    30,    31,    24576, 24577, 24578,
    24579, 24580, 24581, 24582, 24583, 24584, 24585, 24586, 24587, 24588, 24589, 24590,
    24591, 24592, 24593, 24594, 24595, 24596, 24597, 24598, 24599, 24600, 24601, 24602,
    24603, 24604, 24605, 24606, 24607, 24608, 24609, 24610, 24611, 27648, 27649, 27650,
    27651, 27652, 27653, 27654, 27655, 27656, 27657, 27658, 27659, 27660, 27661, 27662,
    57345, 57346,
};

// Texts whose oddities must survive: double blanks, line feeds alone, a
// carriage return before a colon, trailing blanks, misspellings, placeholders.
const QuotedString kTextsAsWritten[] = {
    {IDS_SETUP_TITLE, "Pelto Setup"},
    {IDS_CONFIRM_EXIT_SETUP, "Pelto  installation not complete. Do you really want to exit Setup?"},
    {IDS_SETUP_CANNOT_CONTINUE, "Setup cannot continue"},
    {IDS_CANNOT_INSTALL_FILES_FROM, "Cannot install files from '%s':"},
    {IDS_PROGRAM_FILE, "pelto.exe"},
    {IDS_RESTART_FAILED,
     "Windows could not shut down all running applications. \n\n Please close them manually, then try again."},
    {IDS_CREATE_FOLDER_QUESTION, "The destination folder: \n\n%s\ndoes not exist.  Do you want to create it?"},
    {IDS_INSERT_LABELLED_DISKETTE, "Please insert the diskette labelled '%s' in drive %s:"},
    {IDS_INSERT_DISKETTE, "Please insert diskette %d in drive %s:"},
    {IDS_PATH_EMPTY, "The path can not be empty.  Please enter a path."},
    {IDS_INVALID_LOCATION, "'%s' is not a valid location. Please enter a drive and a directory of at most 259 "
                           "characters, such as C:\\PELTO."},
    {IDS_STATUS_FAILED, "Install failed."},
    {13, "The profile that holds application install information is missing or damaged. Possible causes:\r\n\r\n"
         "- damaged diskette 1\r\n- possible diskette alignment or hardware problem\r\n- insufficient disk space"},
    {24576, "An unkown error occured."},
    {24593, "The path specfied for accessing a file is invalid. "},
    {24604, "There was a hardware error accessing your file system. Possible causes\r:\n- incompatible driver "
            "versions\n- power surge\r\n- hardware failure\r\n\r\nYou may want to shut down your computer and try "
            "again."},
    {24608, "A locking violation occured accessing a file. Possible causes:\r\n\r\n-- another application has "
            "loaded this file\n- another user on the network has loaded this file\r\n- SHARE.EXE is not loaded\r\n"
            "- A previous application didn't release this file"},
    {27656, "Archive file damaged (CRC Mismatch)"},
    {27659, "The archive file this application is extracting appears damaged . Possible causes:\r\n\r\n- file is "
            "damaged on install diskettes\r\n- diskette drive alignment or hardware error"},
};

const QuotedString kTableSource[] = {
#define PELTO_STRING(id, text) {id, text},
#include "res/Strings.inc"
#undef PELTO_STRING
};

TEST(StringTableTest, HoldsExactlyTheProgramsIds)
{
    std::vector<unsigned> found;
    std::string text;
    for (unsigned id = 0; id <= 0xFFFF; ++id)
        if (AfxLoadString(id, text))
            found.push_back(id);
    EXPECT_EQ(kAllIds, found);
}

TEST(StringTableTest, LoadsEveryEntryWithItsTextUnchanged)
{
    // Under Windows this checks what the resource compiler made of the escapes.
    std::vector<unsigned> sourceIds;
    for (const QuotedString& entry : kTableSource) {
        EXPECT_EQ(entry.text, AfxLoadString(entry.id)) << "id " << entry.id;
        sourceIds.push_back(entry.id);
    }
    EXPECT_EQ(kAllIds, sourceIds) << "Strings.inc must list the ids once each, in ascending order";
}

TEST(StringTableTest, KeepsTheTextsAsWritten)
{
    for (const QuotedString& entry : kTextsAsWritten)
        EXPECT_EQ(entry.text, AfxLoadString(entry.id)) << "id " << entry.id;
}

} // namespace
