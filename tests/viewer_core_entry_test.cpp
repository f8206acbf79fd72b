// The viewer's add-in entry: attach, status word, opening the one viewer of a
// desktop by callback or by name, and the references-only setting.
#include "viewer_fixture.h"

using namespace vfix;

TEST_F(ViewerTest, SmokeOpenClose)
{
    Open();
    EXPECT_TRUE(IsWindow(Combo()));
}
