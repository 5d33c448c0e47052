#include "profile/TextFileEditor.h"

#include "fw/Handle.h"

#include <windows.h>

namespace {

// Reading in text mode ends at the first Ctrl-Z, and a line is taken only up
// to a NUL byte: a file holding a NUL, or anything but blanks after a Ctrl-Z,
// cannot be carried over whole. TRUE for such a file.
BOOL HoldsBytesTextModeLoses(const CPathName& path)
{
    const CFileHandle file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return FALSE;
    BOOL loses = FALSE;
    bool afterControlZ = false;
    char buffer[4096];
    DWORD got = 0;
    while (!loses && ::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        for (DWORD i = 0; i < got && !loses; ++i) {
            const char c = buffer[i];
            if (c == '\x1a')
                afterControlZ = true;
            else if (c == '\0' || (afterControlZ && c != ' ' && c != '\t' && c != '\r' && c != '\n'))
                loses = TRUE;
        }
    }
    return loses;
}

} // namespace

CTextFileEditor::CTextFileEditor() = default;

CTextFileEditor::~CTextFileEditor()
{
    Abandon();
}

BOOL CTextFileEditor::Open(const CPathName& path)
{
    Abandon();
    m_bContinue = TRUE;
    m_bCopyRest = m_bStop = m_bModified = FALSE;
    m_bLineOpen = m_bContinuesLine = FALSE;
    m_path = path;
    m_tempPath = path;
    // Without a free name the scratch path would name an existing file.
    if (!m_tempPath.MakeUniqueName(TRUE, 1000))
        AfxThrowFileException(CFileException::generic, -1, m_tempPath.GetPath());
    auto output = std::make_unique<CStdioFile>();
    CFileException error;
    if (!output->Open(m_tempPath, CFile::modeCreate | CFile::modeWrite | CFile::typeText, &error))
        throw error;
    m_pOutput = std::move(output);
    m_pInput = std::make_unique<CStdioFile>();
    if (!m_pInput->Open(m_path, CFile::modeRead | CFile::shareDenyWrite | CFile::typeText))
        return FALSE;
    // Rewritten, such a file would lose the text past the byte: the edit is
    // abandoned and the file stays as it is.
    if (HoldsBytesTextModeLoses(m_path)) {
        m_pInput.reset();
        Stop();
        return FALSE;
    }
    return TRUE;
}

BOOL CTextFileEditor::Run()
{
    if (!m_pOutput)
        return FALSE;  // not opened
    try {
        Begin();
        BOOL copyLine = TRUE;
        while (m_bContinue && ReadLine()) {
            BOOL copy;
            if (m_bCopyRest)
                copy = TRUE;
            else if (m_bContinuesLine)
                copy = copyLine;
            else
                copy = copyLine = ProcessLine();
            if (copy)
                WriteLine();
            if (m_bStop || !m_bContinue)
                break;
        }
        End();
        CloseFiles();
    } catch (...) {
        Abandon();
        throw;
    }
    if (!m_bModified || m_bStop) {
        m_tempPath.Delete(TRUE);
        return FALSE;
    }
    return Commit();
}

BOOL CTextFileEditor::ReadLine()
{
    if (!m_pInput || !m_pInput->IsOpen())
        return FALSE;
    m_bContinuesLine = m_bLineOpen;
    if (!m_pInput->ReadString(m_strLine, kMaxPiece))
        return FALSE;
    m_bLineOpen = !EndsInLineFeed(m_strLine);
    return TRUE;
}

void CTextFileEditor::WriteLine()
{
    m_pOutput->WriteString(m_strLine);
}

void CTextFileEditor::WriteText(const std::string& text)
{
    m_pOutput->WriteString(text);
    m_bModified = TRUE;
}

void CTextFileEditor::Begin()
{
}

void CTextFileEditor::End()
{
}

void CTextFileEditor::MakeBackupName()
{
    m_backupPath = m_path;
}

BOOL CTextFileEditor::LineIsComplete() const noexcept
{
    return EndsInLineFeed(m_strLine) || m_strLine.size() < kMaxPiece;
}

void CTextFileEditor::CloseFiles()
{
    if (m_pInput && m_pInput->IsOpen())
        m_pInput->Abort();  // only read: nothing to lose
    m_pInput.reset();
    // Closing flushes the scratch file; a failure here must not be committed.
    if (m_pOutput)
        m_pOutput->Close();
    m_pOutput.reset();
}

void CTextFileEditor::Abandon() noexcept
{
    m_pInput.reset();
    if (m_pOutput) {
        m_pOutput.reset();
        m_tempPath.Delete(TRUE);
    }
}

// The old file is moved aside, not deleted, until the scratch file has taken
// its name, so a failed rename can put it back: the file is never lost.
BOOL CTextFileEditor::Commit()
{
    const BOOL backupWasSet = !m_backupPath.IsEmpty();
    if (!backupWasSet)
        MakeBackupName();
    const BOOL keepBackup = !backupWasSet && ::lstrcmpiA(m_backupPath, m_path) != 0;
    CPathName aside = m_path;
    if (keepBackup) {
        aside = m_backupPath;
        aside.Delete(TRUE);
    } else if (!aside.MakeUniqueName(TRUE, 1000)) {
        m_tempPath.Delete(TRUE);
        return FALSE;
    }
    const DWORD attributes = ::GetFileAttributesA(m_path);
    const BOOL hadOldFile = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (hadOldFile && !m_path.Rename(aside)) {
        m_tempPath.Delete(TRUE);
        return FALSE;
    }
    if (!m_tempPath.Rename(m_path)) {
        if (hadOldFile)
            aside.Rename(m_path);
        m_tempPath.Delete(TRUE);
        return FALSE;
    }
    if (hadOldFile && !keepBackup)
        aside.Delete(TRUE);
    return TRUE;
}
