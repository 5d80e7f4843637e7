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
    EXPECT_EQ(estimatedFileSize(project, bytes, QualityPreset::balanced), 1180000);
    EXPECT_EQ(estimatedFileSize(project, bytes, QualityPreset::small), 640000);

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
    project.export_.suggestedBaseName = "Trip 2026";
    EXPECT_EQ(suggestedFileName(project), "Trip 2026.pptx");
    project.export_.suggestedBaseName = "a/b";
    EXPECT_EQ(suggestedFileName(project), "a-b.pptx");
}

}  // namespace
}  // namespace mosavelle
