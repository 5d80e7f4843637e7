#include "app/support/core_texts.h"

#include <QStringList>
#include <optional>
#include <variant>

#include "core/editing/navigator_text.h"
#include "core/layout/warnings.h"
#include "core/model/edit_step.h"

namespace mosavelle::app {

QString CoreTexts::pattern(TextId id) {
    switch (id) {
        case TextId::fileNoLongerExists:
            return tr("The file could not be opened because it no longer exists.");
        case TextId::fileNoPermission:
            return tr(
                "The file could not be opened because you do not have permission to view "
                "it.");
        case TextId::fileLinkLoop:
            return tr("The file could not be opened because its symbolic links form a loop.");
        case TextId::fileNotRead:
            return tr("The file could not be read (%1).");
        case TextId::fileIsFolder:
            return tr("The file could not be read because it is a folder.");
        case TextId::fileNotRegular:
            return tr("The file could not be read because it is not a regular file.");
        case TextId::fileTooLargeForPicture:
            return tr("The file could not be read because it is too large to be a picture.");
        case TextId::fileTooLarge:
            return tr("The file could not be read because it is too large.");
        case TextId::fileNotCopied:
            return tr(
                "The file could not be copied into the deck because the disk is full or "
                "cannot be written.");
        case TextId::fileChanged:
            return tr("The file changed after it was added to the deck.");
        case TextId::imageUnreadable:
            return tr("This file could not be read as an image.");
        case TextId::imageUnsupported:
            return tr("This image format is not supported.");
        case TextId::imageEmpty:
            return tr("This image has no pixels.");
        case TextId::animatedFirstFrame:
            return tr(
                "Animated GIF files import the first frame only. Animation is not "
                "exported.");
        case TextId::projectDamaged:
            return tr(
                "The project could not be opened because it is damaged or in an unknown "
                "format.");
        case TextId::projectImageMissing:
            return tr("The copied image is missing from this project.");
        case TextId::projectNotSaved:
            return tr("The project %1 could not be saved: %2.");
        case TextId::projectLocationInvalid:
            return tr("The project could not be saved: the location %1 is not valid.");
        case TextId::projectNotLocked:
            return tr("The project %1 could not be locked for saving: %2.");
        case TextId::projectBusy:
            return tr("The project %1 is being saved by another program; it was not changed.");
        case TextId::presentationNotWritten:
            return tr("The presentation could not be written.");
        case TextId::presentationOutOfMemory:
            return tr("There is not enough memory to write the presentation.");
        case TextId::exportCancelled:
            return tr("The export was cancelled.");
        case TextId::fileNotWritten:
            return tr("The file “%1” could not be written: %2.");
        case TextId::namedFailure:
            return tr("%1: %2");
    }
    return QString::fromUtf8(englishTemplate(id));
}

QString CoreTexts::sentence(const Text& text) {
    QStringList values;
    for (const std::string& argument : text.arguments)
        values << QString::fromStdString(argument);
    for (const Text& quote : text.quotes)
        values << sentence(quote);
    // One pass, as QString::arg(a, b, ...) does: an argument's own "%1" stays as it is.
    const QString shape = pattern(text.id);
    QString out;
    for (qsizetype i = 0; i < shape.size(); ++i) {
        const QChar digit = i + 1 < shape.size() ? shape[i + 1] : QChar();
        if (shape[i] == u'%' && digit >= u'1' && digit <= u'9') {
            const qsizetype index = digit.unicode() - u'1';
            if (index < values.size())
                out += values[index];
            ++i;
            continue;
        }
        out += shape[i];
    }
    return out;
}

QString CoreTexts::error(const Error& error) {
    return error.text ? sentence(*error.text) : QString::fromStdString(error.message);
}

QString CoreTexts::editStep(const std::string& name) {
    const std::optional<EditStep> step = editStepNamed(name);
    if (!step)
        return QString::fromStdString(name);
    switch (*step) {
        case EditStep::edit:
            return tr("Edit");
        case EditStep::importImages:
            return tr("Import Images");
        case EditStep::changeLayout:
            return tr("Change Layout");
        case EditStep::applyPlacementToAll:
            return tr("Apply Placement to All Slides");
        case EditStep::fitToSlide:
            return tr("Fit to Slide");
        case EditStep::sort:
            return tr("Sort");
        case EditStep::deleteSlide:
            return tr("Delete Slide");
        case EditStep::deleteSlides:
            return tr("Delete Slides");
        case EditStep::duplicateSlides:
            return tr("Duplicate Slides");
        case EditStep::renameSlide:
            return tr("Rename Slide");
        case EditStep::insertSectionDivider:
            return tr("Insert Section Divider");
        case EditStep::groupSlides:
            return tr("Group Slides");
        case EditStep::ungroupSlides:
            return tr("Ungroup Slides");
        case EditStep::reorderSlides:
            return tr("Reorder Slides");
        case EditStep::addImageToSlide:
            return tr("Add Image to Slide");
        case EditStep::removeImageFromSlide:
            return tr("Remove Image from Slide");
        case EditStep::editCaption:
            return tr("Edit Caption");
        case EditStep::changeCaptionSize:
            return tr("Change Caption Size");
        case EditStep::changeCaptionAlignment:
            return tr("Change Caption Alignment");
        case EditStep::changePlacement:
            return tr("Change Placement");
        case EditStep::changeScale:
            return tr("Change Scale");
        case EditStep::adjustCrop:
            return tr("Adjust Crop");
        case EditStep::editNotes:
            return tr("Edit Notes");
        case EditStep::slideSize:
            return tr("Slide Size");
        case EditStep::background:
            return tr("Background");
        case EditStep::backgroundColor:
            return tr("Background Color");
        case EditStep::slideNumbers:
            return tr("Slide Numbers");
        case EditStep::captionSetting:
            return tr("Caption Setting");
        case EditStep::setLogo:
            return tr("Set Logo");
        case EditStep::removeLogo:
            return tr("Remove Logo");
        case EditStep::fillCaptions:
            return tr("Fill Captions from Pictures");
        case EditStep::editAltText:
            return tr("Edit Alt Text");
        case EditStep::rotateRight:
            return tr("Rotate Right");
        case EditStep::rotateLeft:
            return tr("Rotate Left");
        case EditStep::excludeSlides:
            return tr("Exclude Slides");
        case EditStep::includeSlides:
            return tr("Include Slides");
        case EditStep::pasteSlides:
            return tr("Paste Slides");
        case EditStep::advanceSlides:
            return tr("Advance Slides");
        case EditStep::transition:
            return tr("Transition");
        case EditStep::loopUntilEsc:
            return tr("Loop Until Esc");
        case EditStep::slideTiming:
            return tr("Slide Timing");
        case EditStep::slideTransition:
            return tr("Slide Transition");
        case EditStep::alignCameraClocks:
            return tr("Align Camera Clocks");
        case EditStep::insertSectionsAtTimeGaps:
            return tr("Insert Sections at Time Gaps");
    }
    return QString::fromStdString(name);
}

QString CoreTexts::exportProgress(const ExportProgress& progress) {
    switch (progress.stage) {
        case ExportStage::preparing:
            break;
        case ExportStage::buildingSlide:
            return tr("Building slide %1 of %2…")
                .arg(qulonglong(progress.slide))
                .arg(qulonglong(progress.slideCount));
        case ExportStage::writing:
            return tr("Writing presentation…");
        case ExportStage::done:
            return tr("Done");
    }
    return tr("Preparing slides…");
}

QString CoreTexts::warning(const SlideWarning& warning) {
    if (warning.as<SlideWarning::OverflowsSlide>())
        return tr("Part of this image extends outside the slide.");
    if (warning.as<SlideWarning::LowResolution>())
        return tr("Image may be blurry when presented.");
    if (warning.as<SlideWarning::MissingImage>())
        return tr("A picture on this slide is missing.");
    const std::string& field = std::get<SlideWarning::TextOverflow>(warning.value).field;
    if (field == "title")
        return tr("The title text is too long for its box.");
    if (field == "caption")
        return tr("The caption text is too long for its box.");
    const std::string prefix = "caption ";
    if (field.starts_with(prefix))
        return tr("The caption %1 text is too long for its box.")
            .arg(QString::fromStdString(field.substr(prefix.size())));
    return QString::fromStdString(warningMessage(warning));
}

QString CoreTexts::layoutName(SlideLayoutKind layout) {
    switch (layout) {
        case SlideLayoutKind::oneImage:
            break;
        case SlideLayoutKind::imageTitleCaption:
            return tr("Image with title and caption");
        case SlideLayoutKind::twoUp:
            return tr("Two images");
        case SlideLayoutKind::fourGrid:
            return tr("Four-image grid");
        case SlideLayoutKind::section:
            return tr("Section divider");
    }
    return tr("One image");
}

QString CoreTexts::slideName(const Slide& slide, const Project& project) {
    const std::string name = slideDisplayName(slide, project);
    if (slide.title.empty() && name == layoutDisplayName(slide.layout))
        return layoutName(slide.layout);
    return QString::fromStdString(name);
}

QString CoreTexts::importError(const std::string& sentence) {
    for (const TextId id : {TextId::projectImageMissing, TextId::imageUnreadable,
                            TextId::imageUnsupported, TextId::imageEmpty, TextId::fileChanged})
        if (sentence == englishTemplate(id))
            return pattern(id);
    return QString::fromStdString(sentence);
}

QString CoreTexts::importNotes(const ImportPlan& plan) {
    QStringList pieces;
    QStringList lines;
    for (const ImportFailure& failure : plan.failures)
        lines << tr("%1: %2").arg(
            QString::fromStdString(failure.name),
            failure.text ? sentence(*failure.text) : QString::fromStdString(failure.message));
    if (!lines.isEmpty())
        pieces << lines.join(u'\n');
    if (!plan.animatedNames.empty())
        pieces << pattern(TextId::animatedFirstFrame);
    return pieces.join(QStringLiteral("\n\n"));
}

}  // namespace mosavelle::app
