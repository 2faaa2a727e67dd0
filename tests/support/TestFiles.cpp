#include "TestFiles.h"

#include "AfxModuleFolder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

std::string ExeFolder()
{
    CString strFolder;
    AfxGetModuleFolder(strFolder);
    return static_cast<const char*>(strFolder);
}

void MakeFolder(const std::string& path)
{
    for (size_t pos = path.find('\\', 3); pos != std::string::npos; pos = path.find('\\', pos + 1))
        CreateDirectoryA(path.substr(0, pos).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

static HANDLE CreateForWriting(const std::string& path)
{
    const size_t slash = path.rfind('\\');
    if (slash != std::string::npos && slash > 2)
        MakeFolder(path.substr(0, slash));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE hFile = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + path);
    return hFile;
}

// Writes all of bytes to a file just created and closes it.
static void WriteAllAndClose(HANDLE hFile, const std::string& path, const std::string& bytes)
{
    DWORD nWritten = 0;
    const BOOL bOk =
        bytes.empty() || WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &nWritten, nullptr);
    CloseHandle(hFile);
    if (!bOk || nWritten != bytes.size())
        throw std::runtime_error("cannot write " + path);
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    WriteAllAndClose(CreateForWriting(path), path, bytes);
}

void WriteFileOfSize(const std::string& path, unsigned long long nSize)
{
    HANDLE hFile = CreateForWriting(path);
    std::vector<char> chunk(64 * 1024, 'f');
    unsigned long long nLeft = nSize;
    bool bOk = true;
    while (bOk && nLeft) {
        const DWORD nPart = static_cast<DWORD>(nLeft < chunk.size() ? nLeft : chunk.size());
        DWORD nWritten = 0;
        bOk = WriteFile(hFile, chunk.data(), nPart, &nWritten, nullptr) && nWritten == nPart;
        nLeft -= nPart;
    }
    CloseHandle(hFile);
    if (!bOk)
        throw std::runtime_error("cannot fill " + path);
}

std::string ReadFileBytes(const std::string& path)
{
    HANDLE hFile = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char chunk[4096];
    DWORD nRead = 0;
    while (ReadFile(hFile, chunk, sizeof chunk, &nRead, nullptr) && nRead)
        bytes.append(chunk, nRead);
    CloseHandle(hFile);
    return bytes;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<std::string> names;
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '\\')
        pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA data;
    HANDLE hFind = FindFirstFileA(pattern.c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(hFind, &data));
    FindClose(hFind);
    return names;
}

std::map<std::string, std::string> ReadFolderFiles(const std::string& folder)
{
    std::string root = folder;
    if (!root.empty() && root.back() != '\\')
        root += '\\';
    std::map<std::string, std::string> files;
    for (const std::string& name : ListFolder(root)) {
        const DWORD attributes = GetFileAttributesA((root + name).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            files[name] = ReadFileBytes(root + name);
    }
    return files;
}

void EmptyFolder(const std::string& path)
{
    std::string folder = path;
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    for (const std::string& name : ListFolder(folder))
        RemovePath(folder + name);
}

unsigned long long FreeBytes(const std::string& root)
{
    ULARGE_INTEGER freeBytes = {};
    EXPECT_TRUE(GetDiskFreeSpaceExA(root.c_str(), &freeBytes, nullptr, nullptr));
    return freeBytes.QuadPart;
}

void RemovePath(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        EmptyFolder(path);
        RemoveDirectoryA(path.c_str());
    } else {
        DeleteFileA(path.c_str());
    }
}

// The \\?\ form of a full path in the ANSI code page.
static std::wstring LongPathOf(const std::string& path)
{
    const int nChars = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(nChars > 0 ? nChars : 0), L'\0');
    if (nChars > 0)
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), &wide[0], nChars);
    return L"\\\\?\\" + wide;
}

void MakeLongPathFolder(const std::string& path)
{
    if (!CreateDirectoryW(LongPathOf(path).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        throw std::runtime_error("cannot make " + path);
}

void WriteLongPathFile(const std::string& path, const std::string& bytes)
{
    HANDLE hFile = CreateFileW(LongPathOf(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + path);
    WriteAllAndClose(hFile, path, bytes);
}

void RemoveLongPath(const std::string& path)
{
    const std::wstring wide = LongPathOf(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(wide.c_str());
        return;
    }
    std::vector<std::string> names;
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW((wide + L"\\*").c_str(), &data);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            // Files go by their wide names, which the code page may lack.
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                SetFileAttributesW((wide + L"\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW((wide + L"\\" + name).c_str());
            } else if (name != L"." && name != L"..") {
                const int nBytes = WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, nullptr, 0, nullptr, nullptr);
                std::string narrow(static_cast<size_t>(nBytes > 0 ? nBytes : 1), '\0');
                WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, &narrow[0], nBytes, nullptr, nullptr);
                narrow.resize(narrow.size() - 1);
                names.push_back(narrow);
            }
        } while (FindNextFileW(hFind, &data));
        FindClose(hFind);
    }
    for (const std::string& name : names)
        RemoveLongPath(path + "\\" + name);
    RemoveDirectoryW(wide.c_str());
}

bool WriteSparseFile(const std::string& path, unsigned long long nSize)
{
    HANDLE hFile = CreateForWriting(path);
    DWORD nReturned = 0;
    DeviceIoControl(hFile, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &nReturned, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(nSize);
    const BOOL bSized = SetFilePointerEx(hFile, end, nullptr, FILE_BEGIN) && SetEndOfFile(hFile);
    CloseHandle(hFile);
    return bSized != FALSE;
}

std::string UnixDrivePath(char chLetter, const std::string& name)
{
    const char* pszDrives = getenv("PELKIN_DRIVES");
    return std::string(pszDrives ? pszDrives : "") + "/" + static_cast<char>(chLetter | 0x20) + "/" + name;
}

// Present: listed, or answering an exact look-up otherwise than "not
// found" (a broken link is not listed).
static bool IsEntryPresent(const std::string& path)
{
    WIN32_FIND_DATAA found = {};
    const HANDLE hFind = FindFirstFileA(path.c_str(), &found);
    if (hFind != INVALID_HANDLE_VALUE)
        FindClose(hFind);
    const DWORD dwError = GetLastError();
    return hFind != INVALID_HANDLE_VALUE || (dwError != ERROR_FILE_NOT_FOUND && dwError != ERROR_PATH_NOT_FOUND);
}

bool RunUnixShell(const std::string& command, const std::string& entry, bool bPresent)
{
    std::string commandLine = "/bin/sh -c \"" + command + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    for (int nTry = 0; nTry < 100 && IsEntryPresent(entry) != bPresent; ++nTry)
        Sleep(50);
    return IsEntryPresent(entry) == bPresent;
}
