#include <variant>

#include "cli/commands.h"
#include "cli/interrupt_watch.h"
#include "cli/render_json.h"
#include "core/import/metadata_reader.h"
#include "core/import/picture_file.h"
#include "core/platform/dates.h"
#include "core/platform/sha256.h"

namespace mosavelle::cli {
namespace {

// What the picture's own metadata says, with the member names of the project file; only the
// fields found.
OrderedJSON metadataJSON(const PictureMetadata& m) {
    OrderedJSON out = OrderedJSON::object();
    const auto text = [&](const char* key, const std::optional<std::string>& value) {
        if (value)
            out[key] = *value;
    };
    text("title", m.title);
    text("description", m.description);
    if (!m.keywords.empty())
        out["keywords"] = m.keywords;
    text("city", m.city);
    text("country", m.country);
    text("artist", m.artist);
    if (m.captured) {
        out["captured"] = OrderedJSON{{"localTime", m.captured->localTime}};
        if (m.captured->utcOffsetMinutes)
            out["captured"]["utcOffsetMinutes"] = *m.captured->utcOffsetMinutes;
    }
    text("cameraMake", m.cameraMake);
    text("cameraModel", m.cameraModel);
    text("bodySerialNumber", m.bodySerialNumber);
    if (m.position)
        out["position"] =
            OrderedJSON{{"latitude", m.position->latitude}, {"longitude", m.position->longitude}};
    return out;
}

// The facts of one file, or {"file", "error"} with the sentence the import notes would show.
OrderedJSON fileFacts(const std::string& file, bool& failed) {
    auto failure = [&](std::string sentence) {
        failed = true;
        return OrderedJSON{{"file", file}, {"error", std::move(sentence)}};
    };
    PictureFileResult read = readPictureFile(file);
    if (auto* refused = std::get_if<PictureFileFailure>(&read))
        return failure(std::move(refused->sentence));

    const auto& [source, info] = std::get<PictureFile>(read);
    OrderedJSON facts = {{"file", file},
                         {"pixelWidth", info.pixelWidth},
                         {"pixelHeight", info.pixelHeight},
                         {"dpiX", info.dpiX},
                         {"dpiY", info.dpiY}};
    if (info.captureDate)
        facts["captureDate"] = formatInternetDate(*info.captureDate);
    facts["hasAlpha"] = info.hasAlpha;
    facts["frameCount"] = info.frameCount;
    facts["uti"] = info.uti;
    facts["orientation"] = info.orientation;
    facts["sha256"] = sha256Hex(source.bytes());
    facts["metadata"] = metadataJSON(readPictureMetadata(source.bytes().span()));
    return facts;
}

}  // namespace

ExitStatus runInfo(const InfoOptions& options, Console& console) {
    OrderedJSON all = OrderedJSON::array();
    std::size_t failures = 0;
    for (const auto& file : options.files) {
        if (InterruptWatch::requested()) {
            console.error("Reading the pictures was interrupted; nothing was printed.");
            return ExitStatus::interrupted;
        }
        bool failed = false;
        all.push_back(fileFacts(file, failed));
        if (failed)
            ++failures;
    }
    if (!console.printResult(jsonText(all))) {
        console.error("The picture facts could not be written to standard output.");
        return ExitStatus::outputFailed;
    }
    if (failures == 0)
        return ExitStatus::ok;
    // Every file has its object; the status and one line tell that some of them failed.
    console.error(std::to_string(failures) + " of " + std::to_string(options.files.size()) +
                  (options.files.size() == 1 ? " file" : " files") +
                  " could not be read; the output gives the reason in its \"error\" member.");
    return ExitStatus::badInput;
}

}  // namespace mosavelle::cli
