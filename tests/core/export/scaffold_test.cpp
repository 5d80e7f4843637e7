#include <gtest/gtest.h>

#include "core/export/scaffold.h"

namespace mosavelle {
namespace {

TEST(Scaffold, EveryFixedPartIsEmbeddedAndTheSlidesLayoutIsBlank) {
    for (auto path : scaffoldPackagePaths)
        EXPECT_TRUE(readScaffoldFile(path).ok()) << path;
    for (auto path : notesMasterPackagePaths)
        EXPECT_TRUE(readScaffoldFile(path).ok()) << path;
    // Every exported slide uses layout 7, which must be the blank one.
    auto layout = readScaffoldFile("ppt/slideLayouts/slideLayout7.xml");
    ASSERT_TRUE(layout.ok());
    EXPECT_NE(layout->view().find("type=\"blank\""), std::string_view::npos);
}

}  // namespace
}  // namespace mosavelle
