#pragma once
// The setup program's command line as a map from key to value. Tokens are
// separated by blanks (runs of blanks count as one; tabs are part of a token;
// there is no quoting). A token starting with the switch character is an
// option: '/D:C:\SETUP' has key "D" and value 'C:\SETUP' (the key ends at the
// first colon), '/UNINSTALL' without a colon has key "U" and value 'NINSTALL'.
// Other tokens are positional with keys '#0', '#1', ... A later token replaces
// an earlier one with the same key. Keys compare exactly, case included.
#include <map>
#include <string>

class CCommandLine {
public:
    // A null command line gives an empty map. Out of memory throws the
    // framework's memory exception.
    explicit CCommandLine(const char* commandLine, char switchChar = '/');

    bool Has(const std::string& key) const;
    // True and the value when the key is present. When it is absent the result
    // is false, and value becomes defaultValue if one is given (else stays).
    bool Get(const std::string& key, std::string& value, const char* defaultValue = nullptr) const;

    std::size_t GetCount() const noexcept { return m_values.size(); }

private:
    void AddToken(const std::string& token, char switchChar, int& positional);

    std::map<std::string, std::string> m_values;
};

// The options setup acts on. Option names are upper case; '/u' or '/b' are
// other keys and do nothing. Only the presence of B, I and U counts.
inline constexpr const char kOptionSourceDir[] = "D";        // '/D:dir' source directory
inline constexpr const char kOptionBatch[] = "B";            // unattended
inline constexpr const char kOptionIgnoreConditions[] = "I"; // go on despite unmet conditions
inline constexpr const char kOptionUninstall[] = "U";        // removal mode
inline constexpr const char kOptionQuiet[] = "Q";            // unattended, and no window ever waits
inline constexpr const char kOptionRunLog[] = "L";           // '/L:file' the run log

struct SetupOptions {
    std::string sourceDir;  // empty: the program's own directory
    bool batch = false;
    bool ignoreConditions = false;
    bool uninstall = false;
    // '/Q' implies '/B'.
    bool quiet = false;
    // '/L:file' was given; runLog is its path, which may be empty.
    bool hasRunLog = false;
    std::string runLog;
};

// What the command line asks of setup. A "D" option with an empty value
// ('/D:' or '/D') names no directory and leaves sourceDir empty. Like "B",
// "Q" counts by its presence alone; "L" takes its value as "D" does.
SetupOptions GetSetupOptions(const CCommandLine& commandLine);
