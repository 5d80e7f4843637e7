#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QMenu>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QTranslator>
#include <QXmlStreamReader>

#include "app/shell/mosavelle_app.h"
#include "app/support/core_texts.h"
#include "app/support/translations.h"
#include "app_test_support.h"
#include "core/editing/slide_settings.h"
#include "core/model/edit_step.h"

namespace {

// A text of the translation source: its context and source, and whether it has plural forms.
struct Message {
    QString context;
    QString source;
    bool numerus = false;
};

QList<Message> readMessages(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    QXmlStreamReader xml(&file);
    QList<Message> messages;
    QString context;
    while (xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd()) {
        if (xml.isStartElement() && xml.name() == u"name")
            context = xml.readElementText();
        else if (xml.isStartElement() && xml.name() == u"message")
            messages.push_back(
                {context, {}, xml.attributes().value(QStringLiteral("numerus")) == u"yes"});
        else if (xml.isStartElement() && xml.name() == u"source")
            messages.back().source = xml.readElementText();
    }
    if (xml.hasError())
        qFatal("%s: %s", qPrintable(path), qPrintable(xml.errorString()));
    return messages;
}

// The pseudo language: every text of the translation source comes back as ⟦text⟧, and so does
// every text of Qt's own (contexts such as "QFileDialog"; its translations cover them). A text
// the source lacks stays as it is.
class PseudoTranslator : public QTranslator {
public:
    explicit PseudoTranslator(const QList<Message>& messages) {
        for (const Message& m : messages)
            known_.insert(m.context + u'\x1f' + m.source);
    }
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override {
        const QString where = QString::fromUtf8(context);
        const QString text = QString::fromUtf8(source);
        const bool qt = where.startsWith(u'Q') && !where.contains(u"::");
        return (qt || known_.contains(where + u'\x1f' + text)) && !text.isEmpty()
                   ? u'⟦' + text + u'⟧'
                   : QString();
    }

private:
    QSet<QString> known_;
};

// Whether `text` has letters outside every ⟦…⟧ but for key names of shortcuts (the S of
// "Ctrl+S", F11) and colour values ("#F2F2F7").
bool untranslated(QString text) {
    static const QRegularExpression wrapped(QStringLiteral("⟦[^⟦⟧]*⟧"));
    static const QRegularExpression keyOrColour(
        QStringLiteral("(?<!\\p{L})(F\\d+|\\p{L})(?!\\p{L})|#[0-9A-Fa-f]{6}\\b"));
    static const QRegularExpression letter(QStringLiteral("\\p{L}"));
    for (qsizetype before = -1; before != text.size();) {
        before = text.size();
        text.remove(wrapped);
    }
    return text.remove(keyOrColour).contains(letter);
}

// Every text a user can see or hear of `root` and its children that did not come through the
// translation: titles, labels, buttons, menus and their actions, tool tips, accessible names and
// descriptions, placeholders, the items of lists and choice boxes. The titles the core gives new
// slides ("Section", "Slide 3") are the deck's own, stored with it.
QStringList untranslatedTexts(QWidget* root) {
    static const QRegularExpression deckTitle(QStringLiteral("^(Section|Slide \\d+)$"));
    QStringList texts;
    const auto add = [&](const QObject* where, const char* what, QString text) {
        text.remove(QLatin1Char('&'));
        if (untranslated(text) && !(qstrcmp(what, "item") == 0 && deckTitle.match(text).hasMatch()))
            texts << QStringLiteral("%1 %2 (%3): %4")
                         .arg(QString::fromLatin1(where->metaObject()->className()),
                              where->objectName(), QString::fromLatin1(what), text);
    };
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        // A file dialog lists the user's files and folders: theirs, not the program's.
        if (w->window()->inherits("QFileDialog") &&
            (w->inherits("QAbstractItemView") || w->inherits("QComboBox") ||
             w->inherits("QLineEdit")))
            continue;
        for (const char* what : {"toolTip", "accessibleName", "accessibleDescription",
                                 "placeholderText", "title", "informativeText"})
            add(w, what, w->property(what).toString());
        if (w->isWindow())
            add(w, "windowTitle", w->windowTitle());
        if (w->inherits("QLabel") || w->inherits("QAbstractButton") || w->inherits("QMessageBox"))
            add(w, "text",
                QTextDocumentFragment::fromHtml(w->property("text").toString()).toPlainText());
        if (auto* edit = qobject_cast<QTextEdit*>(w); edit && edit->isReadOnly())
            add(w, "text", edit->toPlainText());
        for (const QAction* action : w->actions())
            for (const char* what : {"text", "toolTip", "iconText"})
                add(action, what, action->property(what).toString());
        if (auto* box = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < box->count(); ++i)
                add(w, "item", box->itemText(i));
        if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->model()) {
            const QAbstractItemModel* model = view->model();
            for (int row = 0; row < std::min(model->rowCount(view->rootIndex()), 20); ++row)
                for (int role : {int(Qt::DisplayRole), int(Qt::ToolTipRole),
                                 int(Qt::AccessibleTextRole), int(Qt::AccessibleDescriptionRole)})
                    add(w, "item",
                        model->data(model->index(row, 0, view->rootIndex()), role).toString());
        }
    }
    return texts;
}

}  // namespace

// The interface says everything through its translation: the German one is complete and loads
// for a German user, and under a pseudo language the main window, its menus, every sheet and every
// alert show no text that did not come through it.
class PseudoLocaleTest : public QObject {
    Q_OBJECT
private:
    QList<Message> messages_ = readMessages(QStringLiteral(MOSAVELLE_TS_FILE));
    MosavelleApp app_;

    // Closes every window but `keep` that opened, saying what it showed untranslated.
    static void closeOthers(const QSet<QWidget*>& keep, const QString& cause,
                            QStringList& untranslated) {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible() || keep.contains(top))
                continue;
            for (const QString& text : untranslatedTexts(top))
                untranslated << cause + QStringLiteral(" → ") + text;
            if (auto* dialog = qobject_cast<QDialog*>(top))
                dialog->done(QDialog::Rejected);
            top->close();
        }
    }

private Q_SLOTS:
    void initTestCase() { app_.setQuitsWithLastWindow(false); }
    // Every text has a German translation, with the placeholders of its source, and the
    // translation loads for a German user.
    void germanTranslationIsCompleteAndLoads() {
        QVERIFY(installTranslations(*QCoreApplication::instance(), QLocale(QLocale::German)));
        static const QRegularExpression placeholder(QStringLiteral("%\\d"));
        const auto placeholders = [](const QString& text) {
            QSet<QString> found;
            for (auto it = placeholder.globalMatch(text); it.hasNext();)
                found.insert(it.next().captured());
            return found;
        };
        QStringList faults;
        for (const Message& m : messages_) {
            for (int n : m.numerus ? QList{1, 2} : QList{-1}) {
                QString german;
                for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>())
                    if (german.isEmpty())
                        german = t->translate(m.context.toUtf8().constData(),
                                              m.source.toUtf8().constData(), nullptr, n);
                if (german.isEmpty())
                    faults << m.context + QStringLiteral(": not translated: ") + m.source;
                else if (placeholders(german) != placeholders(m.source))
                    faults << m.context + QStringLiteral(": placeholders of: ") + german;
            }
        }
        faults << QCoreApplication::translate("mosavelle::app::WindowActions", "&File");
        qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator*>());
        QCOMPARE(faults, QStringList{QStringLiteral("&Datei")});
    }

    // Untranslated, the interface says the core's sentences and step names word for word as the
    // core does (the command line's wording), arguments and quoted causes in their places.
    void coreTextsSayWhatTheCoreSays() {
        for (int id = 0; id <= int(TextId::namedFailure); ++id) {
            const Text text{TextId(id), {"“%2”", "b"}, {Text{TextId::fileNotRead, {"c"}}}};
            QCOMPARE(CoreTexts::sentence(text), QString::fromStdString(englishText(text)));
        }
        for (int step = 0; step <= int(EditStep::pasteSlides); ++step) {
            const std::string name = stepName(EditStep(step));
            QCOMPARE(CoreTexts::editStep(name), QString::fromStdString(name));
        }
    }

    void everyWindowSheetAndAlertSpeaksThePseudoLanguage() {
        PseudoTranslator pseudo(messages_);
        QCoreApplication::installTranslator(&pseudo);
        QStringList untranslated;

        // Pictures named with digits only, so that no text of the deck's is taken for one of the
        // interface's.
        QPointer<DocumentWindow> window = app_.openWindow(makeDeck({"1", "2"}));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        // Runs what opens a sheet, an alert or a window, walks what it shows and closes it
        // (a question that blocks its command too), then takes back any change it made.
        const QSet<QWidget*> keep{window.data()};
        const auto exercise = [&](const QString& cause, const std::function<void()>& trigger) {
            QTimer watch;
            watch.callOnTimeout([&] { closeOthers(keep, cause, untranslated); });
            watch.start(100);
            trigger();
            QTest::qWait(150);
            watch.stop();
            if (!window)
                qFatal("%s closed the window", qPrintable(cause));
            for (const QString& text : untranslatedTexts(window))
                untranslated << QStringLiteral("main window → ") + text;
            closeOthers(keep, cause, untranslated);
            window->handle().undoHistory()->undo();
        };
        for (QAction* action : window->findChildren<QAction*>()) {
            const QString name = QString(action->text()).remove(u'&');
            if (!action->isSeparator() && !action->menu() && action->isEnabled() &&
                name != QStringLiteral("⟦Quit⟧") && name != QStringLiteral("⟦Close⟧"))
                exercise(name, [action] { action->trigger(); });
        }
        for (QPointer<QAbstractButton> button : window->findChildren<QAbstractButton*>())
            if (button && button->isVisible() && button->isEnabled() && !button->isCheckable())
                exercise(button->text(), [button] { button->click(); });
        // A window closed with changes asks whether to save them.
        exercise(QStringLiteral("closing"), [&] {
            MosavelleDocument& document = window->handle().document();
            document.setSelectedSlideIDs({document.project().slides.front().id});
            setTitleOfSelection(document, "9", stepName(EditStep::renameSlide));
            window->close();
        });
        window->handle().undoHistory()->removeAllSteps();
        window->handle().undoHistory()->markClean();
        window->close();

        QCoreApplication::removeTranslator(&pseudo);
        untranslated.removeDuplicates();
        for (const QString& text : untranslated)
            qInfo("untranslated: %s", qPrintable(text));
        QVERIFY2(untranslated.isEmpty(), "texts not through the translation, listed above");
    }
};

MOSAVELLE_APP_TEST_MAIN(PseudoLocaleTest)
#include "pseudo_locale_test.moc"
