#pragma once

#include <QWidget>

class QPushButton;

namespace mosavelle::app {

// The middle column while the deck has no slides: a picture, the invitation to import, and the
// "Import Images…" button. Drops on it are the window's (they reach the window's drop handler).
class WelcomeCanvas : public QWidget {
    Q_OBJECT
public:
    explicit WelcomeCanvas(QWidget* parent = nullptr);

    QPushButton* importButton() const { return importButton_; }

Q_SIGNALS:
    void importRequested();

private:
    QPushButton* importButton_;
};

// The middle column while the deck has slides but none to show.
class SelectSlidePlaceholder : public QWidget {
    Q_OBJECT
public:
    explicit SelectSlidePlaceholder(QWidget* parent = nullptr);
};

}  // namespace mosavelle::app
