#pragma once

#include <QDialog>

#include "core/model/project.h"

class QLabel;

namespace mosavelle::app {

// The confirmation before copying a placement to every target slide. Window-modal; open it with
// `open()`. "Apply" is the default button and accepts, "Cancel" (also Escape) rejects; the
// caller runs the operation on `accepted`.
class ApplyPlacementSheet : public QDialog {
    Q_OBJECT
public:
    ApplyPlacementSheet(const Placement& placement, int affectedCount, QWidget* parent);

    const Placement& placement() const { return placement_; }
    int affectedCount() const { return affectedCount_; }
    // The sentence naming the mode and the number of slides.
    static QString message(SizingMode mode, int affectedCount);

private:
    Placement placement_;
    int affectedCount_;
};

}  // namespace mosavelle::app
