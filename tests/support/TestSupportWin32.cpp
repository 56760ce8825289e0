// Temporary folders and child processes on Windows.
#include "TestSupport.h"

#include "PlatformFilesWin32.h"
#include "WideText.h"

#include <windows.h>

#include <cstdlib>

#include <filesystem>
#include <stdexcept>
#include <system_error>

const char ExecutableSuffix[] = ".exe";

using PlatformFiles::LongPath;

namespace {

std::wstring Wide(const std::string &text)
{
    return WideText::FromUtf8(text);
}

// Quotes one argument the way the C runtime's command-line parser splits it.
std::wstring QuoteArgument(const std::wstring &argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    for (size_t i = 0;; ++i) {
        size_t backslashes = 0;
        while (i < argument.size() && argument[i] == L'\\') {
            ++i;
            ++backslashes;
        }
        if (i == argument.size()) {
            quoted.append(backslashes * 2, L'\\');
            break;
        }
        if (argument[i] == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        quoted.push_back(argument[i]);
    }
    quoted.push_back(L'"');
    return quoted;
}

HANDLE OpenInheritable(const std::wstring &path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                         disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

TempDir::TempDir()
{
    wchar_t base[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, base);
    if (length == 0 || length > MAX_PATH)
        throw std::runtime_error("GetTempPathW failed");
    static LONG counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring candidate = std::wstring(base) + L"test." +
                                       std::to_wstring(::GetCurrentProcessId()) + L"." +
                                       std::to_wstring(::InterlockedIncrement(&counter));
        if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
            m_path = WideText::ToUtf8(candidate);
            for (char &c : m_path)
                if (c == '\\')
                    c = '/';
            return;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    throw std::runtime_error("CreateDirectoryW failed");
}

TempDir::~TempDir()
{
    // Tests leave read-only files behind; the attribute would stop the removal.
    const std::filesystem::path root(Wide(m_path));
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        ::SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(root, error);
}

RunResult Run(const std::string &program, const std::vector<std::string> &args,
              const std::string &workingDir)
{
    TempDir io;
    const std::wstring outPath = Wide(io / "out"), errPath = Wide(io / "err");
    RunResult result;
    HANDLE in = OpenInheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE out = OpenInheritable(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = OpenInheritable(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    std::wstring commandLine = QuoteArgument(Wide(program));
    for (const std::string &argument : args)
        commandLine += L" " + QuoteArgument(Wide(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const std::wstring directory = Wide(workingDir);
    if (::CreateProcessW(Wide(program).c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                         nullptr, directory.empty() ? nullptr : directory.c_str(), &startup,
                         &process)) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (::GetExitCodeProcess(process.hProcess, &code))
            result.exitCode = static_cast<int>(code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    for (HANDLE handle : {in, out, err})
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
    result.out = ReadFile(io / "out");
    result.err = ReadFile(io / "err");
    return result;
}

bool RemoveFile(const std::string &path)
{
    return ::DeleteFileW(LongPath(path).c_str()) != 0;
}

void SetLastWrite(const std::string &path, uint64_t fileTime)
{
    const HANDLE file =
        ::CreateFileW(LongPath(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    FILETIME stamp;
    stamp.dwLowDateTime = static_cast<DWORD>(fileTime & 0xFFFFFFFFu);
    stamp.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
    ::SetFileTime(file, nullptr, &stamp, &stamp);
    ::CloseHandle(file);
}

std::string TempFolder()
{
    wchar_t base[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, base);
    if (length == 0 || length > MAX_PATH)
        throw std::runtime_error("GetTempPathW failed");
    std::string folder = WideText::ToUtf8(std::wstring(base, length));
    for (char &c : folder)
        if (c == '\\')
            c = '/';
    if (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

void SetEnv(const std::string &name, const std::string &value)
{
    // The C runtime's copy (getenv) and the process's own (GetEnvironmentVariableW) both.
    ::_wputenv_s(Wide(name).c_str(), Wide(value).c_str());
    ::SetEnvironmentVariableW(Wide(name).c_str(), Wide(value).c_str());
}

void UnsetEnv(const std::string &name)
{
    ::_wputenv_s(Wide(name).c_str(), L"");
    ::SetEnvironmentVariableW(Wide(name).c_str(), nullptr);
}
