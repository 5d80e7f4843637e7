#include "app/inspector/inspector_view.h"

#include <QScrollBar>

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>

#include "app/document/document_handle.h"
#include "app/inspector/apply_placement_sheet.h"
#include "app/inspector/layout_preview_icon.h"
#include "app/preview/slide_key_filter.h"
#include "app/preview/slide_painter.h"
#include "app/settings/show_controls.h"
#include "app/support/core_texts.h"
#include "app/support/tab_order.h"
#include "app/support/typing_session.h"
#include "app/thumbnails/thumbnail_provider.h"
#include "core/editing/selection.h"
#include "core/editing/slide_settings.h"
#include "core/import/picture_texts.h"
#include "core/layout/placement.h"
#include "core/layout/warnings.h"
#include "core/model/edit_step.h"

namespace mosavelle::app {

namespace {

constexpr int inspectorThumbnailPixels = 512;
constexpr std::array pickerLayouts{SlideLayoutKind::oneImage, SlideLayoutKind::imageTitleCaption,
                                   SlideLayoutKind::twoUp, SlideLayoutKind::fourGrid};
constexpr std::array alignments{CaptionAlignment::leading, CaptionAlignment::center,
                                CaptionAlignment::trailing};
enum PlacementSegment { fitSegment, fillSegment, customSegment };

QLabel* warningLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    QPalette orange = label->palette();
    orange.setColor(QPalette::WindowText, QColor(255, 149, 0));
    label->setPalette(orange);
    QFont small = label->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    label->setFont(small);
    return label;
}

// A row of exclusive, checkable buttons that the slide keys leave alone.
QWidget* segmentedControl(const QStringList& names, const QStringList& icons, QButtonGroup*& group,
                          QWidget* parent) {
    auto* box = new QWidget(parent);
    box->setProperty(SlideKeyFilter::segmentedControlProperty, true);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    group = new QButtonGroup(box);
    group->setExclusive(true);
    for (int i = 0; i < names.size(); ++i) {
        auto* button = new QToolButton(box);
        button->setCheckable(true);
        button->setText(names[i]);
        button->setAccessibleName(names[i]);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        if (i < icons.size()) {
            const QIcon icon = QIcon::fromTheme(icons[i]);
            if (!icon.isNull()) {
                button->setIcon(icon);
                button->setToolButtonStyle(Qt::ToolButtonIconOnly);
            }
        }
        group->addButton(button, i);
        row->addWidget(button);
    }
    return box;
}

// The picture's thumbnail in a rounded frame, or a photo symbol.
QPixmap framedThumbnail(ThumbnailProvider& thumbnails, const MosavelleDocument& document,
                        const std::optional<Uuid>& pictureID, QSize size, double ratio,
                        const QColor& symbolColor) {
    QPixmap pixmap(int(size.width() * ratio), int(size.height() * ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const QRectF frame(0, 0, size.width(), size.height());
    QPainterPath clip;
    clip.addRoundedRect(frame, 4, 4);
    painter.setClipPath(clip);
    QImage image;
    if (pictureID) {
        image = thumbnails.image(document.project(), document.imageData(), *pictureID,
                                 inspectorThumbnailPixels);
    }
    if (!image.isNull()) {
        const QSizeF filled =
            QSizeF(image.size()).scaled(frame.size(), Qt::KeepAspectRatioByExpanding);
        painter.drawImage(
            QRectF(frame.center().x() - filled.width() / 2,
                   frame.center().y() - filled.height() / 2, filled.width(), filled.height()),
            image);
    } else {
        QColor fill = symbolColor;
        fill.setAlphaF(0.15f);
        painter.fillRect(frame, fill);
        const QIcon symbol = QIcon::fromTheme(QStringLiteral("image-x-generic"));
        if (!symbol.isNull()) {
            const int side = int(std::min(size.width(), size.height()) * 0.7);
            symbol.paint(&painter, QRect(int(frame.center().x()) - side / 2,
                                         int(frame.center().y()) - side / 2, side, side));
        }
    }
    return pixmap;
}

}  // namespace

InspectorView::InspectorView(DocumentHandle& handle, QWidget* parent)
    : QScrollArea(parent), handle_(handle) {
    titleTyping_ = new TypingSession(handle_.document(), stepName(EditStep::renameSlide), this);
    captionTyping_ = new TypingSession(handle_.document(), stepName(EditStep::editCaption), this);
    setAccessibleName(tr("Inspector"));
    setMinimumWidth(280);
    setWidgetResizable(true);
    // Tab goes to the controls, not to the scrolling frame (which scrolls to the focused one).
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    content_ = new QWidget(this);
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(12);
    buildSelectedSection();
    buildCaptionsSection();
    buildPlacementSection();
    buildShowSection();
    column->addWidget(selectedGroup_);
    column->addWidget(captionsGroup_);
    column->addWidget(placementGroup_);
    column->addWidget(showGroup_);
    column->addStretch(1);
    setWidget(content_);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fitWidthToContent();

    connect(&handle_, &DocumentHandle::documentChanged, this, [this](const DocumentChange& c) {
        // Text typed for one slide is one step of its own, closed before another slide shows.
        if (c.kind == DocumentChangeKind::selection) {
            titleTyping_->end();
            captionTyping_->end();
        }
        if (c.kind == DocumentChangeKind::project || c.kind == DocumentChangeKind::selection ||
            c.kind == DocumentChangeKind::pictures)
            refresh();
    });
    // Only the shown slide's pictures appear here; other thumbnails change nothing.
    connect(&handle_.thumbnails(), &ThumbnailProvider::thumbnailReady, this,
            [this](const Uuid& id) {
                const Slide* slide = primary();
                if (slide && std::any_of(slide->slots.begin(), slide->slots.end(),
                                         [&](const ImageSlot& s) { return s.imageID == id; }))
                    refresh();
            });
    refresh();
}

ApplyPlacementSheet* InspectorView::applyPlacementSheet() const {
    return sheet_;
}

// --- Construction

void InspectorView::buildSelectedSection() {
    selectedGroup_ = new QGroupBox(content_);
    auto* form = new QFormLayout(selectedGroup_);

    layoutStack_ = new QStackedWidget(selectedGroup_);
    layoutPicker_ = new QComboBox(layoutStack_);
    layoutPicker_->setAccessibleName(tr("Layout"));
    // As narrow as the column needs; a long layout name is elided rather than widening it.
    layoutPicker_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    layoutPicker_->setMinimumContentsLength(10);
    const QColor secondary = palette().color(QPalette::PlaceholderText);
    for (SlideLayoutKind kind : pickerLayouts)
        layoutPicker_->addItem(LayoutPreviewIcon::icon(kind, secondary, devicePixelRatioF()),
                               layoutName(kind), int(kind));
    layoutPicker_->setIconSize(QSize(LayoutPreviewIcon::width, LayoutPreviewIcon::height));
    connect(layoutPicker_, &QComboBox::activated, this, &InspectorView::chooseLayout);
    sectionLayoutLabel_ = new QLabel(layoutName(SlideLayoutKind::section), layoutStack_);
    layoutStack_->addWidget(layoutPicker_);
    layoutStack_->addWidget(sectionLayoutLabel_);
    form->addRow(tr("Layout"), layoutStack_);

    titleField_ = new QLineEdit(selectedGroup_);
    titleLabel_ = new QLabel(selectedGroup_);
    titleTyping_->watch(titleField_);
    connect(titleField_, &QLineEdit::textEdited, this, [this](const QString& text) {
        titleTyping_->typed();
        const std::string title = text.toStdString();
        editSelectedSlidesLive(handle_.document(), [&](Slide& s) { s.title = title; });
    });
    form->addRow(titleLabel_, titleField_);
    titleWarning_ = warningLabel(tr("The title is too long for its box on the exported slide."),
                                 selectedGroup_);
    form->addRow(QString(), titleWarning_);
}

void InspectorView::buildCaptionsSection() {
    captionsGroup_ = new QGroupBox(tr("Captions"), content_);
    auto* form = new QFormLayout(captionsGroup_);

    auto* sizeRow = new QWidget(captionsGroup_);
    auto* sizeLayout = new QHBoxLayout(sizeRow);
    sizeLayout->setContentsMargins(0, 0, 0, 0);
    captionSize_ = new QSlider(Qt::Horizontal, sizeRow);
    captionSize_->setRange(int(minimumCaptionPoints), int(maximumCaptionPoints));
    captionSize_->setAccessibleName(tr("Caption size"));
    captionSizeValue_ = new QLabel(sizeRow);
    captionSizeValue_->setFixedWidth(44);
    sizeLayout->addWidget(captionSize_, 1);
    sizeLayout->addWidget(captionSizeValue_);
    form->addRow(tr("Size"), sizeRow);
    connect(captionSize_, &QSlider::sliderPressed, this,
            [this] { handle_.document().beginContinuousEdit(); });
    connect(captionSize_, &QSlider::valueChanged, this, [this](int points) {
        if (refreshing_)
            return;
        MosavelleDocument& document = handle_.document();
        const bool dragging = captionSize_->isSliderDown();
        document.beginContinuousEdit();
        setCaptionPointsLive(document, points);
        if (!dragging)
            document.endContinuousEdit(stepName(EditStep::changeCaptionSize));  // keyboard step
    });
    connect(captionSize_, &QSlider::sliderReleased, this, [this] {
        handle_.document().endContinuousEdit(stepName(EditStep::changeCaptionSize));
    });

    alignment_ = segmentedControl(
        {tr("Left"), tr("Center"), tr("Right")},
        {QStringLiteral("format-justify-left"), QStringLiteral("format-justify-center"),
         QStringLiteral("format-justify-right")},
        alignmentButtons_, captionsGroup_);
    alignment_->setAccessibleName(tr("Caption alignment"));
    alignment_->setFixedWidth(168);
    connect(alignmentButtons_, &QButtonGroup::idClicked, this, [this](int id) {
        const Slide* slide = primary();
        if (!slide || slide->captionAlignment == alignments[std::size_t(id)])
            return;
        setCaptionAlignmentOfSelection(handle_.document(), alignments[std::size_t(id)],
                                       stepName(EditStep::changeCaptionAlignment));
    });
    form->addRow(tr("Alignment"), alignment_);

    auto* rows = new QWidget(captionsGroup_);
    captionRowsLayout_ = new QVBoxLayout(rows);
    captionRowsLayout_->setContentsMargins(0, 0, 0, 0);
    form->addRow(rows);
}

void InspectorView::buildPlacementSection() {
    placementGroup_ = new QGroupBox(tr("Placement"), content_);
    auto* column = new QVBoxLayout(placementGroup_);

    placementSegments_ = segmentedControl({tr("Fit"), tr("Fill"), tr("Custom")}, {},
                                          placementButtons_, placementGroup_);
    placementSegments_->setAccessibleName(tr("Placement"));
    connect(placementButtons_, &QButtonGroup::idClicked, this,
            &InspectorView::choosePlacementSegment);
    column->addWidget(placementSegments_);

    scaleRow_ = new QWidget(placementGroup_);
    auto* scaleLayout = new QHBoxLayout(scaleRow_);
    scaleLayout->setContentsMargins(0, 0, 0, 0);
    scaleLayout->addWidget(new QLabel(tr("Scale"), scaleRow_));
    scale_ = new QSlider(Qt::Horizontal, scaleRow_);
    scale_->setRange(sliderForScale(minimumSliderScale), sliderForScale(maximumSliderScale));
    scale_->setPageStep(scaleStepsPerDoubling / 2);
    scale_->setAccessibleName(tr("Scale"));
    scaleValue_ = new QLabel(scaleRow_);
    scaleValue_->setFixedWidth(44);
    QFont digits = scaleValue_->font();
    digits.setStyleHint(QFont::Monospace);
    digits.setFamily(QStringLiteral("monospace"));
    scaleValue_->setFont(digits);
    scaleLayout->addWidget(scale_, 1);
    scaleLayout->addWidget(scaleValue_);
    column->addWidget(scaleRow_);
    connect(scale_, &QSlider::sliderPressed, this,
            [this] { handle_.document().beginContinuousEdit(); });
    connect(scale_, &QSlider::valueChanged, this, &InspectorView::scaleMoved);
    connect(scale_, &QSlider::sliderReleased, this,
            [this] { handle_.document().endContinuousEdit(stepName(EditStep::changeScale)); });

    warnings_ = new QWidget(placementGroup_);
    warnings_->setAccessibleName(tr("Placement warnings"));
    auto* warningsLayout = new QVBoxLayout(warnings_);
    warningsLayout->setContentsMargins(0, 0, 0, 0);
    warningsLayout->setSpacing(10);
    column->addWidget(warnings_);

    applyAll_ = new QPushButton(tr("Apply Placement to All Slides…"), placementGroup_);
    applyAll_->setObjectName(QStringLiteral("applyPlacementToAll"));
    const QString help = tr("Copy this placement mode to every included slide that has images.");
    applyAll_->setToolTip(help);
    applyAll_->setAccessibleDescription(help);
    connect(applyAll_, &QPushButton::clicked, this, &InspectorView::openApplyPlacementSheet);
    column->addWidget(applyAll_);
}

// --- Reading the document

void InspectorView::buildShowSection() {
    showGroup_ = new QGroupBox(tr("Slide Show"), content_);
    auto* column = new QVBoxLayout(showGroup_);
    show_ = new ShowControls(true, showGroup_);
    // Each row's label above its controls: side by side they would be wider than the column.
    if (auto* form = qobject_cast<QFormLayout*>(show_->layout()))
        form->setRowWrapPolicy(QFormLayout::WrapAllRows);
    column->addWidget(show_);
    connect(show_, &ShowControls::advanceChosen, this, [this](std::optional<SlideAdvance> a) {
        if (!refreshing_)
            setAdvanceOfSelection(handle_.document(), a);
    });
    connect(show_, &ShowControls::transitionChosen, this, [this](std::optional<SlideTransition> t) {
        if (!refreshing_)
            setTransitionOfSelection(handle_.document(), t);
    });
}

const Slide* InspectorView::primary() const {
    const MosavelleDocument& document = handle_.document();
    const auto& ids = document.selectedSlideIDs();
    for (const Slide& slide : document.project().slides)
        if (ids.count(slide.id))
            return &slide;
    return nullptr;
}

Placement InspectorView::currentPlacement(const Slide& slide) const {
    return slide.placementOverride ? *slide.placementOverride
                                   : handle_.document().project().appearance.defaultPlacement;
}

int InspectorView::placementTargetCount(const Project& project) {
    return int(std::count_if(project.slides.begin(), project.slides.end(), [](const Slide& s) {
        return !s.isExcluded && s.layout != SlideLayoutKind::section &&
               std::any_of(s.slots.begin(), s.slots.end(),
                           [](const ImageSlot& slot) { return slot.imageID.has_value(); });
    }));
}

std::vector<ImageSlot> InspectorView::captionSlots(const Slide& slide) {
    std::vector<ImageSlot> out;
    for (const ImageSlot& slot : slide.slots)
        if (slot.imageID)
            out.push_back(slot);
    if (!out.empty())
        return out;
    const int n = slide.layout == SlideLayoutKind::twoUp      ? 2
                  : slide.layout == SlideLayoutKind::fourGrid ? 4
                                                              : 1;
    for (std::size_t i = 0; i < slide.slots.size() && int(i) < n; ++i)
        out.push_back(slide.slots[i]);
    return out;
}

// Wide enough for every control (the shown slide's captions and warnings, words of any
// language): the column scrolls down, never sideways.
void InspectorView::fitWidthToContent() {
    setMinimumWidth(std::max(
        280, content_->minimumSizeHint().width() + verticalScrollBar()->sizeHint().width()));
}

void InspectorView::refresh() {
    refreshing_ = true;
    const Slide* slide = primary();
    content_->setVisible(slide != nullptr);
    if (!slide) {
        refreshing_ = false;
        return;
    }
    const Project& project = handle_.document().project();
    const RenderedSlide rendered =
        renderSlide(*slide, displayIndexOfSlide(project, slide->id).value_or(0), project);
    std::vector<std::string> textWarnings;
    for (const SlideWarning& w : rendered.warnings)
        if (const auto* text = w.as<SlideWarning::TextOverflow>())
            textWarnings.push_back(text->field);
    const auto hasTextWarning = [&](const std::string& field) {
        return std::find(textWarnings.begin(), textWarnings.end(), field) != textWarnings.end();
    };

    // Selected slide(s)
    selectedGroup_->setTitle(handle_.document().selectedSlideIDs().size() > 1 &&
                                     selectedSlides(handle_.document()).size() > 1
                                 ? tr("Selected Slides")
                                 : tr("Selected Slide"));
    const bool isSection = slide->layout == SlideLayoutKind::section;
    layoutStack_->setCurrentWidget(isSection ? static_cast<QWidget*>(sectionLayoutLabel_)
                                             : layoutPicker_);
    if (!isSection)
        layoutPicker_->setCurrentIndex(layoutPicker_->findData(int(slide->layout)));
    const bool printsTitle = isSection || slide->layout == SlideLayoutKind::imageTitleCaption;
    titleLabel_->setText(printsTitle ? tr("Title") : tr("Slide Name"));
    titleField_->setPlaceholderText(printsTitle ? tr("Title") : tr("Slide name"));
    titleField_->setAccessibleName(printsTitle ? tr("Title") : tr("Slide name"));
    const QString title = QString::fromStdString(slide->title);
    if (titleField_->text() != title)
        titleField_->setText(title);
    titleWarning_->setVisible(hasTextWarning("title"));

    // Captions
    captionsGroup_->setVisible(!isSection && !slide->slots.empty());
    if (captionsGroup_->isVisibleTo(content_)) {
        const int points = int(std::lround(slide->captionPoints));
        if (!captionSize_->isSliderDown())
            captionSize_->setValue(points);
        captionSizeValue_->setText(tr("%1 pt").arg(points));
        captionSize_->setAccessibleDescription(tr("%1 points").arg(points));
        const auto a = std::find(alignments.begin(), alignments.end(), slide->captionAlignment);
        if (auto* button = alignmentButtons_->button(int(a - alignments.begin())))
            button->setChecked(true);
        refreshCaptionRows(*slide, textWarnings);
    }

    // Placement
    const Placement placement = currentPlacement(*slide);
    const bool sized = placement.mode != SizingMode::fit && placement.mode != SizingMode::fill;
    const int segment = placement.mode == SizingMode::fit    ? fitSegment
                        : placement.mode == SizingMode::fill ? fillSegment
                                                             : customSegment;
    placementButtons_->button(segment)->setChecked(true);
    scaleRow_->setVisible(sized);
    if (sized) {
        const double value = std::isfinite(placement.scale) ? placement.scale : 1.0;
        // The label names the real scale, even one the slider cannot reach.
        const QString percent = QString::number(value * 100, 'g', 3);
        if (!scale_->isSliderDown())
            scale_->setValue(sliderForScale(value));
        scaleValue_->setText(tr("%1%").arg(percent));
        scale_->setAccessibleDescription(tr("%1 percent").arg(percent));
    }
    refreshWarnings(*slide, rendered.warnings);
    applyAll_->setEnabled(placementTargetCount(project) > 0);
    show_->setAdvance(slide->advanceOverride);
    show_->setTransition(slide->transitionOverride);
    refreshing_ = false;
    fitWidthToContent();
}

InspectorView::CaptionRow InspectorView::makeCaptionRow(const Uuid& slotID) {
    CaptionRow row;
    row.slotID = slotID;
    row.row = new QWidget(captionsGroup_);
    auto* grid = new QGridLayout(row.row);
    grid->setContentsMargins(0, 0, 0, 0);
    row.thumbnail = new QLabel(row.row);
    row.thumbnail->setFixedSize(44, 28);
    row.label = new QLabel(row.row);
    row.field = new QPlainTextEdit(row.row);
    row.field->setPlaceholderText(tr("Add caption"));
    row.field->setFixedHeight(row.field->fontMetrics().lineSpacing() * 3 + 10);
    row.warning =
        warningLabel(tr("This caption is too long for its box on the exported slide."), row.row);
    grid->addWidget(row.thumbnail, 0, 0);
    grid->addWidget(row.label, 0, 1);
    grid->addWidget(row.field, 1, 0, 1, 2);
    grid->addWidget(row.warning, 2, 0, 1, 2);
    row.altText = new QLineEdit(row.row);
    grid->addWidget(new QLabel(tr("Alt text"), row.row), 3, 0);
    grid->addWidget(row.altText, 3, 1);
    grid->setColumnStretch(1, 1);
    // One step per finished edit; a blank field gives the slot back its picture's own text.
    QLineEdit* altText = row.altText;
    connect(altText, &QLineEdit::editingFinished, this, [this, slotID, altText] {
        const Slide* slide = primary();
        if (refreshing_ || !slide)
            return;
        editAltText(handle_.document(), slide->id, slotID, altText->text().toStdString());
    });
    QPlainTextEdit* field = row.field;
    // Tab moves on to the next control; a caption holds no tab characters.
    field->setTabChangesFocus(true);
    captionTyping_->watch(field);
    connect(field, &QPlainTextEdit::textChanged, this, [this, slotID, field] {
        if (refreshing_)
            return;
        captionTyping_->typed();
        const std::string text = field->toPlainText().toStdString();
        editSelectedSlidesLive(handle_.document(), [&](Slide& s) {
            for (ImageSlot& slot : s.slots)
                if (slot.id == slotID)
                    slot.caption = text;
        });
    });
    return row;
}

void InspectorView::refreshCaptionRows(const Slide& slide,
                                       const std::vector<std::string>& textWarnings) {
    const std::vector<ImageSlot> slots = captionSlots(slide);
    const bool numbered = slide.slots.size() >= 2;
    bool sameRows = slots.size() == captionRows_.size();
    for (std::size_t i = 0; sameRows && i < slots.size(); ++i)
        sameRows = slots[i].id == captionRows_[i].slotID;
    if (!sameRows) {
        for (CaptionRow& row : captionRows_) {
            // Not deleted at once: a field of the row may be the sender of the running change.
            captionRowsLayout_->removeWidget(row.row);
            row.row->hide();
            row.row->deleteLater();
        }
        captionRows_.clear();
        for (const ImageSlot& slot : slots) {
            CaptionRow row = makeCaptionRow(slot.id);
            captionRowsLayout_->addWidget(row.row);
            captionRows_.push_back(row);
        }
        // New rows would otherwise come last in the Tab order, after the sections below them.
        orderTabStopsByLayout(content_);
    }

    // The rendering names a caption "caption N" on multi-picture layouts, "caption" otherwise.
    const bool multiPicture =
        slide.layout == SlideLayoutKind::twoUp || slide.layout == SlideLayoutKind::fourGrid;
    const MosavelleDocument& document = handle_.document();
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const ImageSlot& slot = slots[i];
        CaptionRow& row = captionRows_[i];
        const auto position = std::find_if(slide.slots.begin(), slide.slots.end(),
                                           [&](const ImageSlot& s) { return s.id == slot.id; }) -
                              slide.slots.begin();
        const QString number = QString::number(position + 1);
        row.label->setText(numbered ? tr("Caption %1").arg(number) : tr("Caption"));
        const SourceImage* image =
            slot.imageID ? document.project().sourceImage(*slot.imageID) : nullptr;
        QString accessible = row.label->text();
        if (image) {
            const QString file = QString::fromStdString(image->originalFileName);
            accessible = numbered ? tr("Caption %1 for %2").arg(number, file)
                                  : tr("Caption for %1").arg(file);
        }
        row.field->setAccessibleName(accessible);
        row.altText->setAccessibleName(
            image ? tr("Alt text for %1").arg(QString::fromStdString(image->originalFileName))
                  : tr("Alt text"));
        ImageSlot withoutOwn = slot;
        withoutOwn.altText.reset();
        row.altText->setPlaceholderText(QString::fromStdString(
            altTextOf(withoutOwn, image, document.project().appearance.filenameCleanup)));
        const QString ownAltText = QString::fromStdString(slot.altText.value_or(""));
        if (!row.altText->hasFocus() && row.altText->text() != ownAltText)
            row.altText->setText(ownAltText);
        const QString caption = QString::fromStdString(slot.caption);
        if (row.field->toPlainText() != caption) {
            const int cursor = row.field->textCursor().position();
            row.field->setPlainText(caption);
            QTextCursor c = row.field->textCursor();
            c.setPosition(std::min(cursor, int(caption.size())));
            row.field->setTextCursor(c);
        }
        const std::string field =
            multiPicture ? "caption " + std::to_string(position + 1) : std::string("caption");
        row.warning->setVisible(std::find(textWarnings.begin(), textWarnings.end(), field) !=
                                textWarnings.end());
        row.thumbnail->setPixmap(framedThumbnail(
            handle_.thumbnails(), document, image ? slot.imageID : std::nullopt, QSize(44, 28),
            devicePixelRatioF(), palette().color(QPalette::PlaceholderText)));
    }
}

void InspectorView::refreshWarnings(const Slide& slide, const std::vector<SlideWarning>& warnings) {
    (void)slide;
    // The block is rebuilt only when what it lists (or a thumbnail it shows) changed, not on
    // every keystroke in a caption.
    QString signature;
    for (const SlideWarning& w : warnings) {
        if (const auto* o = w.as<SlideWarning::OverflowsSlide>()) {
            const auto bytes = handle_.document().imageData().find(o->imageID);
            const bool ready = bytes != handle_.document().imageData().end() &&
                               handle_.thumbnails().isReady(o->imageID, inspectorThumbnailPixels);
            signature += QString::fromStdString("o" + o->imageID.text()) + (ready ? "+" : "-");
        } else if (w.as<SlideWarning::LowResolution>()) {
            signature += QStringLiteral("l");
        } else if (const auto* m = w.as<SlideWarning::MissingImage>(); m && m->imageID) {
            signature += QStringLiteral("m");
        }
    }
    if (warningsSignature_ == signature)
        return;
    warningsSignature_ = signature;
    auto* layout = static_cast<QVBoxLayout*>(warnings_->layout());
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (item->widget()) {
            item->widget()->hide();
            item->widget()->deleteLater();
        }
        delete item;
    }
    std::vector<Uuid> overflowing, missing;
    bool blurry = false;
    for (const SlideWarning& w : warnings) {
        if (const auto* o = w.as<SlideWarning::OverflowsSlide>())
            overflowing.push_back(o->imageID);
        if (w.as<SlideWarning::LowResolution>())
            blurry = true;
        if (const auto* m = w.as<SlideWarning::MissingImage>(); m && m->imageID)
            missing.push_back(*m->imageID);
    }
    warnings_->setVisible(!overflowing.empty() || blurry || !missing.empty());
    const MosavelleDocument& document = handle_.document();
    for (const Uuid& picture : overflowing) {
        auto* row = new QWidget(warnings_);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        auto* thumbnail = new QLabel(row);
        thumbnail->setFixedSize(24, 24);
        thumbnail->setPixmap(framedThumbnail(handle_.thumbnails(), document, picture, QSize(24, 24),
                                             devicePixelRatioF(),
                                             palette().color(QPalette::PlaceholderText)));
        auto* message = new QLabel(CoreTexts::warning(SlideWarning::overflowsSlide(picture)), row);
        message->setWordWrap(true);
        auto* fit = new QPushButton(tr("Fit to Slide"), row);
        fit->setAccessibleDescription(tr("Fit the image into the layout’s available image area."));
        connect(fit, &QPushButton::clicked, this, [this] { fitToSlide(handle_.document()); });
        line->addWidget(thumbnail);
        line->addWidget(message, 1);
        line->addWidget(fit);
        layout->addWidget(row);
    }
    if (blurry)
        layout->addWidget(new QLabel(tr("Image may be blurry when presented."), warnings_));
    for (std::size_t i = 0; i < missing.size(); ++i)
        layout->addWidget(new QLabel(tr("A picture on this slide is missing."), warnings_));
}

// --- Gestures

void InspectorView::focusTitleField() {
    if (!primary())
        return;
    titleField_->setFocus(Qt::ShortcutFocusReason);
    titleField_->selectAll();
}

void InspectorView::chooseLayout(int index) {
    const Slide* slide = primary();
    if (!slide || index < 0)
        return;
    const auto kind = SlideLayoutKind(layoutPicker_->itemData(index).toInt());
    if (kind != slide->layout)
        changeLayout(handle_.document(), kind);
}

void InspectorView::choosePlacementSegment(int segment) {
    const Slide* slide = primary();
    if (!slide)
        return;
    Placement placement = currentPlacement(*slide);
    if (segment == customSegment) {
        if (placement.mode != SizingMode::fit && placement.mode != SizingMode::fill)
            return;
        placement.mode = SizingMode::custom;  // keeps the current scale
    } else {
        placement.mode = segment == fitSegment ? SizingMode::fit : SizingMode::fill;
        placement.scale = 1.0;
    }
    setPlacementOfSelection(handle_.document(), placement, stepName(EditStep::changePlacement));
}

int sliderForScale(double scale) {
    const double clamped = std::clamp(scale, minimumSliderScale, maximumSliderScale);
    return int(std::lround(std::log2(clamped) * scaleStepsPerDoubling));
}

double scaleForSlider(int position) {
    // The named sizes snap to their exact values.
    constexpr std::array namedScales{0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0};
    const double scale = std::exp2(double(position) / scaleStepsPerDoubling);
    for (double named : namedScales)
        if (std::abs(scale / named - 1) < 0.015)
            return named;
    return std::clamp(scale, minimumSliderScale, maximumSliderScale);
}

void InspectorView::scaleMoved(int position) {
    if (refreshing_)
        return;
    const Slide* slide = primary();
    if (!slide)
        return;
    const double scale = scaleForSlider(position);
    Placement placement = currentPlacement(*slide);
    placement.mode = modeForScale(scale);
    placement.scale = scale;
    MosavelleDocument& document = handle_.document();
    const bool dragging = scale_->isSliderDown();
    document.beginContinuousEdit();
    setPlacementLive(document, placement);
    if (!dragging)
        document.endContinuousEdit(stepName(EditStep::changeScale));  // keyboard step
}

void InspectorView::openApplyPlacementSheet() {
    const Slide* slide = primary();
    if (!slide || sheet_)
        return;
    const int count = placementTargetCount(handle_.document().project());
    if (count == 0)
        return;
    sheet_ = new ApplyPlacementSheet(currentPlacement(*slide), count, this);
    sheet_->setAttribute(Qt::WA_DeleteOnClose);
    connect(sheet_, &QDialog::accepted, this, [this] {
        if (sheet_)
            applyPlacementToAll(handle_.document(), sheet_->placement());
    });
    sheet_->open();
}

}  // namespace mosavelle::app
