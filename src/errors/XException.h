#pragma once
// The program's exception family. Each class carries one integer code and a
// message table from code to a title and an explanation in the string table;
// the error dialog shows the class name, the code, the title and the text.
// Framework exceptions are reported through the member of the family that
// MapException makes for them.
#include "fw/Exception.h"

#include <memory>
#include <string>

// Title and explanation of the exception being reported, filled by PrepareMessage.
extern std::string g_strErrorTitle;
extern std::string g_strErrorText;

// In a message table: the entry matches every code.
constexpr int kAnyCode = -1;

struct XMessageEntry {
    int code;          // or kAnyCode
    unsigned titleId;  // 0: none
    unsigned textId;   // 0: none
};

// The codes of the program's own exceptions; m_nCode holds their numbers,
// which the error dialog shows.
enum class InstallProfileCode {
    noDestinations = 0,          // section "destinations" absent or empty
    unresolvedDestinations = 1,  // the destinations cannot all be resolved
};
enum class MultiFileCode {
    unknownMethod = 1,       // unknown compression method
    notAnArchive = 2,        // no archive signature
    missingEntryHeader = 3,  // a member's entry header is missing
    corruptTable = 4,        // the archive's table is corrupt
    checksumMismatch = 5,    // a member's checksum does not match
};
enum class ZLibCode {
    otherError = 1,  // any other error of the compression library
    streamError = 2,
    dataError = 3,
    bufferError = 4,
};

class CXException : public CException {
public:
    CXException() noexcept = default;
    explicit CXException(int code) noexcept : m_nCode(code) {}
    const char* GetRuntimeClassName() const noexcept override { return "CXException"; }

    // Empties the two message strings and fills them for this exception.
    void PrepareMessage() const;

    int m_nCode = 0;

protected:
    virtual void LoadMessage() const;
    // Fills whichever of the two strings is still empty from the first entry
    // whose code matches.
    void FindMessage(const XMessageEntry* table, std::size_t count) const;
    template <std::size_t N>
    void FindMessage(const XMessageEntry (&table)[N]) const { FindMessage(table, N); }
    // This class's own table, then the generic one.
    template <std::size_t N>
    void FindOwnThenGeneric(const XMessageEntry (&table)[N]) const;
};

#define PELTO_DECLARE_XEXCEPTION(Class, Constructor)                                         \
    class Class : public CXException {                                                        \
    public:                                                                                   \
        Constructor                                                                           \
        const char* GetRuntimeClassName() const noexcept override { return #Class; }          \
                                                                                              \
    protected:                                                                                \
        void LoadMessage() const override;                                                    \
    };
// The program's own exceptions are made from their named code, the framework's
// stand-ins from a number (the framework's cause, or none).
#define PELTO_FROM_CODE(Class, Code) explicit Class(Code code) noexcept : CXException(static_cast<int>(code)) {}
#define PELTO_FROM_NUMBER using CXException::CXException;

// Raised by the program itself.
PELTO_DECLARE_XEXCEPTION(CInstallProfileException, PELTO_FROM_CODE(CInstallProfileException, InstallProfileCode))
PELTO_DECLARE_XEXCEPTION(CMultiFileException, PELTO_FROM_CODE(CMultiFileException, MultiFileCode))
PELTO_DECLARE_XEXCEPTION(CZLibException, PELTO_FROM_CODE(CZLibException, ZLibCode))
// Stand for the framework's exceptions when they are reported.
PELTO_DECLARE_XEXCEPTION(CXMemoryException, PELTO_FROM_NUMBER)
PELTO_DECLARE_XEXCEPTION(CXFileException, PELTO_FROM_NUMBER)
PELTO_DECLARE_XEXCEPTION(CXArchiveException, PELTO_FROM_NUMBER)
PELTO_DECLARE_XEXCEPTION(CXResourceException, PELTO_FROM_NUMBER)
PELTO_DECLARE_XEXCEPTION(CXUserException, PELTO_FROM_NUMBER)
PELTO_DECLARE_XEXCEPTION(CXNotSupportedException, PELTO_FROM_NUMBER)

#undef PELTO_FROM_NUMBER
#undef PELTO_FROM_CODE
#undef PELTO_DECLARE_XEXCEPTION

// The family member standing for a framework exception that is not of the
// family: CXFileException and CXArchiveException carry its cause, any kind not
// known gives a CXException with code 1.
std::unique_ptr<CXException> MapException(const CException& e);
