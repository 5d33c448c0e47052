#pragma once
// A small framework for rewriting a text file line by line. The old file is
// read in text mode; for each line a derived class decides in ProcessLine
// whether it is copied, and may write new text in between; everything goes to
// a scratch file in the same directory. The scratch file takes the old file's
// place only when something new was written and nobody called Stop. A missing
// old file reads as empty. Creating the scratch file or reading and writing
// throw the framework's CFileException; the scratch file is then removed and
// the old file left as it was. An old file that reading in text mode cannot
// carry over whole (a NUL byte, or text after a Ctrl-Z) is never rewritten:
// Open answers FALSE and the edit is abandoned.
//
// Lines are read in pieces of at most 511 characters. A line longer than that
// is decided once, on its first piece; its other pieces follow that decision
// and are never shown to ProcessLine, so a piece that happens to begin with
// "[" is not taken for a line of its own.
#include "fw/File.h"
#include "system/PathName.h"

#include <memory>
#include <string>

class CTextFileEditor {
public:
    CTextFileEditor();
    CTextFileEditor(const CTextFileEditor&) = delete;
    CTextFileEditor& operator=(const CTextFileEditor&) = delete;
    // Closes the files; a scratch file that Run did not finish is removed.
    virtual ~CTextFileEditor();

    // Creates the scratch file beside path (a fresh random name with path's
    // extension) and opens path for reading. Returns whether path could be
    // read; a missing old file is not an error. Throws when the scratch file
    // cannot be created. Each Open starts a new edit.
    BOOL Open(const CPathName& path);
    // Reads, decides and writes every line, then commits or abandons the edit.
    // TRUE when the scratch file took the old file's place; FALSE also when
    // the editor was not opened.
    virtual BOOL Run();

protected:
    // TRUE to copy the current line (m_strLine) to the scratch file.
    virtual BOOL ProcessLine() = 0;
    // The next piece of a line into m_strLine, its line feed kept; FALSE at the
    // end of the file or when there is no old file.
    virtual BOOL ReadLine();
    virtual void WriteLine();
    // Writes new text and marks the edit as worth committing.
    virtual void WriteText(const std::string& text);
    virtual void Begin();
    virtual void End();
    // Where the old file goes at the commit; the base keeps no copy of it.
    virtual void MakeBackupName();

    void CopyRest() noexcept { m_bCopyRest = TRUE; }
    void Stop() noexcept { m_bStop = TRUE; }

    // The current piece completes its line: it ends in a line feed, or the
    // file ended before the piece was full.
    BOOL LineIsComplete() const noexcept;
    // The last piece read did not end in a line feed: the file's last line
    // has no line break.
    BOOL LastLineUnterminated() const noexcept { return m_bLineOpen; }

    CPathName m_path;
    CPathName m_tempPath;
    CPathName m_backupPath;
    std::unique_ptr<CStdioFile> m_pInput;
    std::unique_ptr<CStdioFile> m_pOutput;
    std::string m_strLine;
    BOOL m_bContinue = TRUE;
    BOOL m_bCopyRest = FALSE;
    BOOL m_bStop = FALSE;
    BOOL m_bModified = FALSE;

private:
    static constexpr unsigned kMaxPiece = 511;
    static BOOL EndsInLineFeed(const std::string& text) noexcept { return !text.empty() && text.back() == '\n'; }
    void CloseFiles();
    void Abandon() noexcept;
    BOOL Commit();

    // The last piece read did not end its line.
    BOOL m_bLineOpen = FALSE;
    // The current piece continues a line whose first piece was read before.
    BOOL m_bContinuesLine = FALSE;
};
