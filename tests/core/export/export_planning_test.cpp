#include <gtest/gtest.h>

#include <string>

#include "core/export/export_planning.h"
#include "support/deck_support.h"

namespace mosavelle {
namespace {

using testing::pictureRecord;

TEST(ExportEstimate, CountsEveryPlacementOfExportedSlidesOnly) {
    Project project;
    const SourceImage shared = pictureRecord("a.jpg");
    const SourceImage excludedOnly = pictureRecord("b.jpg");
    project.images = {shared, excludedOnly};
    project.slides = {singleImageSlide(shared.id, ""), singleImageSlide(shared.id, ""),
                      singleImageSlide(excludedOnly.id, "")};
    project.slides[2].isExcluded = true;
    project.slides.push_back(sectionDividerSlide());
    ImageDataMap bytes{{shared.id, Bytes(std::string(1000000, 'x'))},
                       {excludedOnly.id, Bytes(std::string(5000, 'y'))}};
    EXPECT_EQ(estimatedFileSize(project, bytes, QualityPreset::best), 2080000);
    // Below best a picture counts once, by the pixels it is written at: 1920 x 1440 at balanced.
    project.images[0].pixelWidth = 4000, project.images[0].pixelHeight = 3000;
    const auto balanced = *estimatedFileSize(project, bytes, QualityPreset::balanced) - 80000;
    EXPECT_GT(balanced, 1920 * 1440 / 10);
    EXPECT_LT(balanced, 1920 * 1440 / 5);
    EXPECT_LT(*estimatedFileSize(project, bytes, QualityPreset::small) - 80000, balanced / 2);

    // Without the bytes of the only exported picture there is nothing to estimate.
    bytes.erase(shared.id);
    EXPECT_FALSE(estimatedFileSize(project, bytes, QualityPreset::best));
}

TEST(ExportEstimate, SuggestedNamePrefersBaseNameThenFirstPicture) {
    Project project;
    project.export_.suggestedBaseName = "";
    EXPECT_EQ(suggestedFileName(project), "Presentation.pptx");
    project.images = {pictureRecord("holiday.final.HEIC"), pictureRecord("z.jpg")};
    EXPECT_EQ(suggestedFileName(project), "holiday.final.pptx");
    project.export_.suggestedBaseName = "Presentation";  // the default: the project's name wins
    EXPECT_EQ(suggestedFileName(project, "Holiday 2023"), "Holiday 2023.pptx");
    project.export_.suggestedBaseName = "Trip 2026";
    EXPECT_EQ(suggestedFileName(project, "Holiday 2023"), "Trip 2026.pptx");
    project.export_.suggestedBaseName = "a/b";
    EXPECT_EQ(suggestedFileName(project), "a-b.pptx");
}

}  // namespace
}  // namespace mosavelle
