#include "profile/IniFileWriter.h"

#include "fw/Strings.h"

#include <mbstring.h>

namespace {

constexpr const char* kWhiteSpace = " \t\r\n\v\f";

// Letter case ignored, double-byte characters kept whole.
BOOL SameText(const std::string& a, const std::string& b)
{
    return ::_mbsicmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                      reinterpret_cast<const unsigned char*>(b.c_str())) == 0;
}

std::string TrimLeft(const std::string& text)
{
    const auto first = text.find_first_not_of(kWhiteSpace);
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string TrimRight(const std::string& text)
{
    const auto last = text.find_last_not_of(kWhiteSpace);
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

} // namespace

CIniFileWriter::CIniFileWriter(const CPathName& path)
{
    m_path = path;
}

CIniFileWriter::~CIniFileWriter() = default;

BOOL CIniFileWriter::AddEntry(const char* section, const char* key, const char* value)
{
    m_strSection = section ? section : "";
    m_strKey = key ? key : "";
    m_strValue = value ? value : "";
    m_strNewLine = StringFormat("%s=%s\n", m_strKey.c_str(), m_strValue.c_str());
    m_strCurrentSection.clear();
    m_bEntryFound = FALSE;
    const CPathName path = m_path;
    // Read as empty, a file that exists but cannot be read would lose its lines.
    if (!Open(path) && path.Exists())
        Stop();
    const BOOL committed = Run();
    return committed || m_bEntryFound;
}

BOOL CIniFileWriter::IsSectionHeader(const std::string& line, std::string& name)
{
    const std::string trimmed = TrimRight(TrimLeft(line));
    if (trimmed.empty() || trimmed[0] != '[')
        return FALSE;
    // The last character is taken to be "]" without looking.
    name = trimmed.size() >= 2 ? trimmed.substr(1, trimmed.size() - 2) : std::string();
    return TRUE;
}

BOOL CIniFileWriter::SplitEntry(const std::string& line, std::string& key, std::string& value)
{
    const auto equals = line.find('=');
    if (equals == std::string::npos)
        return FALSE;
    key = TrimLeft(line.substr(0, equals));
    value = TrimRight(line.substr(equals + 1));
    return TRUE;
}

BOOL CIniFileWriter::ProcessLine()
{
    const BOOL inTarget = SameText(m_strCurrentSection, m_strSection);
    std::string name;
    if (IsSectionHeader(m_strLine, name)) {
        if (inTarget) {
            // The target section ends here: the entry goes before this header.
            WriteText(m_strNewLine);
            CopyRest();
        } else {
            m_strCurrentSection = name;
        }
    } else if (inTarget) {
        std::string lineKey, lineValue;
        // A value cut at the end of a piece is not the whole value.
        if (LineIsComplete() && SplitEntry(m_strLine, lineKey, lineValue) && SameText(lineKey, m_strKey) &&
            SameText(lineValue, m_strValue)) {
            m_bEntryFound = TRUE;
            Stop();
        }
    }
    return TRUE;
}

void CIniFileWriter::End()
{
    if (m_bCopyRest || m_bStop)
        return;
    // Otherwise the new text would be glued to the file's last line.
    if (LastLineUnterminated())
        WriteText("\n");
    if (!SameText(m_strCurrentSection, m_strSection))
        WriteText(StringFormat("[%s]\n", m_strSection.c_str()));
    WriteText(m_strNewLine);
}
