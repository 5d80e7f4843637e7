#pragma once

#include <QWidget>
#include <optional>

#include "core/model/project.h"

class QComboBox;
class QSpinBox;

namespace mosavelle::app {

// Two rows for a show: how slides advance (manually, or after 1 to 600 seconds) and the
// transition with its speed. With `followsDeck` each row starts with "Deck setting", for a
// slide's overrides: choosing it removes the override. The controls only show and report
// choices; the owner turns each into one core operation and sets them back from the document.
class ShowControls : public QWidget {
    Q_OBJECT
public:
    ShowControls(bool followsDeck, QWidget* parent);

    // Absent: "Deck setting" (only with followsDeck).
    void setAdvance(const std::optional<SlideAdvance>& advance);
    void setTransition(const std::optional<SlideTransition>& transition);

Q_SIGNALS:
    void advanceChosen(std::optional<SlideAdvance> advance);
    void transitionChosen(std::optional<SlideTransition> transition);

private:
    std::optional<SlideAdvance> chosenAdvance() const;
    std::optional<SlideTransition> chosenTransition() const;
    void updateEnabled();

    bool followsDeck_;
    QComboBox* advance_ = nullptr;
    QSpinBox* seconds_ = nullptr;
    QComboBox* transition_ = nullptr;
    QComboBox* speed_ = nullptr;
};

}  // namespace mosavelle::app
