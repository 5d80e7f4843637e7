#include "core/export/export_planning.h"

#include <algorithm>

#include "core/platform/names.h"

namespace mosavelle {

namespace {

constexpr std::int64_t packageOverhead = 80000;

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
    switch (quality) {
        case QualityPreset::best:
            return total + packageOverhead;
        case QualityPreset::balanced:
            return static_cast<std::int64_t>(static_cast<double>(total) * 0.55) + packageOverhead;
        case QualityPreset::small:
            return static_cast<std::int64_t>(static_cast<double>(total) * 0.28) + packageOverhead;
    }
    return total + packageOverhead;
}

std::string suggestedFileName(const Project& project) {
    std::string base = project.export_.suggestedBaseName;
    if (base.empty() && !project.images.empty())
        base = withoutExtension(project.images.front().originalFileName);
    if (base.empty())
        base = "Presentation";
    std::replace(base.begin(), base.end(), '/', '-');
    return base + ".pptx";
}

}  // namespace mosavelle
