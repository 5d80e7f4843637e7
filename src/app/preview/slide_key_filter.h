#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace mosavelle::app {

class DocumentHandle;

// The deck window's slide keys. Installed for one deck window, it watches the application's key
// presses while that window is active: Right and Down select the next slide, Left and Up the
// previous one, Delete and Backspace (the forward and backward delete keys) delete the selected
// slides. It stays out of the way while the deck has no slides, while a modifier other than the
// keypad flag is held, and while the focus is in a text field or editor, slider, spin box, combo
// box or segmented control (or anything inside one): there the keys keep their usual meaning.
// Handled keys are consumed; every other event passes on.
//
// It also watches mouse releases in the window: 50 ms after one, a navigator slide drag that no
// drop target ended is ended (the document's drag state is cleared).
class SlideKeyFilter : public QObject {
    Q_OBJECT
public:
    // A widget (a container of buttons, say) with this dynamic property set to true counts as a
    // segmented control.
    static constexpr const char* segmentedControlProperty = "mosavelleSegmentedControl";

    // Installs itself on the application; removed when destroyed (with `window`, its parent).
    SlideKeyFilter(DocumentHandle& handle, QWidget* window);
    ~SlideKeyFilter() override;

    // Whether `focus` (or one of its ancestors) is a control that keeps the slide keys for
    // itself: text fields and editors, sliders, spin boxes, combo boxes, segmented controls.
    static bool blocksSlideKeys(const QWidget* focus);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleKey(QObject* watched, QEvent* event);

    DocumentHandle& handle_;
    QPointer<QWidget> window_;
};

}  // namespace mosavelle::app
