// Replaces one function that a module imports, in that module's import
// address table, for the object's lifetime: a test sees (and may change)
// exactly the calls the module under test makes.
#ifndef IMPORTHOOK_H
#define IMPORTHOOK_H

#include <windows.h>

class ImportHook {
  public:
    ImportHook(HMODULE hmod, const char *pszDll, const char *pszFunction, void *pfnReplacement)
    {
        ppfn_ = FindSlot(hmod, pszDll, pszFunction);
        if (ppfn_ != nullptr) {
            pfnOriginal_ = *ppfn_;
            Write(pfnReplacement);
        }
    }
    ~ImportHook()
    {
        if (ppfn_ != nullptr)
            Write(pfnOriginal_);
    }
    ImportHook(const ImportHook &) = delete;
    ImportHook &operator=(const ImportHook &) = delete;

    bool Ok() const { return ppfn_ != nullptr; }
    void *Original() const { return pfnOriginal_; }

  private:
    static void **FindSlot(HMODULE hmod, const char *pszDll, const char *pszFunction)
    {
        if (hmod == nullptr)
            return nullptr;
        BYTE *pBase = reinterpret_cast<BYTE *>(hmod);
        auto *pDos = reinterpret_cast<IMAGE_DOS_HEADER *>(pBase);
        auto *pNt = reinterpret_cast<IMAGE_NT_HEADERS *>(pBase + pDos->e_lfanew);
        const IMAGE_DATA_DIRECTORY &dir = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (dir.VirtualAddress == 0)
            return nullptr;
        for (auto *pDesc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(pBase + dir.VirtualAddress); pDesc->Name != 0;
             pDesc++) {
            if (lstrcmpiA(reinterpret_cast<const char *>(pBase + pDesc->Name), pszDll) != 0)
                continue;
            auto *pNames = reinterpret_cast<IMAGE_THUNK_DATA *>(pBase + pDesc->OriginalFirstThunk);
            auto *pSlots = reinterpret_cast<IMAGE_THUNK_DATA *>(pBase + pDesc->FirstThunk);
            for (; pNames->u1.AddressOfData != 0; pNames++, pSlots++) {
                if (IMAGE_SNAP_BY_ORDINAL(pNames->u1.Ordinal))
                    continue;
                auto *pByName = reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(pBase + pNames->u1.AddressOfData);
                if (lstrcmpA(reinterpret_cast<const char *>(pByName->Name), pszFunction) == 0)
                    return reinterpret_cast<void **>(&pSlots->u1.Function);
            }
        }
        return nullptr;
    }

    void Write(void *pfn)
    {
        DWORD dwOld;
        VirtualProtect(ppfn_, sizeof(void *), PAGE_READWRITE, &dwOld);
        *ppfn_ = pfn;
        VirtualProtect(ppfn_, sizeof(void *), dwOld, &dwOld);
    }

    void **ppfn_ = nullptr;
    void *pfnOriginal_ = nullptr;
};

#endif
