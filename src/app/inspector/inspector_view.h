#pragma once

#include <QPointer>
#include <QScrollArea>
#include <optional>
#include <vector>

#include "core/layout/rendered_slide.h"
#include "core/model/project.h"
#include "core/platform/uuid.h"

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QStackedWidget;
class QVBoxLayout;

namespace mosavelle::app {

class ApplyPlacementSheet;
class ShowControls;
class DocumentHandle;

class TypingSession;

// The Scale slider moves along a logarithmic track: each step changes the scale by the same small
// share (about 3 %) whatever the scale, from the smallest common scale of a grouped slide up.
inline constexpr int scaleStepsPerDoubling = 24;
inline constexpr double minimumSliderScale = 0.05;
inline constexpr double maximumSliderScale = 4.0;
int sliderForScale(double scale);
double scaleForSlider(int position);

// The side pane that changes the selected slides: layout, title, caption size and alignment,
// captions, placement and scale, with the slide's picture warnings and "Apply Placement to All
// Slides…", and how the slide advances and comes on in a show. It shows the first selected slide in
// deck order and follows the document by itself (selection, project, undo and redo). Every change
// is one core editing operation; sliders are continuous edits that make one undo step per drag. It
// keeps no copy of the deck.
class InspectorView : public QScrollArea {
    Q_OBJECT
public:
    explicit InspectorView(DocumentHandle& handle, QWidget* parent = nullptr);

    // The included slides, other than section dividers, with at least one slot holding a
    // picture: what "Apply Placement to All Slides" changes.
    static int placementTargetCount(const Project& project);
    // The slots of `slide` that get a caption row: those holding a picture, in order; when none
    // does, the first 1, 2 or 4 slots of the layout.
    static std::vector<ImageSlot> captionSlots(const Slide& slide);

    // The sheet while it is up (tests).
    ApplyPlacementSheet* applyPlacementSheet() const;

public Q_SLOTS:
    // Puts the focus in the title field ("Rename Slide…").
    void focusTitleField();

private:
    struct CaptionRow {
        Uuid slotID;
        QWidget* row = nullptr;
        QLabel* thumbnail = nullptr;
        QLabel* label = nullptr;
        QPlainTextEdit* field = nullptr;
        QLabel* warning = nullptr;
        QLineEdit* altText = nullptr;  // the slot's own alt text; its placeholder the default
    };

    void buildSelectedSection();
    void buildCaptionsSection();
    void buildPlacementSection();
    void buildShowSection();
    void refresh();
    void fitWidthToContent();
    void refreshCaptionRows(const Slide& slide, const std::vector<std::string>& textWarnings);
    // A new row of the captions section for the slot `slotID`, its field wired to the deck.
    CaptionRow makeCaptionRow(const Uuid& slotID);
    void refreshWarnings(const Slide& slide, const std::vector<SlideWarning>& warnings);
    const Slide* primary() const;
    Placement currentPlacement(const Slide& slide) const;
    void chooseLayout(int index);
    void choosePlacementSegment(int segment);
    void scaleMoved(int position);
    void openApplyPlacementSheet();

    DocumentHandle& handle_;
    QWidget* content_ = nullptr;
    bool refreshing_ = false;

    QGroupBox* selectedGroup_ = nullptr;
    QStackedWidget* layoutStack_ = nullptr;
    QComboBox* layoutPicker_ = nullptr;
    QLabel* sectionLayoutLabel_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QLineEdit* titleField_ = nullptr;
    // Typing in the title and in the captions: one undo step per run of typing.
    TypingSession* titleTyping_ = nullptr;
    TypingSession* captionTyping_ = nullptr;
    QLabel* titleWarning_ = nullptr;

    QGroupBox* captionsGroup_ = nullptr;
    QSlider* captionSize_ = nullptr;
    QLabel* captionSizeValue_ = nullptr;
    QWidget* alignment_ = nullptr;
    QButtonGroup* alignmentButtons_ = nullptr;
    QVBoxLayout* captionRowsLayout_ = nullptr;
    std::vector<CaptionRow> captionRows_;

    QGroupBox* placementGroup_ = nullptr;
    QWidget* placementSegments_ = nullptr;
    QButtonGroup* placementButtons_ = nullptr;
    QWidget* scaleRow_ = nullptr;
    QSlider* scale_ = nullptr;
    QLabel* scaleValue_ = nullptr;
    QWidget* warnings_ = nullptr;
    std::optional<QString> warningsSignature_;  // what the warnings block shows now
    QPushButton* applyAll_ = nullptr;
    QPointer<ApplyPlacementSheet> sheet_;

    QGroupBox* showGroup_ = nullptr;
    ShowControls* show_ = nullptr;
};

}  // namespace mosavelle::app
