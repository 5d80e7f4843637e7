#include <gtest/gtest.h>

#include "core/export/scaffold.h"

namespace mosavelle {
namespace {

TEST(Scaffold, EveryFixedPartIsEmbeddedAsWellFormedXML) {
    for (auto path : scaffoldPackagePaths) {
        auto bytes = readScaffoldFile(path);
        ASSERT_TRUE(bytes.ok()) << path;
        EXPECT_TRUE(bytes->view().starts_with(
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"))
            << path;
    }
    for (auto path : notesMasterPackagePaths)
        EXPECT_TRUE(readScaffoldFile(path).ok()) << path;
    // Every exported slide uses layout 7, which must be the blank one.
    auto layout = readScaffoldFile("ppt/slideLayouts/slideLayout7.xml");
    ASSERT_TRUE(layout.ok());
    EXPECT_NE(layout->view().find("type=\"blank\""), std::string_view::npos);
}

TEST(Scaffold, MasterListsElevenLayoutsAndEachLayoutPointsBackToIt) {
    auto master = readScaffoldFile("ppt/slideMasters/_rels/slideMaster1.xml.rels");
    ASSERT_TRUE(master.ok());
    for (int k = 1; k <= 11; ++k) {
        const std::string target =
            "Target=\"../slideLayouts/slideLayout" + std::to_string(k) + ".xml\"";
        EXPECT_NE(master->view().find(target), std::string_view::npos) << target;
        auto rels = readScaffoldFile("ppt/slideLayouts/_rels/slideLayout" + std::to_string(k) +
                                     ".xml.rels");
        ASSERT_TRUE(rels.ok());
        EXPECT_NE(rels->view().find("Target=\"../slideMasters/slideMaster1.xml\""),
                  std::string_view::npos);
    }
    EXPECT_NE(master->view().find("Target=\"../theme/theme1.xml\""), std::string_view::npos);
}

TEST(Scaffold, UnknownPartIsAnError) {
    auto missing = readScaffoldFile("ppt/slideLayouts/slideLayout12.xml");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().message.find("slideLayout12.xml"), std::string::npos);
}

}  // namespace
}  // namespace mosavelle
