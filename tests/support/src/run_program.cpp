#include <geartest/run_program.hpp>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#ifdef _WIN32
#include <gearplat/windows.hpp>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;
#endif

namespace geartest {

namespace {

std::string readAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

#ifdef _WIN32
std::wstring wide(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).wstring();
}

// One argument as the C runtime's command-line parser reads it back:
// quotes around it, backslashes doubled only before a quote.
std::wstring quoted(const std::wstring& arg)
{
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') backslashes = backslashes * 2 + 1;
        out.append(backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

int start(const std::string& program, const std::vector<std::string>& args, const std::filesystem::path& out,
          const std::filesystem::path& err, std::chrono::seconds timeout)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE files[2] = {};
    const std::filesystem::path* paths[2] = {&out, &err};
    for (int i = 0; i < 2; ++i)
        files[i] = ::CreateFileW(paths[i]->wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE input = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                 nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = files[0];
    startup.hStdError = files[1];
    const std::wstring application = wide(program);
    std::wstring line = quoted(application);
    for (const std::string& a : args) line += L" " + quoted(wide(a));
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                          nullptr, &startup, &process);
    for (HANDLE h : {files[0], files[1], input})
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    if (!started) throw std::runtime_error("cannot start " + program);
    DWORD code = 0;
    const auto wait = static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(timeout).count());
    if (::WaitForSingleObject(process.hProcess, wait) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.hProcess, 1);
        ::WaitForSingleObject(process.hProcess, INFINITE);
        code = static_cast<DWORD>(-1);
    } else {
        ::GetExitCodeProcess(process.hProcess, &code);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(code);
}
#else
int start(const std::string& program, const std::vector<std::string>& args, const std::filesystem::path& out,
          const std::filesystem::path& err, std::chrono::seconds timeout)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + program);
    int wstatus = 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (::waitpid(pid, &wstatus, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &wstatus, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
}
#endif

} // namespace

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::filesystem::path& scratch, const std::filesystem::path& stdout_path,
                      std::chrono::seconds timeout)
{
    const std::filesystem::path out = stdout_path.empty() ? scratch / "out" : stdout_path, err = scratch / "err";
    ProgramRun run;
    run.status = start(program, args, out, err, timeout);
    if (stdout_path.empty()) run.out = readAll(out);
    run.err = readAll(err);
    return run;
}

} // namespace geartest
