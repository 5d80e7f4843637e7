#include "app/support/core_texts.h"

#include <QStringList>
#include <iterator>
#include <optional>
#include <variant>

#include "core/editing/navigator_text.h"
#include "core/layout/warnings.h"
#include "core/model/edit_step.h"

namespace mosavelle::app {

namespace {

// Each sentence's English template, marked for translation in the context of CoreTexts' tr().
struct SentenceText {
    TextId id;
    const char* text;
};
constexpr SentenceText sentenceTexts[] = {
    {TextId::fileNoLongerExists,
     QT_TRANSLATE_NOOP("CoreTexts", "The file could not be opened because it no longer exists.")},
    {TextId::fileNoPermission,
     QT_TRANSLATE_NOOP(
         "CoreTexts",
         "The file could not be opened because you do not have permission to view it.")},
    {TextId::fileLinkLoop,
     QT_TRANSLATE_NOOP("CoreTexts",
                       "The file could not be opened because its symbolic links form a loop.")},
    {TextId::fileNotRead, QT_TRANSLATE_NOOP("CoreTexts", "The file could not be read (%1).")},
    {TextId::fileIsFolder,
     QT_TRANSLATE_NOOP("CoreTexts", "The file could not be read because it is a folder.")},
    {TextId::fileNotRegular,
     QT_TRANSLATE_NOOP("CoreTexts",
                       "The file could not be read because it is not a regular file.")},
    {TextId::fileTooLargeForPicture,
     QT_TRANSLATE_NOOP("CoreTexts",
                       "The file could not be read because it is too large to be a picture.")},
    {TextId::fileTooLarge,
     QT_TRANSLATE_NOOP("CoreTexts", "The file could not be read because it is too large.")},
    {TextId::fileNotCopied, QT_TRANSLATE_NOOP("CoreTexts",
                                              "The file could not be copied into the deck because "
                                              "the disk is full or cannot be written.")},
    {TextId::fileChanged,
     QT_TRANSLATE_NOOP("CoreTexts", "The file changed after it was added to the deck.")},
    {TextId::imageUnreadable,
     QT_TRANSLATE_NOOP("CoreTexts", "This file could not be read as an image.")},
    {TextId::imageUnsupported,
     QT_TRANSLATE_NOOP("CoreTexts", "This image format is not supported.")},
    {TextId::imageEmpty, QT_TRANSLATE_NOOP("CoreTexts", "This image has no pixels.")},
    {TextId::animatedFirstFrame,
     QT_TRANSLATE_NOOP(
         "CoreTexts",
         "Animated GIF files import the first frame only. Animation is not exported.")},
    {TextId::projectDamaged,
     QT_TRANSLATE_NOOP(
         "CoreTexts",
         "The project could not be opened because it is damaged or in an unknown format.")},
    {TextId::projectImageMissing,
     QT_TRANSLATE_NOOP("CoreTexts", "The copied image is missing from this project.")},
    {TextId::projectNotSaved,
     QT_TRANSLATE_NOOP("CoreTexts", "The project %1 could not be saved: %2.")},
    {TextId::projectLocationInvalid,
     QT_TRANSLATE_NOOP("CoreTexts",
                       "The project could not be saved: the location %1 is not valid.")},
    {TextId::projectNotLocked,
     QT_TRANSLATE_NOOP("CoreTexts", "The project %1 could not be locked for saving: %2.")},
    {TextId::projectBusy,
     QT_TRANSLATE_NOOP("CoreTexts",
                       "The project %1 is being saved by another program; it was not changed.")},
    {TextId::onePictureChanged,
     QT_TRANSLATE_NOOP("CoreTexts",
                       "the deck’s copy of the picture %1 was changed or damaged on disk")},
    {TextId::twoPicturesChanged,
     QT_TRANSLATE_NOOP(
         "CoreTexts",
         "the deck’s copies of the pictures %1 and %2 were changed or damaged on disk")},
    {TextId::threePicturesChanged,
     QT_TRANSLATE_NOOP(
         "CoreTexts",
         "the deck’s copies of the pictures %1, %2 and %3 were changed or damaged on disk")},
    {TextId::fourPicturesChanged,
     QT_TRANSLATE_NOOP(
         "CoreTexts",
         "the deck’s copies of the pictures %1, %2, %3 and %4 were changed or damaged on disk")},
    {TextId::morePicturesChanged,
     QT_TRANSLATE_NOOP("CoreTexts",
                       "the deck’s copies of the pictures %1, %2, %3 and %4 others were changed or "
                       "damaged on disk")},
    {TextId::onePictureUnread,
     QT_TRANSLATE_NOOP("CoreTexts",
                       "its picture %1 could not be read when it was opened, and saving now would "
                       "remove it from the project")},
    {TextId::morePicturesUnread,
     QT_TRANSLATE_NOOP("CoreTexts",
                       "its pictures %1 and %2 more could not be read when it was opened, and "
                       "saving now would remove them from the project")},
    {TextId::pictureNotRead, QT_TRANSLATE_NOOP("CoreTexts", "could not read the picture “%1”")},
    //: What the project's file is called in "In the %1, ..." and "The %1 ...".
    {TextId::projectFile, QT_TRANSLATE_NOOP("CoreTexts", "project file")},
    //: What the default settings' file is called in "In the %1, ..." and "The %1 ...".
    {TextId::defaultSettingsFile, QT_TRANSLATE_NOOP("CoreTexts", "default settings file")},
    //: What is written, in "The %1 could not be written." and "The %2 cannot be saved ...".
    {TextId::projectSubject, QT_TRANSLATE_NOOP("CoreTexts", "project")},
    //: What is written, in "The %1 could not be written." and "The %2 cannot be saved ...".
    {TextId::defaultSettingsSubject, QT_TRANSLATE_NOOP("CoreTexts", "default settings")},
    //: Where a rule of the project file was broken, in "In the project file, %2 ...".
    {TextId::jsonTopLevel, QT_TRANSLATE_NOOP("CoreTexts", "the top-level value")},
    //: A member of the project file, such as "slides[2].title".
    {TextId::jsonMember, QT_TRANSLATE_NOOP("CoreTexts", "\"%1\"")},
    {TextId::jsonNotString, QT_TRANSLATE_NOOP("CoreTexts", "In the %1, %2 must be a string.")},
    {TextId::jsonNotBoolean,
     QT_TRANSLATE_NOOP("CoreTexts", "In the %1, %2 must be true or false.")},
    {TextId::jsonNotNumber, QT_TRANSLATE_NOOP("CoreTexts", "In the %1, %2 must be a number.")},
    {TextId::jsonNotWholeNumber,
     QT_TRANSLATE_NOOP("CoreTexts",
                       "In the %1, %2 must be a whole number within the 64-bit range.")},
    {TextId::jsonNotIdentifierString,
     QT_TRANSLATE_NOOP("CoreTexts", "In the %1, %2 must be an identifier string.")},
    {TextId::jsonNotIdentifier,
     QT_TRANSLATE_NOOP(
         "CoreTexts", "In the %1, %2 must be an identifier of 36 hexadecimal digits and hyphens.")},
    {TextId::jsonNotDateString,
     QT_TRANSLATE_NOOP("CoreTexts", "In the %1, %2 must be a date string.")},
    {TextId::jsonNotUtcDate,
     QT_TRANSLATE_NOOP(
         "CoreTexts",
         "In the %1, %2 must be a UTC date with whole seconds, such as 2024-05-01T12:30:00Z.")},
    {TextId::jsonNotAllowedName,
     QT_TRANSLATE_NOOP("CoreTexts", "In the %1, %2 is not one of the names this field allows.")},
    {TextId::jsonNotObject, QT_TRANSLATE_NOOP("CoreTexts", "In the %1, %2 must be an object.")},
    {TextId::jsonMissing, QT_TRANSLATE_NOOP("CoreTexts", "In the %1, %2 is missing.")},
    {TextId::jsonNotArray, QT_TRANSLATE_NOOP("CoreTexts", "In the %1, %2 must be an array.")},
    {TextId::jsonNotLocalTime,
     QT_TRANSLATE_NOOP("CoreTexts",
                       "In the %1, %2 must be a date and time such as 2024-05-01T12:30:00.")},
    {TextId::jsonOffsetTooLarge,
     QT_TRANSLATE_NOOP("CoreTexts", "In the %1, %2 must lie within 14 hours of UTC.")},
    {TextId::jsonNewerVersion,
     QT_TRANSLATE_NOOP(
         "CoreTexts",
         "The %2 was written in format version %1, which this version of Mosavelle cannot read.")},
    {TextId::jsonTooDeep,
     QT_TRANSLATE_NOOP("CoreTexts", "The %2 nests arrays or objects more than %1 levels deep.")},
    {TextId::jsonInvalid,
     QT_TRANSLATE_NOOP("CoreTexts", "The %2 is not valid JSON text (error at byte %1).")},
    {TextId::jsonNumberTooLarge,
     QT_TRANSLATE_NOOP("CoreTexts", "The %1 holds a number too large to read.")},
    {TextId::jsonTooLarge, QT_TRANSLATE_NOOP("CoreTexts", "The %1 is too large to read.")},
    {TextId::jsonNotRead, QT_TRANSLATE_NOOP("CoreTexts", "The %1 could not be read.")},
    {TextId::jsonNotFinite,
     QT_TRANSLATE_NOOP("CoreTexts",
                       "The %2 cannot be saved because \"%1\" is not a finite number.")},
    {TextId::jsonYearOutOfRange,
     QT_TRANSLATE_NOOP("CoreTexts",
                       "The %2 cannot be saved because \"%1\" lies outside the years 0 to 9999.")},
    {TextId::jsonNotWritten, QT_TRANSLATE_NOOP("CoreTexts", "The %1 could not be written.")},
    {TextId::presentationNotWritten,
     QT_TRANSLATE_NOOP("CoreTexts", "The presentation could not be written.")},
    {TextId::presentationOutOfMemory,
     QT_TRANSLATE_NOOP("CoreTexts", "There is not enough memory to write the presentation.")},
    {TextId::exportCancelled, QT_TRANSLATE_NOOP("CoreTexts", "The export was cancelled.")},
    {TextId::archiveClosed,
     QT_TRANSLATE_NOOP("CoreTexts", "The presentation archive is already closed.")},
    {TextId::partNameTooLong,
     QT_TRANSLATE_NOOP(
         "CoreTexts",
         "The presentation could not be written: a part name is longer than 65535 bytes.")},
    {TextId::fileNotWritten,
     QT_TRANSLATE_NOOP("CoreTexts", "The file “%1” could not be written: %2.")},
    {TextId::namedFailure, QT_TRANSLATE_NOOP("CoreTexts", "%1: %2")},
};
static_assert(std::size(sentenceTexts) == std::size(textTemplates));

// Each step kind's English name, marked for translation in the context of CoreTexts' tr().
struct StepText {
    EditStep step;
    const char* text;
};
constexpr StepText stepTexts[] = {
    {EditStep::edit, QT_TRANSLATE_NOOP("CoreTexts", "Edit")},
    {EditStep::importImages, QT_TRANSLATE_NOOP("CoreTexts", "Import Images")},
    {EditStep::changeLayout, QT_TRANSLATE_NOOP("CoreTexts", "Change Layout")},
    {EditStep::applyPlacementToAll,
     QT_TRANSLATE_NOOP("CoreTexts", "Apply Placement to All Slides")},
    {EditStep::fitToSlide, QT_TRANSLATE_NOOP("CoreTexts", "Fit to Slide")},
    {EditStep::sort, QT_TRANSLATE_NOOP("CoreTexts", "Sort")},
    {EditStep::deleteSlide, QT_TRANSLATE_NOOP("CoreTexts", "Delete Slide")},
    {EditStep::deleteSlides, QT_TRANSLATE_NOOP("CoreTexts", "Delete Slides")},
    {EditStep::duplicateSlides, QT_TRANSLATE_NOOP("CoreTexts", "Duplicate Slides")},
    {EditStep::renameSlide, QT_TRANSLATE_NOOP("CoreTexts", "Rename Slide")},
    {EditStep::insertSectionDivider, QT_TRANSLATE_NOOP("CoreTexts", "Insert Section Divider")},
    {EditStep::groupSlides, QT_TRANSLATE_NOOP("CoreTexts", "Group Slides")},
    {EditStep::ungroupSlides, QT_TRANSLATE_NOOP("CoreTexts", "Ungroup Slides")},
    {EditStep::reorderSlides, QT_TRANSLATE_NOOP("CoreTexts", "Reorder Slides")},
    {EditStep::addImageToSlide, QT_TRANSLATE_NOOP("CoreTexts", "Add Image to Slide")},
    {EditStep::removeImageFromSlide, QT_TRANSLATE_NOOP("CoreTexts", "Remove Image from Slide")},
    {EditStep::editCaption, QT_TRANSLATE_NOOP("CoreTexts", "Edit Caption")},
    {EditStep::changeCaptionSize, QT_TRANSLATE_NOOP("CoreTexts", "Change Caption Size")},
    {EditStep::changeCaptionAlignment, QT_TRANSLATE_NOOP("CoreTexts", "Change Caption Alignment")},
    {EditStep::changePlacement, QT_TRANSLATE_NOOP("CoreTexts", "Change Placement")},
    {EditStep::changeScale, QT_TRANSLATE_NOOP("CoreTexts", "Change Scale")},
    {EditStep::adjustCrop, QT_TRANSLATE_NOOP("CoreTexts", "Adjust Crop")},
    {EditStep::editNotes, QT_TRANSLATE_NOOP("CoreTexts", "Edit Notes")},
    {EditStep::slideSize, QT_TRANSLATE_NOOP("CoreTexts", "Slide Size")},
    {EditStep::background, QT_TRANSLATE_NOOP("CoreTexts", "Background")},
    {EditStep::backgroundColor, QT_TRANSLATE_NOOP("CoreTexts", "Background Color")},
    {EditStep::slideNumbers, QT_TRANSLATE_NOOP("CoreTexts", "Slide Numbers")},
    {EditStep::captionSetting, QT_TRANSLATE_NOOP("CoreTexts", "Caption Setting")},
    {EditStep::setLogo, QT_TRANSLATE_NOOP("CoreTexts", "Set Logo")},
    {EditStep::removeLogo, QT_TRANSLATE_NOOP("CoreTexts", "Remove Logo")},
    {EditStep::fillCaptions, QT_TRANSLATE_NOOP("CoreTexts", "Fill Captions from Pictures")},
    {EditStep::editAltText, QT_TRANSLATE_NOOP("CoreTexts", "Edit Alt Text")},
    {EditStep::rotateRight, QT_TRANSLATE_NOOP("CoreTexts", "Rotate Right")},
    {EditStep::rotateLeft, QT_TRANSLATE_NOOP("CoreTexts", "Rotate Left")},
    {EditStep::excludeSlides, QT_TRANSLATE_NOOP("CoreTexts", "Exclude Slides")},
    {EditStep::includeSlides, QT_TRANSLATE_NOOP("CoreTexts", "Include Slides")},
    {EditStep::pasteSlides, QT_TRANSLATE_NOOP("CoreTexts", "Paste Slides")},
    {EditStep::advanceSlides, QT_TRANSLATE_NOOP("CoreTexts", "Advance Slides")},
    {EditStep::transition, QT_TRANSLATE_NOOP("CoreTexts", "Transition")},
    {EditStep::loopUntilEsc, QT_TRANSLATE_NOOP("CoreTexts", "Loop Until Esc")},
    {EditStep::slideTiming, QT_TRANSLATE_NOOP("CoreTexts", "Slide Timing")},
    {EditStep::slideTransition, QT_TRANSLATE_NOOP("CoreTexts", "Slide Transition")},
    {EditStep::alignCameraClocks, QT_TRANSLATE_NOOP("CoreTexts", "Align Camera Clocks")},
    {EditStep::insertSectionsAtTimeGaps,
     QT_TRANSLATE_NOOP("CoreTexts", "Insert Sections at Time Gaps")},
    {EditStep::changeLanguage, QT_TRANSLATE_NOOP("CoreTexts", "Change Language")},
};
// Every kind has its entry (a new kind is added at the end of EditStep).
static_assert(std::size(stepTexts) == std::size_t(EditStep::changeLanguage) + 1);

}  // namespace

QString CoreTexts::pattern(TextId id) {
    for (const SentenceText& entry : sentenceTexts)
        if (entry.id == id)
            return QCoreApplication::translate("CoreTexts", entry.text);
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
    if (step)
        for (const StepText& entry : stepTexts)
            if (entry.step == *step)
                return QCoreApplication::translate("CoreTexts", entry.text);
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
