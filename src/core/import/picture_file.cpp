#include "core/import/picture_file.h"

#include "core/import/file_collection.h"

namespace mosavelle {

PictureFileResult readPicture(Bytes bytes) {
    std::optional<ImageSource> source = openImageSource(std::move(bytes));
    if (!source)
        return PictureFileFailure{std::string(description(ImageIOError::unreadable))};
    const ImageInfoResult& facts = source->facts();
    if (const auto* error = std::get_if<ImageIOError>(&facts))
        return PictureFileFailure{std::string(description(*error))};
    DecodedImageInfo info = std::get<DecodedImageInfo>(facts);
    return PictureFile{std::move(*source), std::move(info)};
}

PictureFileResult readPictureFile(const std::filesystem::path& path) {
    Result<Bytes> bytes = readWholeFile(path);
    if (!bytes)
        return PictureFileFailure{bytes.error().message, true};
    return readPicture(std::move(bytes.value()));
}

}  // namespace mosavelle
