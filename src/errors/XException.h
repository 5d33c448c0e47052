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

struct XMessageEntry {
    int code;          // -1 matches every code
    unsigned titleId;  // 0: none
    unsigned textId;   // 0: none
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

#define PELTO_DECLARE_XEXCEPTION(Class)                                                      \
    class Class : public CXException {                                                        \
    public:                                                                                   \
        using CXException::CXException;                                                       \
        const char* GetRuntimeClassName() const noexcept override { return #Class; }          \
                                                                                              \
    protected:                                                                                \
        void LoadMessage() const override;                                                    \
    };

// Raised by the program itself.
PELTO_DECLARE_XEXCEPTION(CInstallProfileException)
PELTO_DECLARE_XEXCEPTION(CMultiFileException)
PELTO_DECLARE_XEXCEPTION(CZLibException)
// Stand for the framework's exceptions when they are reported.
PELTO_DECLARE_XEXCEPTION(CXMemoryException)
PELTO_DECLARE_XEXCEPTION(CXFileException)
PELTO_DECLARE_XEXCEPTION(CXArchiveException)
PELTO_DECLARE_XEXCEPTION(CXResourceException)
PELTO_DECLARE_XEXCEPTION(CXUserException)
PELTO_DECLARE_XEXCEPTION(CXNotSupportedException)

#undef PELTO_DECLARE_XEXCEPTION

// The family member standing for a framework exception that is not of the
// family: CXFileException and CXArchiveException carry its cause, any kind not
// known gives a CXException with code 1.
std::unique_ptr<CXException> MapException(const CException& e);
