// Shared fixture of the custom menu tests: tbmenu32 loaded by name, a real
// host, HKEY_CURRENT_USER redirected, and helpers that write menu values and
// read the popups the add-in answers.
#ifndef CUSTMENU_FIXTURE_H
#define CUSTMENU_FIXTURE_H

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "custmenu.h"
#include "menuentry.h"
#include "tbkit.h"

namespace custmenutest {

typedef LRESULT(WINAPI *ONDRELENTRYPROC)(HWND, LONG, LPARAM, LPARAM);

template <class PROC> PROC GetProc(HMODULE hmod, LPCSTR pszName)
{
    return reinterpret_cast<PROC>(reinterpret_cast<void *>(GetProcAddress(hmod, pszName)));
}

// The nine menus: registry subkey name and request code, in table order.
struct MenuName {
    const char *pszName;
    LONG nCode;
};
inline const MenuName kMenus[CUSTMENU_COUNT] = {
    {"New", 6},          {"Open", 9},        {"Utilities", 11}, {"MultiUser", 12}, {"SysSettings", 13},
    {"File", 15},        {"Properties", 16}, {"Tools", 17},     {"Help", 18},
};
inline LONG CodeOf(const char *pszMenu)
{
    for (const MenuName &m : kMenus)
        if (lstrcmpiA(m.pszName, pszMenu) == 0)
            return m.nCode;
    return -1;
}

// One entry of a popup as the host sees it.
struct PopupItem {
    bool fSeparator;
    std::string text;
    UINT id;
};

inline std::string BinDir()
{
    char sz[MAX_PATH];
    DWORD cch = GetModuleFileNameA(nullptr, sz, MAX_PATH);
    std::string s(sz, cch);
    return s.substr(0, s.find_last_of('\\'));
}

// Keeps the entry fixture loaded so its record outlives the add-in's load/free pair.
class EntryLibrary {
  public:
    EntryLibrary()
    {
        hmod_ = LoadLibraryA("tbmenuentry.dll");
        pfnGet_ = GetProc<GETMENUENTRYRECORDPROC>(hmod_, "GetMenuEntryRecord");
        RESETMENUENTRYRECORDPROC pfnReset = GetProc<RESETMENUENTRYRECORDPROC>(hmod_, "ResetMenuEntryRecord");
        if (pfnReset != nullptr)
            pfnReset();
    }
    ~EntryLibrary() { FreeLibrary(hmod_); }
    bool Ok() const { return pfnGet_ != nullptr; }
    MENUENTRYRECORD Record() const
    {
        MENUENTRYRECORD r{};
        pfnGet_(&r);
        return r;
    }

  private:
    HMODULE hmod_;
    GETMENUENTRYRECORDPROC pfnGet_;
};

class CustMenuTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(sandbox_.Ok());
        ASSERT_TRUE(host_.Ok());
        hmod_ = LoadLibraryA("tbmenu32.dll");
        ASSERT_NE(hmod_, nullptr);
        pfnEntry_ = GetProc<ONDRELENTRYPROC>(hmod_, "OndrelEntry");
        ASSERT_NE(pfnEntry_, nullptr);
        TBCtlResetAnswers();
    }
    void TearDown() override
    {
        if (pfnEntry_ != nullptr)
            pfnEntry_(Hwnd(), TBENTRY_DETACH, 0, 0);
        if (hmod_ != nullptr)
            FreeLibrary(hmod_);
    }

    HWND Hwnd() const { return host_.Frame(); }
    LRESULT Entry(LONG nCode, LPARAM lArg = 0) { return pfnEntry_(Hwnd(), nCode, lArg, 0); }
    LRESULT Attach() { return Entry(TBENTRY_ATTACH); }
    void Detach() { Entry(TBENTRY_DETACH); }
    // The add-in's record on the host window; read only where nothing else shows it.
    CUSTMENUINFO *Info() const { return reinterpret_cast<CUSTMENUINFO *>(GetPropA(Hwnd(), CUSTMENU_PROP)); }

  public:
    // Registry helpers: write under the redirected HKEY_CURRENT_USER.
    static std::string MenuKeyPath(const char *pszMenu)
    {
        std::string path = CUSTMENU_ROOTKEY;
        if (pszMenu != nullptr)
            path += std::string("\\") + pszMenu;
        return path;
    }
    static void CreateMenuKey(const char *pszMenu)
    {
        HKEY hkey;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, MenuKeyPath(pszMenu).c_str(), &hkey), ERROR_SUCCESS);
        RegCloseKey(hkey);
    }
    static void AddRawValue(const char *pszMenu, const std::string &name, DWORD dwType, const void *pData, DWORD cb)
    {
        HKEY hkey;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, MenuKeyPath(pszMenu).c_str(), &hkey), ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExA(hkey, name.c_str(), 0, dwType, static_cast<const BYTE *>(pData), cb),
                  ERROR_SUCCESS);
        RegCloseKey(hkey);
    }
    static void AddValue(const char *pszMenu, const std::string &name, const std::string &command)
    {
        AddRawValue(pszMenu, name, REG_SZ, command.c_str(), static_cast<DWORD>(command.size() + 1));
    }

  protected:
    // The popup the add-in answers for a menu request, read and destroyed.
    std::vector<PopupItem> Popup(LONG nCode)
    {
        std::vector<PopupItem> items;
        HMENU hmenu = reinterpret_cast<HMENU>(Entry(nCode, 0));
        if (hmenu == nullptr)
            return items;
        EXPECT_TRUE(IsMenu(hmenu));
        int n = GetMenuItemCount(hmenu);
        for (int i = 0; i < n; i++) {
            PopupItem item{};
            item.fSeparator = (GetMenuState(hmenu, i, MF_BYPOSITION) & MF_SEPARATOR) != 0;
            char sz[300] = "";
            GetMenuStringA(hmenu, i, sz, sizeof sz, MF_BYPOSITION);
            item.text = sz;
            item.id = GetMenuItemID(hmenu, i);
            items.push_back(item);
        }
        DestroyMenu(hmenu); // popups are the host's
        return items;
    }
    std::vector<std::string> PopupTexts(LONG nCode)
    {
        std::vector<std::string> texts;
        for (const PopupItem &item : Popup(nCode))
            texts.push_back(item.fSeparator ? std::string("---") : item.text);
        return texts;
    }
    // The command id of the item with that label, 0 when there is none.
    UINT IdOf(LONG nCode, const std::string &label)
    {
        for (const PopupItem &item : Popup(nCode))
            if (!item.fSeparator && item.text == label)
                return item.id;
        return 0;
    }

    tbkit::RegistrySandbox sandbox_;
    tbkit::TempDir dir_;
    tbkit::TestHost host_{tbkit::TestHostOptions{dir_.Path()}};
    HMODULE hmod_ = nullptr;
    ONDRELENTRYPROC pfnEntry_ = nullptr;
};

} // namespace custmenutest

#endif
