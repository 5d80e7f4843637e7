#include "core/import/picture_file.h"

#include "core/import/file_collection.h"

namespace mosavelle {

namespace {

PictureFileFailure refusal(ImageIOError error) {
    return PictureFileFailure{std::string(description(error)), false, Text{textOf(error)}};
}

}  // namespace

PictureFileResult readPicture(Bytes bytes) {
    std::optional<ImageSource> source = openImageSource(std::move(bytes));
    if (!source)
        return refusal(ImageIOError::unreadable);
    const ImageInfoResult& facts = source->facts();
    if (const auto* error = std::get_if<ImageIOError>(&facts))
        return refusal(*error);
    DecodedImageInfo info = std::get<DecodedImageInfo>(facts);
    return PictureFile{std::move(*source), std::move(info)};
}

PictureFileResult readPictureFile(const std::filesystem::path& path) {
    Result<Bytes> bytes = readWholeFile(path);
    if (!bytes)
        return PictureFileFailure{bytes.error().message, true, bytes.error().text};
    return readPicture(std::move(bytes.value()));
}

}  // namespace mosavelle
