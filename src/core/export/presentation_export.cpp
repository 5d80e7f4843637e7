#include "core/export/presentation_export.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <new>
#include <thread>
#include <vector>

#include "core/export/picture_encoding.h"
#include "core/export/presentation_parts.h"
#include "core/export/scaffold.h"
#include "core/export/xml_values.h"
#include "core/export/zip_archive.h"
#include "core/import/file_names.h"
#include "core/import/image_io_error.h"
#include "core/import/picture_texts.h"
#include "core/layout/geometry.h"
#include "core/layout/rendered_slide.h"
#include "core/model/image_index.h"
#include "core/platform/crc32.h"
#include "core/platform/ordered_jobs.h"

namespace mosavelle {

namespace {

using EncodeResult = Result<EncodedPicture>;

// The picture a frame shows and its bytes, when both exist and the picture was imported without
// error; anything else is left out of the slide, as the preview leaves it out.
struct PictureSource {
    const SourceImage* image = nullptr;
    const StoredBytes* bytes = nullptr;
};

std::optional<PictureSource> pictureSource(const PictureFrame& frame, const ExportRequest& request,
                                           const ImageIndex& images) {
    const SourceImage* image = images.find(frame.imageID);
    if (image == nullptr || image->importError)
        return std::nullopt;
    auto bytes = request.imageData.find(frame.imageID);
    if (bytes == request.imageData.end())
        return std::nullopt;
    return PictureSource{image, &bytes->second};
}

bool showsLogo(const RenderedSlide& slide, const ExportRequest& request) {
    return request.logoData.has_value() && slide.logo.has_value();
}

// A picture's failure names the picture: among hundreds the sentence alone would not say which.
EncodeResult unreadable(const std::string& name) {
    return errorSaying(Text{TextId::namedFailure, {name}, {Text{TextId::imageUnreadable}}});
}

EncodeResult named(EncodeResult result, const std::string& name) {
    if (!result) {
        const Error& cause = result.error();
        if (cause.text)
            return errorSaying(Text{TextId::namedFailure, {name}, {*cause.text}});
        return errorSaying(Text{TextId::namedFailure, {name, cause.message}});
    }
    return result;
}

// The media file with its CRC-32, computed on the worker while its bytes were just made or read,
// so that the thread writing the archive is spared a pass over them.
EncodeResult checksummed(EncodeResult result) {
    if (result)
        result->crc32 = crc32Of(result->data.span());
    return result;
}

// The media files of an export in first-use order: one job per distinct picture at its first
// placement's size, and the logo's job at the logo's first appearance.
std::vector<OrderedJobs<EncodeResult>::Job> mediaJobs(const std::vector<RenderedSlide>& slides,
                                                      const ExportRequest& request,
                                                      const ImageIndex& images,
                                                      RotatedJpeg rotatedJpeg) {
    std::vector<OrderedJobs<EncodeResult>::Job> jobs;
    std::unordered_map<Uuid, bool> planned;
    bool logoPlanned = false;
    for (const auto& slide : slides) {
        for (const auto& frame : slide.pictures) {
            auto source = pictureSource(frame, request, images);
            if (!source || !planned.emplace(frame.imageID, true).second)
                continue;
            const double longEdge = std::max(frame.frame.width, frame.frame.height);
            jobs.push_back([source = *source, longEdge, quality = request.quality,
                            rotatedJpeg]() -> EncodeResult {
                const std::string& name = source.image->originalFileName;
                try {
                    // Read for this job only: memory follows the pictures in flight.
                    auto bytes = source.bytes->read();
                    if (!bytes)
                        return bytes.error().code == ErrorCode::damaged &&
                                       bytes.error().message == changedSourceMessage
                                   ? named(bytes.error(), name)
                                   : unreadable(name);
                    return checksummed(
                        named(encodePicture(*bytes, longEdge, *source.image, quality, rotatedJpeg),
                              name));
                } catch (const std::exception&) {
                    return unreadable(name);
                }
            });
        }
        if (showsLogo(slide, request) && !logoPlanned) {
            logoPlanned = true;
            const std::string name =
                request.project.appearance.branding.logoFileName.value_or("logo");
            jobs.push_back([logo = &*request.logoData, name]() -> EncodeResult {
                try {
                    auto png = encodeLogo(*logo);
                    if (!png)
                        return named(png.error(), name);
                    return checksummed(EncodedPicture{*png, "png"});
                } catch (const std::exception&) {
                    return unreadable(name);
                }
            });
        }
    }
    return jobs;
}

// Lays out every slide that is not excluded, numbered among the exported ones. Laying out is
// pure and cheap; doing it first lets the pictures be encoded ahead of the slide that first shows
// them.
std::vector<RenderedSlide> layOutExportedSlides(const Project& project, const ImageIndex& images) {
    std::vector<RenderedSlide> rendered;
    for (const auto& slide : project.slides)
        if (!slide.isExcluded)
            rendered.push_back(renderSlide(slide, rendered.size(), project, images));
    return rendered;
}

Status addText(ZipArchiveWriter& archive, std::string_view path, const std::string& text) {
    return archive.add(path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

// The fixed parts, with the notes master's when any slide has notes.
Status addScaffoldParts(ZipArchiveWriter& archive, bool anyNotes) {
    std::vector<std::string_view> fixedParts(scaffoldPackagePaths.begin(),
                                             scaffoldPackagePaths.end());
    if (anyNotes)
        fixedParts.insert(fixedParts.end(), notesMasterPackagePaths.begin(),
                          notesMasterPackagePaths.end());
    for (auto path : fixedParts) {
        auto bytes = readScaffoldFile(path);
        if (!bytes)
            return bytes.error();
        if (auto added = archive.add(path, bytes->span()); !added)
            return added;
    }
    return success();
}

// The media files of the package, each added to the archive at its first use in slide order and
// named by that order (image1.jpg, image2.png, ...; the logo as logo.png). Their encodings come
// from `mediaJobs`, taken in the same order.
class MediaFiles {
public:
    MediaFiles(ZipArchiveWriter& archive, std::vector<OrderedJobs<EncodeResult>::Job> jobs,
               unsigned threads)
        : archive_(archive), encoded_(std::move(jobs), threads, 2 * std::size_t{threads}) {}

    struct Written {
        std::string name;
        int orientation = 1;  // how its pixels are stored; the shape turns them upright
    };

    // The media file of the picture `id`, added now when this is its first use.
    Result<Written> picture(const Uuid& id) {
        if (auto found = pictures_.find(id); found != pictures_.end())
            return found->second;
        auto encoded = encoded_.take();
        if (!encoded)
            return encoded.error();
        Written written{mediaFileName(counter_++, *encoded), encoded->orientation};
        if (auto added =
                archive_.add("ppt/media/" + written.name, encoded->data.span(), encoded->crc32);
            !added)
            return added.error();
        return pictures_.emplace(id, std::move(written)).first->second;
    }

    struct WrittenLogo {
        std::string name;
        std::uint32_t pixelWidth = 0;  // of the PNG written; 0 when its header does not say
        std::uint32_t pixelHeight = 0;
    };

    // The logo's media file, added now when this is its first use.
    Result<WrittenLogo> logo() {
        if (!logo_) {
            auto encoded = encoded_.take();
            if (!encoded)
                return encoded.error();
            const std::string path = "ppt/media/" + std::string(logoMediaFileName);
            if (auto added = archive_.add(path, encoded->data.span(), encoded->crc32); !added)
                return added.error();
            logo_ = WrittenLogo{std::string(logoMediaFileName)};
            // The PNG's size from its header: the signature, then the IHDR chunk's length and
            // type, then width and height as big-endian 32-bit numbers.
            const auto bytes = encoded->data.span();
            if (bytes.size() >= 24) {
                const auto at = [&](std::size_t i) {
                    return std::uint32_t{bytes[i]} << 24 | std::uint32_t{bytes[i + 1]} << 16 |
                           std::uint32_t{bytes[i + 2]} << 8 | std::uint32_t{bytes[i + 3]};
                };
                logo_->pixelWidth = at(16);
                logo_->pixelHeight = at(20);
            }
        }
        return *logo_;
    }

private:
    ZipArchiveWriter& archive_;
    OrderedJobs<EncodeResult> encoded_;
    std::unordered_map<Uuid, Written> pictures_;
    int counter_ = 1;
    std::optional<WrittenLogo> logo_;
};

struct SlideParts {
    std::string slide;
    std::string relationships;
    std::optional<std::string> notes;
};

bool isWhitespace(std::int32_t c) {
    return c >= 0 && u_isUWhiteSpace(c);
}

// A title the deck numbers itself ("Slide 12"), which names nothing.
bool isAutomaticTitle(std::string_view title) {
    constexpr std::string_view prefix = "Slide ";
    if (!title.starts_with(prefix) || title.size() == prefix.size())
        return false;
    return std::all_of(title.begin() + prefix.size(), title.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// The slide's own title when it prints none: a name the user gave it (an automatic "Slide N" is
// none), for the outline and screen readers.
std::optional<std::string> unprintedTitle(const Slide& slide, const RenderedSlide& rendered) {
    if (std::any_of(rendered.texts.begin(), rendered.texts.end(),
                    [](const TextFrame& t) { return t.isTitle; }))
        return std::nullopt;
    const std::string title(trimmedUTF8(slide.title, isWhitespace));
    if (title.empty() || isAutomaticTitle(title))
        return std::nullopt;
    return title;
}

// Where a title that is not shown goes: a title box's place just above the slide, outside what a
// presentation program shows, as a person hides a slide title by hand.
TextFrame hiddenTitleFrame(std::string title, const AppearanceSettings& appearance,
                           const RGBAColor& color) {
    const double width = static_cast<double>(slideWidthEMU(appearance.slideSize)) / 914400.0;
    TextFrame frame;
    frame.text = std::move(title);
    frame.frame = InchRect{
        appearance.margins.leading, -1.0,
        std::max(width - appearance.margins.leading - appearance.margins.trailing, 1.0), 0.55};
    frame.isTitle = true;
    frame.fontPoints = appearance.typography.titlePoints;
    frame.color = color;
    return frame;
}

// The slot each placed picture of `slide` shows, in frame order: the first slot not yet taken
// that shows the frame's picture.
std::vector<const ImageSlot*> slotsOfFrames(const Slide& slide, const RenderedSlide& rendered) {
    std::vector<const ImageSlot*> out;
    std::vector<bool> taken(slide.slots.size(), false);
    for (const auto& frame : rendered.pictures) {
        const ImageSlot* found = nullptr;
        for (std::size_t i = 0; i < slide.slots.size() && !found; ++i)
            if (!taken[i] && slide.slots[i].imageID == frame.imageID) {
                taken[i] = true;
                found = &slide.slots[i];
            }
        out.push_back(found);
    }
    return out;
}

// The parts of exported slide number `n` (`source` laid out as `slide`): its pictures (their
// media added on first use) with their alt texts, logo, texts (the title as the slide's title
// placeholder), slide number and show transition, and its notes when they show anything.
Result<SlideParts> buildSlideParts(const Slide& source, const RenderedSlide& slide, int n,
                                   const ExportRequest& request, const ImageIndex& images,
                                   MediaFiles& media, std::string_view language) {
    const AppearanceSettings& appearance = request.project.appearance;
    const std::string imageType = ooxml::relationshipType("image");
    const std::optional<std::string> hiddenTitle = unprintedTitle(source, slide);
    const bool titled =
        hiddenTitle || std::any_of(slide.texts.begin(), slide.texts.end(),
                                   [](const TextFrame& t) { return t.isTitle && !t.text.empty(); });
    std::vector<Relationship> relationships{
        {"rId1", ooxml::relationshipType("slideLayout"),
         std::string(titled ? titleLayoutTarget : blankLayoutTarget)}};
    int k = 2;
    std::string pictures;
    const std::vector<const ImageSlot*> slots = slotsOfFrames(source, slide);
    for (std::size_t i = 0; i < slide.pictures.size(); ++i) {
        const PictureFrame& frame = slide.pictures[i];
        auto picture = pictureSource(frame, request, images);
        if (!picture)
            continue;
        auto file = media.picture(frame.imageID);
        if (!file)
            return file.error();
        const std::string id = "rId" + std::to_string(k);
        relationships.push_back({id, imageType, "../media/" + file->name});
        const std::string altText = altTextOf(slots[i] ? *slots[i] : ImageSlot{}, picture->image,
                                              appearance.filenameCleanup);
        pictures +=
            pictureXML(frame, id, k, picture->image->originalFileName, file->orientation, altText);
        ++k;
    }
    if (showsLogo(slide, request)) {
        auto file = media.logo();
        if (!file)
            return file.error();
        const std::string id = "rId" + std::to_string(k);
        relationships.push_back({id, imageType, "../media/" + file->name});
        // Fitted in its corner box as the preview draws it: a stretched logo would be distorted.
        PictureFrame logo = *slide.logo;
        logo.frame = fittedLogoFrame(logo.frame, appearance.branding.logoPosition, file->pixelWidth,
                                     file->pixelHeight);
        pictures += pictureXML(logo, id, k, "Logo", 1, std::nullopt);
        ++k;
    }

    const int notesRelationship = k;
    std::string texts;
    for (const auto& text : slide.texts) {
        if (text.text.empty())
            continue;
        texts += text.isTitle ? titlePlaceholderXML(text, appearance, k, language)
                              : textBoxXML(text, appearance, k, language);
        ++k;
    }
    if (hiddenTitle) {
        const RGBAColor color = appearance.typography.titleColor;
        texts += titlePlaceholderXML(hiddenTitleFrame(*hiddenTitle, appearance, color), appearance,
                                     k, language);
        ++k;
    }
    if (slide.slideNumber && slide.numberFrame)
        texts += slideNumberBoxXML(*slide.slideNumber, *slide.numberFrame, slide.numberColor,
                                   appearance, k, language);

    SlideParts parts;
    if (hasVisibleText(slide.notes)) {
        relationships.push_back({"rId" + std::to_string(notesRelationship),
                                 ooxml::relationshipType("notesSlide"),
                                 "../notesSlides/notesSlide" + std::to_string(n) + ".xml"});
        parts.notes = notesSlideXML(slide.notes, language);
    }
    const Project& project = request.project;
    parts.slide = slideXML(slide.background, appearance.slideSize, pictures, texts,
                           transitionXML(project.advanceOf(source), project.transitionOf(source)));
    parts.relationships = relationshipsXML(relationships);
    return parts;
}

// Every slide's parts, slide by slide: the slide, its relationships, and its notes with theirs.
Status addSlideParts(ZipArchiveWriter& archive, const std::vector<SlideParts>& parts) {
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        if (auto added = addText(archive, "ppt/slides/slide" + n + ".xml", parts[i].slide); !added)
            return added;
        if (auto added = addText(archive, "ppt/slides/_rels/slide" + n + ".xml.rels",
                                 parts[i].relationships);
            !added)
            return added;
        if (!parts[i].notes)
            continue;
        if (auto added =
                addText(archive, "ppt/notesSlides/notesSlide" + n + ".xml", *parts[i].notes);
            !added)
            return added;
        if (auto added = addText(archive, "ppt/notesSlides/_rels/notesSlide" + n + ".xml.rels",
                                 notesRelationshipsXML(static_cast<int>(i) + 1));
            !added)
            return added;
    }
    return success();
}

// The parts that describe the whole package, after every slide's.
Status addPackageParts(ZipArchiveWriter& archive, const std::vector<SlideParts>& slides,
                       const Project& project, std::string_view language, Timestamp now) {
    const SlideSizePreset slideSize = project.appearance.slideSize;
    // The show follows timings when any exported slide advances by itself.
    const bool useTimings =
        std::any_of(project.slides.begin(), project.slides.end(), [&](const Slide& slide) {
            return !slide.isExcluded && project.advanceOf(slide).automatic;
        });
    const int slideCount = static_cast<int>(slides.size());
    std::vector<int> notesSlides;
    for (std::size_t i = 0; i < slides.size(); ++i)
        if (slides[i].notes)
            notesSlides.push_back(static_cast<int>(i) + 1);
    const bool anyNotes = !notesSlides.empty();
    const std::pair<std::string_view, std::string> packageParts[] = {
        {"ppt/presentation.xml", presentationXML(slideCount, slideSize, anyNotes, language)},
        {"ppt/presProps.xml", presentationPropertiesXML(project.show.loops, useTimings)},
        {"ppt/_rels/presentation.xml.rels", presentationRelationshipsXML(slideCount, anyNotes)},
        {"[Content_Types].xml", contentTypesXML(slideCount, notesSlides)},
        {"_rels/.rels", rootRelationshipsXML()},
        {"docProps/core.xml", corePropertiesXML(now)},
        {"docProps/app.xml", appPropertiesXML(slideCount)},
    };
    for (const auto& [path, text] : packageParts)
        if (auto added = addText(archive, path, text); !added)
            return added;
    return success();
}

Status exportPackage(const ExportRequest& request, const ExportProgressHandler& progress,
                     const ExportCancellation& cancellation, const ExportOptions& options) {
    const auto report = [&](double fraction, ExportStage stage, std::size_t slide = 0,
                            std::size_t slideCount = 0) {
        if (progress)
            progress(ExportProgress{fraction, exportStageMessage(stage, slide, slideCount), stage,
                                    slide, slideCount});
    };
    const auto cancelled = [] {
        return Status(errorSaying(Text{TextId::exportCancelled}, ErrorCode::cancelled));
    };
    report(0.02, ExportStage::preparing);

    const ImageIndex images(request.project.images);
    const std::vector<RenderedSlide> slides = layOutExportedSlides(request.project, images);
    std::vector<const Slide*> exported;
    for (const auto& slide : request.project.slides)
        if (!slide.isExcluded)
            exported.push_back(&slide);
    const std::string language =
        request.project.appearance.language.value_or(languageTagOf(request.userLocale));
    const bool anyNotes = std::any_of(slides.begin(), slides.end(), [](const RenderedSlide& s) {
        return hasVisibleText(s.notes);
    });

    auto file = PackageFile::create(request.destination, options.file);
    if (!file)
        return file.error();
    ZipArchiveWriter archive(**file, options.archive);
    if (auto added = addScaffoldParts(archive, anyNotes); !added)
        return added;

    const unsigned threads = options.encodingThreads
                                 ? options.encodingThreads
                                 : std::max(1u, std::thread::hardware_concurrency());
    MediaFiles media(archive, mediaJobs(slides, request, images, options.rotatedJpeg), threads);
    std::vector<SlideParts> parts;
    const std::size_t count = slides.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (cancellation.isCancelled())
            return cancelled();
        report(0.05 + 0.8 * static_cast<double>(i) /
                          static_cast<double>(std::max<std::size_t>(count, 1)),
               ExportStage::buildingSlide, i + 1, count);
        auto built = buildSlideParts(*exported[i], slides[i], static_cast<int>(i) + 1, request,
                                     images, media, language);
        if (!built)
            return built.error();
        parts.push_back(std::move(*built));
    }

    if (auto added = addSlideParts(archive, parts); !added)
        return added;
    const Timestamp now = options.timestamp.value_or(
        std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()));
    if (auto added = addPackageParts(archive, parts, request.project, language, now); !added)
        return added;

    report(0.95, ExportStage::writing);
    if (auto finished = archive.finish(); !finished)
        return finished;
    if (cancellation.isCancelled())
        return cancelled();
    if (auto committed = (*file)->commit(); !committed)
        return committed;
    report(1.0, ExportStage::done);
    return success();
}

}  // namespace

std::string exportStageMessage(ExportStage stage, std::size_t slide, std::size_t slideCount) {
    switch (stage) {
        case ExportStage::preparing:
            break;
        case ExportStage::buildingSlide:
            return "Building slide " + std::to_string(slide) + " of " + std::to_string(slideCount) +
                   "\u2026";
        case ExportStage::writing:
            return "Writing presentation\u2026";
        case ExportStage::done:
            return "Done";
    }
    return "Preparing slides\u2026";
}

bool isExportCancellation(const Error& error) {
    return error.code == ErrorCode::cancelled;
}

Status exportPresentation(const ExportRequest& request, const ExportProgressHandler& progress,
                          const ExportCancellation& cancellation, const ExportOptions& options) {
    // Running out of memory is the one failure that arrives as an exception here; it must not
    // leave the export's thread. Whatever was written is removed on the way out.
    try {
        return exportPackage(request, progress, cancellation, options);
    } catch (const std::bad_alloc&) {
        return errorSaying(Text{TextId::presentationOutOfMemory});
    } catch (const std::exception&) {
        return errorSaying(Text{TextId::presentationNotWritten});
    }
}

}  // namespace mosavelle
