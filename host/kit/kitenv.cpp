/* Compiled into every test executable that links tbkit: with
 * TB_GUARD_PAGES=1 the whole process runs with the allocator's guard pages,
 * and any access violation fails the running test. */
#include "tbkit.h"

namespace {

class GuardPageEnvironment : public ::testing::Environment {
  public:
    void SetUp() override
    {
        if (!tbkit::GuardPagesRequested())
            return;
        TBCtlSetGuardPages(TRUE);
        pTrap_ = new tbkit::FaultTrap(true);
    }
    void TearDown() override
    {
        delete pTrap_;
        pTrap_ = nullptr;
    }

  private:
    tbkit::FaultTrap *pTrap_ = nullptr;
};

const ::testing::Environment *const g_pGuardPageEnvironment =
    ::testing::AddGlobalTestEnvironment(new GuardPageEnvironment);

} // namespace
