#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>

#include "core/import/image_source.h"
#include "core/platform/bytes.h"
#include "core/platform/text.h"

namespace mosavelle {

// A picture file read whole and identified (its bytes are `source.bytes()`), with its facts.
struct PictureFile {
    ImageSource source;
    DecodedImageInfo info;
};

// Why a file gave no picture: one sentence, as the import notes show it, and that sentence by
// identifier.
struct PictureFileFailure {
    std::string sentence;
    bool fileUnread = false;  // the file itself could not be read; otherwise its bytes are no
                              // usable picture
    std::optional<Text> text = std::nullopt;
};

using PictureFileResult = std::variant<PictureFile, PictureFileFailure>;

// Identifies `bytes` as a picture and reads its facts; the failure's sentence describes the
// picture error.
PictureFileResult readPicture(Bytes bytes);

// Reads the file at `path` as `readWholeFile` does, then as `readPicture`; a file that cannot be
// read fails with `readWholeFile`'s sentence.
PictureFileResult readPictureFile(const std::filesystem::path& path);

}  // namespace mosavelle
