/* Registry and file-system sandboxes. */
#include "tbkit.h"

#include <stdio.h>

namespace tbkit {

namespace {

const char kSandboxRoot[] = "Software\\TBTest";

LONG NextSerial()
{
    static LONG n;
    return ++n;
}

bool RemoveTree(const std::string &dir)
{
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = dir + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(hFind, &fd));
        FindClose(hFind);
    }
    return RemoveDirectoryA(dir.c_str()) != 0;
}

} // namespace

RegistrySandbox::RegistrySandbox()
{
    char sz[96];
    snprintf(sz, sizeof(sz), "%s\\%lu-%ld", kSandboxRoot, GetCurrentProcessId(), NextSerial());
    path_ = sz;
    /* Start from a clean key: a crashed earlier run may have left one. */
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hkey_,
                        nullptr) != ERROR_SUCCESS) {
        hkey_ = nullptr;
        return;
    }
    fOverridden_ = RegOverridePredefKey(HKEY_CURRENT_USER, hkey_) == ERROR_SUCCESS;
}

RegistrySandbox::~RegistrySandbox()
{
    if (fOverridden_)
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (hkey_)
        RegCloseKey(hkey_);
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, kSandboxRoot); /* fails while other sandboxes live */
}

TempDir::TempDir()
{
    char szTemp[MAX_PATH];
    DWORD cch = GetTempPathA(sizeof(szTemp), szTemp);
    if (cch == 0 || cch >= sizeof(szTemp))
        return;
    for (int attempt = 0; attempt < 100; attempt++) {
        char sz[MAX_PATH];
        snprintf(sz, sizeof(sz), "%stbkit-%lu-%ld", szTemp, GetCurrentProcessId(), NextSerial());
        if (CreateDirectoryA(sz, nullptr)) {
            path_ = sz;
            return;
        }
    }
}

TempDir::~TempDir()
{
    if (!path_.empty())
        RemoveTree(path_);
}

bool TempDir::AddFile(const std::string &name, const std::string &contents) const
{
    HANDLE h = CreateFileA(PathOf(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD cbWritten = 0;
    BOOL fOk = contents.empty() ||
               WriteFile(h, contents.data(), static_cast<DWORD>(contents.size()), &cbWritten, nullptr);
    CloseHandle(h);
    return fOk && cbWritten == contents.size();
}

bool TempDir::AddDir(const std::string &name) const { return CreateDirectoryA(PathOf(name).c_str(), nullptr) != 0; }

} // namespace tbkit
