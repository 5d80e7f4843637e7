#pragma once

#include <QDialog>
#include <QList>
#include <QString>

namespace mosavelle::app {

// The help sheet: the heading "Mosavelle Help", an introduction, eight topics in a scrolling
// column (the last is the keyboard table) and a "Done" button on the Return key. Fixed text; it
// changes nothing. Open it window-modal with open().
class HelpView : public QDialog {
    Q_OBJECT
public:
    struct Topic {
        QString title;
        QString text;
    };
    struct KeyRow {
        QString action;
        QString keys;
    };

    explicit HelpView(QWidget* parent = nullptr);

    // The texts, in the order shown.
    static QString introduction();
    static QList<Topic> topics();  // "Import" to "Save and Export"; the keyboard table follows
    static QList<KeyRow> keyboardRows();
};

}  // namespace mosavelle::app
