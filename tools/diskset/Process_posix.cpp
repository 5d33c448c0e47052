#include "Process.h"

#include "IniFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Closes a descriptor it owns.
class CUniqueFd {
public:
    explicit CUniqueFd(int fd = -1) noexcept : m_fd(fd) {}
    CUniqueFd(const CUniqueFd&) = delete;
    CUniqueFd& operator=(const CUniqueFd&) = delete;
    ~CUniqueFd() { Reset(); }
    int Get() const noexcept { return m_fd; }
    void Reset(int fd = -1) noexcept
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

class CSpawnActions {
public:
    CSpawnActions() { ::posix_spawn_file_actions_init(&m_actions); }
    CSpawnActions(const CSpawnActions&) = delete;
    CSpawnActions& operator=(const CSpawnActions&) = delete;
    ~CSpawnActions() { ::posix_spawn_file_actions_destroy(&m_actions); }
    posix_spawn_file_actions_t* Get() noexcept { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

// This process's environment with the variables of `environment` in place of
// its own of the same names.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& environment)
{
    std::vector<std::string> variables;
    for (char** v = environ; *v; ++v) {
        const std::string variable = *v;
        bool replaced = false;
        for (const std::string& own : environment)
            replaced = replaced || variable.compare(0, own.find('=') + 1, own, 0, own.find('=') + 1) == 0;
        if (!replaced)
            variables.push_back(variable);
    }
    variables.insert(variables.end(), environment.begin(), environment.end());
    return variables;
}

} // namespace

bool ProgramOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    std::size_t from = 0;
    for (;;) {
        const std::size_t colon = folders.find(':', from);
        std::string folder = folders.substr(from, colon == std::string::npos ? std::string::npos : colon - from);
        if (folder.empty())
            folder = ".";
        const std::string candidate = folder + "/" + name;
        struct stat status;
        if (::stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return true;
        if (colon == std::string::npos)
            return false;
        from = colon + 1;
    }
}

int RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& environment,
               std::string& output)
{
    if (args.empty())
        throw CInputError("no program to run");
    const std::vector<std::string> variables = MergedEnvironment(environment);
    std::vector<char*> argv, envp;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& v : variables)
        envp.push_back(const_cast<char*>(v.c_str()));
    envp.push_back(nullptr);

    int fds[2];
    if (::pipe(fds) != 0)
        throw CInputError("cannot start " + args[0] + ": " + std::strerror(errno));
    CUniqueFd reading(fds[0]), writing(fds[1]);
    ::fcntl(reading.Get(), F_SETFD, FD_CLOEXEC);
    CSpawnActions actions;
    ::posix_spawn_file_actions_addopen(actions.Get(), 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(actions.Get(), writing.Get(), 1);
    ::posix_spawn_file_actions_adddup2(actions.Get(), writing.Get(), 2);
    ::posix_spawn_file_actions_addclose(actions.Get(), writing.Get());
    pid_t pid = 0;
    const int error = ::posix_spawnp(&pid, args[0].c_str(), actions.Get(), nullptr, argv.data(), envp.data());
    writing.Reset();
    if (error != 0)
        throw CInputError("cannot start " + args[0] + ": " + std::strerror(error));
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(reading.Get(), buffer, sizeof buffer);
        if (n > 0)
            output.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
