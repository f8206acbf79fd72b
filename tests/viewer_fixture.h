/* Shared fixture of the viewer's window-level tests: a test host with its
 * MDI frame, tbview32.dll loaded and attached to the desktop, the viewer
 * opened the way the host opens it, and everything checked at the end: no
 * host block left, and (while counting) every GDI object and DC the library
 * took given back.
 *
 * Add viewer_fixture.cpp to the test executable's sources and link tbkit. */
#ifndef VIEWER_FIXTURE_H
#define VIEWER_FIXTURE_H

#include "tbkit.h"
#include "viewer.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vfix {

using namespace tbkit;

typedef LONG(WINAPI *ENTRYPROC)(HWND hwnd, LONG nCode, LONG lArg, LONG_PTR lArg2);

/* tbview32.dll, loaded once per process: its classes stay registered with the
 * host for the life of the process, as in a real host. */
HMODULE ViewerModule();
ENTRYPROC ViewerEntry();
/* An export of the viewer by name, or null */
FARPROC ViewerExport(const char *pszName);
/* A host string of the viewer's resources; "" when missing */
std::string HostString(UINT id);

/* A child's window rectangle in its parent's client coordinates. */
RECT ChildRect(HWND hwndChild);

/* Replaces one function that a module imports (by DLL and name) in that
 * module's import address table for the object's lifetime. */
class ImportPatch {
  public:
    ImportPatch(HMODULE hmod, const char *pszDll, const char *pszFunction, void *pfnReplacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch &) = delete;
    ImportPatch &operator=(const ImportPatch &) = delete;
    bool Ok() const { return ppfn_ != nullptr; }
    void *Original() const { return pfnOriginal_; }

  private:
    void **ppfn_ = nullptr;
    void *pfnOriginal_ = nullptr;
};

class ViewerTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    /* Overridable before SetUp runs them */
    virtual TestHostOptions HostOptions() { return TestHostOptions(); }
    /* Files the host's enumeration lists (TBCtlSetFileList); empty = the
     * working directory itself. */
    virtual std::vector<std::string> Files() { return {"ALPHA.DB", "BETA.QRY", "GAMMA.FRM", "NOTES.TXT"}; }

    /* Opens the viewer through the show-viewer callback of the application-
     * info record; fatal failure when no viewer appears. */
    void Open();
    /* Opens it through entry code 10; answers what the entry answered. */
    HWND OpenByName(const char *pszTool = "ProjectViewer", WORD wRow = 0, WORD wRefs = 0, LONG x = 10,
                    LONG y = 10, LONG cx = 400, LONG cy = 300);
    /* Destroys the viewer as the host does (WM_MDIDESTROY) and checks that
     * its file-system notification went with it. */
    void Close();

    /* Stops GDI counting (a test that wants its own ImportCounter). */
    void StopGdiCount() { gdi_.reset(); }
    ImportCounter *Gdi() { return gdi_ ? &*gdi_ : nullptr; }

    HWND Viewer() const { return viewer_; }
    FILEVIEWINFO *Info() const { return viewer_ ? (FILEVIEWINFO *)GetWindowLongPtrA(viewer_, 0) : nullptr; }
    HWND Combo() const { return Info() ? Info()->hwndCombo : nullptr; }
    HWND Edit() const; /* the directory box's edit field */
    HWND Browse() const { return Info() ? Info()->hwndBrowse : nullptr; }
    HWND TypeList() const { return Info() ? Info()->hwndTypeList : nullptr; }
    HWND FilePane() const { return Info() ? Info()->hwndFileList : nullptr; }
    /* A plain MDI child of the desktop beside the viewer (activated, in
     * front); destroyed with the host. */
    HWND OpenOtherChild();
    /* MDI children of the desktop (viewers and others) */
    std::vector<HWND> DesktopChildren() const;

    TestHost &Host() { return *host_; }
    HWND Desktop() const { return host_->Desktop(); }
    APPINFO *AppInfo() const { return host_->AppInfo(); }

    std::optional<LeakCheck> leaks_;
    std::optional<TestHost> host_;
    std::optional<ImportCounter> gdi_;
    HWND viewer_ = nullptr;
};

} // namespace vfix

#endif
