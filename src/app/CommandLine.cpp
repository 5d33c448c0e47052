#include "app/CommandLine.h"

#include "fw/Exception.h"

#include <new>

CCommandLine::CCommandLine(const char* commandLine, char switchChar)
{
    if (!commandLine)
        return;
    try {
        // Only the blank separates tokens, as the C run-time tokenizer is
        // called with " ": a tab stays inside its token.
        const std::string text(commandLine);
        int positional = 0;
        std::string::size_type pos = 0;
        for (;;) {
            pos = text.find_first_not_of(' ', pos);
            if (pos == std::string::npos)
                break;
            std::string::size_type end = text.find(' ', pos);
            if (end == std::string::npos)
                end = text.size();
            AddToken(text.substr(pos, end - pos), switchChar, positional);
            pos = end;
        }
    } catch (const std::bad_alloc&) {
        AfxThrowMemoryException();
    }
}

void CCommandLine::AddToken(const std::string& token, char switchChar, int& positional)
{
    if (token[0] != switchChar) {
        m_values["#" + std::to_string(positional++)] = token;
        return;
    }
    if (token.size() == 1)
        return;
    const std::string::size_type colon = token.find(':');
    if (colon != std::string::npos)
        m_values[token.substr(1, colon - 1)] = token.substr(colon + 1);
    else
        m_values[token.substr(1, 1)] = token.substr(2);
}

bool CCommandLine::Has(const std::string& key) const
{
    return m_values.find(key) != m_values.end();
}

bool CCommandLine::Get(const std::string& key, std::string& value, const char* defaultValue) const
{
    const auto it = m_values.find(key);
    if (it != m_values.end()) {
        value = it->second;
        return true;
    }
    if (defaultValue)
        value = defaultValue;
    return false;
}

SetupOptions GetSetupOptions(const CCommandLine& commandLine)
{
    SetupOptions options;
    commandLine.Get(kOptionSourceDir, options.sourceDir);
    options.quiet = commandLine.Has(kOptionQuiet);
    options.batch = commandLine.Has(kOptionBatch) || options.quiet;
    options.hasRunLog = commandLine.Get(kOptionRunLog, options.runLog);
    options.ignoreConditions = commandLine.Has(kOptionIgnoreConditions);
    options.uninstall = commandLine.Has(kOptionUninstall);
    return options;
}
