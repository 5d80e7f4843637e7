#include "core/export/export_planning.h"

#include <algorithm>
#include <unordered_set>

#include "core/export/picture_encoding.h"
#include "core/layout/rendered_slide.h"
#include "core/model/image_index.h"
#include "core/platform/names.h"

namespace mosavelle {

namespace {

constexpr std::int64_t packageOverhead = 80000;

// Bytes per written pixel of a photograph written as JPEG at a preset's quality and size (0.85
// at 1920 pixels and more, 0.7 at 1280 and more), measured on camera photographs of every kind of
// scene: landscapes, water, foliage, buildings, still life, night. A single picture may come out
// at half or twice this; a deck of photographs comes close.
double jpegBytesPerPixel(QualityPreset quality) {
    return quality == QualityPreset::small ? 0.10 : 0.14;
}

// The expected size of one picture written again at `quality`, placed with a long edge of
// `longEdgeInches`: at the pixel size the encoder writes it, a JPEG by the bytes per pixel of the
// preset, a PNG by its stored bytes scaled with its pixel count. Never more than the stored
// bytes, which a picture written smaller or at a lower quality does not exceed in practice.
double writtenSize(const SourceImage& image, double storedBytes, double longEdgeInches,
                   QualityPreset quality) {
    const PixelSize stored{
        static_cast<int>(std::clamp<std::int64_t>(image.pixelWidth, 1, 1 << 30)),
        static_cast<int>(std::clamp<std::int64_t>(image.pixelHeight, 1, 1 << 30))};
    const PixelSize written = reducedSize(stored, targetLongEdge(quality, longEdgeInches));
    const double pixels = double(written.width) * double(written.height);
    const double estimate = writtenAsPng(image)
                                ? storedBytes * pixels / (double(stored.width) * stored.height)
                                : pixels * jpegBytesPerPixel(quality);
    return std::min(estimate, storedBytes);
}

// The name without its last extension; a leading dot alone (".hidden") is not an extension. A
// final full stop goes too ("photo." gives "photo"), so that the suggestion never holds "..".
std::string withoutExtension(const std::string& name) {
    if (name.size() > 1 && name.back() == '.')
        return name.substr(0, name.size() - 1);
    return std::string(deletingPathExtension(name));
}

}  // namespace

std::optional<std::int64_t> estimatedFileSize(const Project& project, const ImageDataMap& imageData,
                                              QualityPreset quality) {
    std::int64_t total = 0;
    for (const auto& slide : project.slides) {
        if (slide.isExcluded)
            continue;
        for (const auto& slot : slide.slots) {
            if (!slot.imageID)
                continue;
            const auto bytes = imageData.find(*slot.imageID);
            if (bytes != imageData.end())
                total += static_cast<std::int64_t>(bytes->second.size());
        }
    }
    if (total == 0)
        return std::nullopt;
    if (quality == QualityPreset::best)
        return total + packageOverhead;

    // Below best every usable picture is written once, at the size of its first placement, as
    // the export does.
    const ImageIndex images(project.images);
    std::unordered_set<Uuid> written;
    double estimate = 0;
    std::size_t index = 0;
    for (const auto& slide : project.slides) {
        if (slide.isExcluded)
            continue;
        for (const PictureFrame& frame : renderSlide(slide, index++, project, images).pictures) {
            const SourceImage* image = images.find(frame.imageID);
            const auto bytes = imageData.find(frame.imageID);
            if (image == nullptr || image->importError || bytes == imageData.end() ||
                !written.insert(frame.imageID).second)
                continue;
            estimate += writtenSize(*image, static_cast<double>(bytes->second.size()),
                                    std::max(frame.frame.width, frame.frame.height), quality);
        }
    }
    return static_cast<std::int64_t>(estimate) + packageOverhead;
}

std::string suggestedFileName(const Project& project, std::string_view projectName) {
    std::string base = project.export_.suggestedBaseName;
    if ((base.empty() || base == ExportSettings{}.suggestedBaseName) && !projectName.empty())
        base = std::string(projectName);
    if (base.empty() && !project.images.empty())
        base = withoutExtension(project.images.front().originalFileName);
    if (base.empty())
        base = "Presentation";
    std::replace(base.begin(), base.end(), '/', '-');
    return base + ".pptx";
}

}  // namespace mosavelle
