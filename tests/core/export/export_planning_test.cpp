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

    // Without the bytes of the only exported picture there is nothing to estimate.
    bytes.erase(shared.id);
    EXPECT_FALSE(estimatedFileSize(project, bytes, QualityPreset::best));
}

// Below best a picture is written once, reduced to the pixel size of its first placement: what a
// camera photo stores plays no part, and a picture stored in fewer bytes counts as those.
TEST(ExportEstimate, BelowBestCountsEachPictureOnceAtThePixelSizeItIsWritten) {
    using enum QualityPreset;
    Project project;
    const SourceImage photo = pictureRecord("a.jpg", "public.jpeg", 4000, 3000);
    project.images = {photo};
    project.slides = {singleImageSlide(photo.id, "")};
    ImageDataMap bytes{{photo.id, Bytes(std::string(4000000, 'x'))}};
    const std::int64_t balancedOnce = *estimatedFileSize(project, bytes, balanced);
    const std::int64_t smallOnce = *estimatedFileSize(project, bytes, small);
    // Written at 1920 x 1440 and 1280 x 960: about 0.1 to 0.2 bytes a pixel, less at small.
    EXPECT_GT(balancedOnce, 80000 + 1920 * 1440 / 10);
    EXPECT_LT(balancedOnce, 80000 + 1920 * 1440 / 5);
    EXPECT_GT(smallOnce, 80000 + 1280 * 960 / 20);
    EXPECT_LT(smallOnce - 80000, (balancedOnce - 80000) / 2);

    project.slides.push_back(singleImageSlide(photo.id, ""));
    bytes[photo.id] = Bytes(std::string(12000000, 'x'));
    EXPECT_EQ(estimatedFileSize(project, bytes, balanced), balancedOnce);
    bytes[photo.id] = Bytes(std::string(1000, 'x'));
    EXPECT_EQ(estimatedFileSize(project, bytes, small), 81000);
    project.images[0].importError = "This file could not be read as an image.";
    EXPECT_EQ(estimatedFileSize(project, bytes, small), 80000);  // left out of the export
}

TEST(ExportEstimate, SuggestedNamePrefersBaseNameThenFirstPicture) {
    Project project;
    project.export_.suggestedBaseName = "";
    EXPECT_EQ(suggestedFileName(project), "Presentation.pptx");
    project.images = {pictureRecord("holiday.final.HEIC"), pictureRecord("z.jpg")};
    EXPECT_EQ(suggestedFileName(project), "holiday.final.pptx");
    project.export_.suggestedBaseName = "Trip 2026";
    EXPECT_EQ(suggestedFileName(project), "Trip 2026.pptx");
    project.export_.suggestedBaseName = "a/b";
    EXPECT_EQ(suggestedFileName(project), "a-b.pptx");
}

}  // namespace
}  // namespace mosavelle
