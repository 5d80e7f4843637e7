#pragma once

#include <memory>
#include <string>

#include "app/document/document_handle.h"
#include "core/model/document.h"

namespace mosavelle::testing {

// A deck window's handle with one single-picture slide per picture, pictures named
// IMG_0001.JPG, IMG_0002.JPG, ... (no stored bytes: miniatures stay clear).
inline std::unique_ptr<app::DocumentHandle> makeDeck(int slideCount) {
    Project project;
    for (int i = 1; i <= slideCount; ++i) {
        SourceImage picture;
        picture.id = Uuid::random();
        std::string number = std::to_string(i);
        picture.originalFileName = "IMG_" + std::string(4 - number.size(), '0') + number + ".JPG";
        picture.pixelWidth = 4000;
        picture.pixelHeight = 3000;
        project.images.push_back(picture);
        project.slides.push_back(singleImageSlide(picture.id, ""));
    }
    return std::make_unique<app::DocumentHandle>(
        std::make_unique<MosavelleDocument>(project, ImageDataMap{}, std::nullopt));
}

inline Uuid slideID(const app::DocumentHandle& handle, int position) {
    return handle.document().project().slides.at(static_cast<std::size_t>(position - 1)).id;
}

}  // namespace mosavelle::testing
