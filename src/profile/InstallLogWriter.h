#pragma once
// The install log as the copy step writes it: its lines gathered in memory
// and the file replaced whole, in one rename, by a complete newer version.
//
// Written line by line through the profile API, every line would cost a read,
// parse and rewrite of the whole file (Wine does not trust its cache of a file
// changed within two seconds), so that a long installation paid with the
// square of its files, and a kill during a rewrite could leave the log cut.
// Here the file is read once (Open); the lines are merged into its sections
// in memory exactly as WritePrivateProfileStringA would merge them (a key of
// the same name, in any case, is replaced where it stands, a new key goes to
// the end of its section, a new section to the end of the file); and each
// version is written section by section with WritePrivateProfileSectionA into
// a scratch file beside the log, "~" and the log's name, which then replaces
// the log with MoveFileEx(MOVEFILE_REPLACE_EXISTING). After a kill at any
// moment the log is thus a whole file: the one before or a newer one.
//
// Until Close, every version also holds what removal needs of a run that
// never ends: lines reserved for files about to be put in place (Reserve) and
// the interim lines of the model (SetInterimLines). The version Close writes
// holds neither: it is what the lines written one by one would have made of
// the file, byte for byte.
//
// Failures of the profile API and of the rename are passed over, as a line
// that cannot be written is; a version that could not be written leaves the
// log as it was.
#include "profile/InstallLog.h"
#include "system/PathName.h"

#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class CInstallLogWriter final : public ILogLines {
public:
    explicit CInstallLogWriter(const CPathName& log);
    CInstallLogWriter(const CInstallLogWriter&) = delete;
    CInstallLogWriter& operator=(const CInstallLogWriter&) = delete;
    // Writes the final version when Close was not called.
    ~CInstallLogWriter();

    // Reads the log as it stands (none: empty) and removes a scratch file an
    // earlier run left. Until Open, lines are gathered for an empty file.
    void Open();
    // A line for good: in memory until the next version.
    BOOL WriteLine(const std::string& section, const std::string& key, const std::string& value) override;
    // The lines that reserve keys until their own lines are written: a line
    // given here stands in the interim versions for a key that has no line
    // of this run yet.
    ILogLines& Reservations() noexcept { return m_reservations; }
    // Called at every interim version to write lines that stand only until
    // Close (the model's sections of a run that is still copying).
    void SetInterimLines(std::function<void(ILogLines&)> write) { m_interim = std::move(write); }
    // The key has a line, written or reserved, in the file on disk since
    // this run opened it.
    bool IsInFile(const std::string& section, const std::string& key) const;
    // Writes an interim version now.
    BOOL Flush();
    // Writes the final version; later lines are gathered for another.
    BOOL Close();

    // The file the versions are written to before they replace the log.
    const CPathName& GetScratchPath() const noexcept { return m_scratchPath; }

private:
    struct CEntry {
        std::string key;
        std::string value;
    };
    struct CSection {
        std::string name;
        std::vector<CEntry> entries;
        std::unordered_map<std::string, std::size_t> index;  // by upper-case key
        // Set the key's line: replaced where it stands, or added at the end.
        void Set(const std::string& key, const std::string& value);
    };
    class CSectionList {
    public:
        CSection& Get(const std::string& name);
        const CSection* Find(const std::string& name) const;
        const std::vector<CSection>& All() const noexcept { return m_sections; }

    private:
        std::vector<CSection> m_sections;  // in file order
        std::unordered_map<std::string, std::size_t> m_index;  // by upper-case name
    };
    class CReservations final : public ILogLines {
    public:
        explicit CReservations(CInstallLogWriter& owner) noexcept : m_owner(owner) {}
        BOOL WriteLine(const std::string& section, const std::string& key, const std::string& value) override;

    private:
        CInstallLogWriter& m_owner;
    };
    class CInterimLines final : public ILogLines {
    public:
        explicit CInterimLines(CSectionList& sections) noexcept : m_sections(sections) {}
        BOOL WriteLine(const std::string& section, const std::string& key, const std::string& value) override;

    private:
        CSectionList& m_sections;
    };

    static std::string LineKey(const std::string& section, const std::string& key);
    BOOL WriteVersion(const CSectionList& sections);

    CPathName m_logPath;
    CPathName m_scratchPath;
    // What the file holds for good: as read, and this run's lines merged in.
    CSectionList m_sections;
    // Reserved lines, in the order given; dropped once their key is written.
    std::vector<std::pair<std::string, CEntry>> m_reserved;
    // Keys (LineKey) with a line of this run: written, and in the file.
    std::unordered_set<std::string> m_written;
    std::unordered_set<std::string> m_inFile;
    std::function<void(ILogLines&)> m_interim;
    CReservations m_reservations{*this};
    bool m_bExisted = false;  // the log was there when it was opened
    bool m_bChanged = false;  // lines, or an interim version, since the last final version
};
