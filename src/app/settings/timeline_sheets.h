#pragma once

#include <QDialog>

class QRadioButton;
class QSpinBox;

namespace mosavelle::app {

class DocumentHandle;

// "Insert Sections at Time Gaps…": splits the deck, in capture-date order, into parts where the
// pictures lie more than a number of hours apart (2 unless changed) or at each new day, with a
// divider titled with the date (in the user's locale) before each part. "Insert Sections" makes
// it one undo step; Cancel changes nothing. Open it window-modal with `open()`.
class TimeGapSheet : public QDialog {
    Q_OBJECT
public:
    TimeGapSheet(DocumentHandle& handle, QWidget* parent);

private:
    void insertSections();

    DocumentHandle& handle_;
    QRadioButton* byGap_ = nullptr;
    QSpinBox* hours_ = nullptr;
};

// "Align Camera Clocks…" for the two selected slides: says which camera's clock will be corrected
// and by how much, and aligns it on "Align" (one undo step). With a selection that cannot be
// aligned it says what is needed instead. Window-modal over `parent`.
void askToAlignCameraClocks(DocumentHandle& handle, QWidget* parent);

}  // namespace mosavelle::app
