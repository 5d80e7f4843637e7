#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace mosavelle::app {

class DocumentHandle;

// The deck window's slide keys. It watches the key presses that reach the widget with the
// keyboard focus in `window` (the window itself while nothing in it has the focus): Right and
// Down select the next slide, Left and Up the previous one, Delete and Backspace (the forward and
// backward delete keys) delete the selected slides. It stays out of the way while the deck has no
// slides, while a modifier other than the keypad flag is held, and while the focus is in a text
// field or editor, slider, spin box, combo box or segmented control (or anything inside one):
// there the keys keep their usual meaning. Handled keys are consumed; every other event passes
// on.
class SlideKeyFilter : public QObject {
    Q_OBJECT
public:
    // A widget (a container of buttons, say) with this dynamic property set to true counts as a
    // segmented control.
    static constexpr const char* segmentedControlProperty = "mosavelleSegmentedControl";

    // Follows the focus in `window`, its parent (it goes with it).
    SlideKeyFilter(DocumentHandle& handle, QWidget* window);
    ~SlideKeyFilter() override;

    // Whether `focus` (or one of its ancestors) is a control that keeps the slide keys for
    // itself: text fields and editors, sliders, spin boxes, combo boxes, segmented controls.
    static bool blocksSlideKeys(const QWidget* focus);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleKey(QObject* watched, QEvent* event);
    void watch(QWidget* focus);

    DocumentHandle& handle_;
    QPointer<QWidget> window_;
    QPointer<QWidget> watched_;
};

}  // namespace mosavelle::app
