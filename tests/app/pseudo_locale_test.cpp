#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabBar>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QTranslator>
#include <QXmlStreamReader>

#include "app/support/core_texts.h"
#include "app/support/translations.h"
#include "app_test_support.h"
#include "core/layout/warnings.h"
#include "core/model/edit_step.h"

namespace {

// A message of the translation source: its context, source text and translations (one, or one
// per plural form).
struct Message {
    QString context;
    QString source;
    QStringList translations;
    bool finished = true;
};

QList<Message> readMessages(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    QXmlStreamReader xml(&file);
    QList<Message> messages;
    QString context;
    bool numerus = false;
    while (xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd()) {
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"message") {
            messages.push_back(Message{context, {}, {}, true});
            numerus = xml.attributes().value(QStringLiteral("numerus")) == u"yes";
        } else if (xml.name() == u"source") {
            messages.back().source = xml.readElementText();
        } else if (xml.name() == u"translation") {
            messages.back().finished = xml.attributes().value(QStringLiteral("type")).isEmpty();
            // Plural forms come as child elements of their own.
            if (!numerus)
                messages.back().translations.push_back(xml.readElementText());
        } else if (xml.name() == u"numerusform") {
            messages.back().translations.push_back(xml.readElementText());
        }
    }
    if (xml.hasError())
        qFatal("%s: %s", qPrintable(path), qPrintable(xml.errorString()));
    return messages;
}

// The pseudo language: every text of the translation source comes back as ⟦text⟧, and so does
// every text of Qt's own (its contexts start with "Q"; its translations cover them). A text of
// the program's that the source lacks is recorded: the source is out of date.
class PseudoTranslator : public QTranslator {
public:
    explicit PseudoTranslator(const QList<Message>& messages) {
        for (const Message& m : messages)
            known_.insert(m.context + u'\x1f' + m.source);
    }
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        const QString text = QString::fromUtf8(source);
        const QString where = QString::fromUtf8(context);
        if (text.isEmpty())
            return {};
        if (!known_.contains(where + u'\x1f' + text) && !isQtContext(where)) {
            missing_.insert(where + QStringLiteral(": ") + text);
            return {};
        }
        return u'⟦' + text + u'⟧';
    }
    QStringList missing() const { return QStringList(missing_.begin(), missing_.end()); }

private:
    static bool isQtContext(const QString& context) {
        return context.startsWith(u'Q') && !context.contains(u"::");
    }
    QSet<QString> known_;
    mutable QSet<QString> missing_;
};

// The letters of `text` outside every ⟦…⟧, key names of shortcuts ("Ctrl+S") left out.
QString untranslatedPart(const QString& text) {
    QString outside;
    int depth = 0;
    for (QChar c : text) {
        if (c == u'⟦')
            ++depth;
        else if (c == u'⟧')
            depth = std::max(0, depth - 1);
        else if (depth == 0)
            outside += c;
    }
    static const QRegularExpression keyName(QStringLiteral("(^|\\+)(F\\d+|\\w)(?=$|[+,\\s])"));
    outside.replace(keyName, QStringLiteral("\\1"));
    for (QChar c : outside)
        if (c.isLetter())
            return outside.trimmed();
    return {};
}

// Every text a user can see or hear of `root` and its children: titles, labels, buttons, menus
// and their actions, tool tips, accessible names and descriptions, placeholders, the items of
// lists and choice boxes. Each as "where: text".
QStringList visibleTexts(QWidget* root) {
    QStringList texts;
    const auto add = [&](const QObject* where, const QString& what, QString text) {
        text.remove(QLatin1Char('&'));
        if (!text.trimmed().isEmpty())
            texts << QStringLiteral("%1 %2 (%3): %4")
                         .arg(QString::fromLatin1(where->metaObject()->className()),
                              where->objectName(), what, text);
    };
    const auto addAction = [&](const QAction* action) {
        if (action->isSeparator())
            return;
        add(action, QStringLiteral("text"), action->text());
        add(action, QStringLiteral("tool tip"), action->toolTip());
        add(action, QStringLiteral("icon text"), action->iconText());
    };
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        // A file dialog lists the user's files and folders: theirs, not the program's.
        if (w->window()->inherits("QFileDialog") &&
            (qobject_cast<QAbstractItemView*>(w) || qobject_cast<QComboBox*>(w) ||
             qobject_cast<QLineEdit*>(w)))
            continue;
        if (w->isWindow())
            add(w, QStringLiteral("title"), w->windowTitle());
        add(w, QStringLiteral("tool tip"), w->toolTip());
        add(w, QStringLiteral("accessible name"), w->accessibleName());
        add(w, QStringLiteral("accessible description"), w->accessibleDescription());
        for (const QAction* action : w->actions())
            addAction(action);
        if (auto* label = qobject_cast<QLabel*>(w))
            add(w, QStringLiteral("text"),
                QTextDocumentFragment::fromHtml(label->text()).toPlainText());
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            add(w, QStringLiteral("text"), button->text());
        if (auto* group = qobject_cast<QGroupBox*>(w))
            add(w, QStringLiteral("title"), group->title());
        if (auto* line = qobject_cast<QLineEdit*>(w))
            add(w, QStringLiteral("placeholder"), line->placeholderText());
        if (auto* edit = qobject_cast<QTextEdit*>(w)) {
            add(w, QStringLiteral("placeholder"), edit->placeholderText());
            if (edit->isReadOnly())
                add(w, QStringLiteral("text"), edit->toPlainText());
        }
        if (auto* edit = qobject_cast<QPlainTextEdit*>(w))
            add(w, QStringLiteral("placeholder"), edit->placeholderText());
        if (auto* box = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < box->count(); ++i)
                add(w, QStringLiteral("item"), box->itemText(i));
        if (auto* spin = qobject_cast<QSpinBox*>(w)) {
            add(w, QStringLiteral("suffix"), spin->suffix());
            add(w, QStringLiteral("prefix"), spin->prefix());
        }
        if (auto* tabs = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                add(w, QStringLiteral("tab"), tabs->tabText(i));
        if (auto* menu = qobject_cast<QMenu*>(w))
            add(w, QStringLiteral("title"), menu->title());
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            add(w, QStringLiteral("text"), box->text());
            add(w, QStringLiteral("informative text"), box->informativeText());
        }
        if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->model()) {
            const QAbstractItemModel* model = view->model();
            for (int row = 0; row < std::min(model->rowCount(), 20); ++row)
                for (int role : {int(Qt::DisplayRole), int(Qt::ToolTipRole),
                                 int(Qt::AccessibleTextRole), int(Qt::AccessibleDescriptionRole)})
                    add(w, QStringLiteral("item"),
                        model->data(model->index(row, 0, view->rootIndex()), role).toString());
        }
    }
    for (QMenu* menu : root->findChildren<QMenu*>())
        for (const QAction* action : menu->actions())
            addAction(action);
    return texts;
}

QStringList untranslatedTexts(QWidget* root) {
    QStringList found;
    for (const QString& text : visibleTexts(root)) {
        const QString colon = QStringLiteral("): ");
        const QString shown = text.mid(text.indexOf(colon) + colon.size());
        if (!untranslatedPart(shown).isEmpty())
            found << text;
    }
    return found;
}

// The pictures and slides of the deck walked: names of digits only, so that no text of the
// user's is taken for an untranslated one.
std::unique_ptr<DocumentHandle> digitDeck() {
    DeckBuilder deck;
    const Uuid a = deck.picture(Qt::red);
    const Uuid b = deck.picture(Qt::blue, 300, 400);
    deck.project.images[0].originalFileName = "1";
    deck.project.images[1].originalFileName = "2";
    deck.slide(SlideLayoutKind::oneImage, {a}).title = "1";
    deck.slide(SlideLayoutKind::twoUp, {a, b}).title = "2";
    deck.slide(SlideLayoutKind::section, {}).title = "3";
    return deck.handle();
}

}  // namespace

// The interface says everything through its translation: the German one is complete and loads
// for a German user, and under a pseudo language the main window, its menus, every sheet and every
// alert show no text that did not come through it.
class PseudoLocaleTest : public QObject {
    Q_OBJECT
private:
    QList<Message> messages_ = readMessages(QStringLiteral(MOSAVELLE_TS_FILE));

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
    void germanTranslationIsCompleteAndLoads() {
        static const QRegularExpression placeholder(QStringLiteral("%\\d"));
        QStringList faults;
        for (const Message& m : messages_) {
            QSet<QString> wanted;
            for (auto it = placeholder.globalMatch(m.source); it.hasNext();)
                wanted.insert(it.next().captured());
            bool empty = m.translations.isEmpty();
            for (const QString& t : m.translations) {
                empty = empty || t.isEmpty();
                QSet<QString> got;
                for (auto it = placeholder.globalMatch(t); it.hasNext();)
                    got.insert(it.next().captured());
                if (got != wanted)
                    faults << m.context + QStringLiteral(": placeholders of “") + t + u'”';
            }
            if (empty || !m.finished)
                faults << m.context + QStringLiteral(": no translation of “") + m.source + u'”';
        }
        for (const QString& fault : faults)
            qInfo("%s", qPrintable(fault));
        QVERIFY2(faults.isEmpty(), "the German translation is incomplete, as listed above");

        QVERIFY(installTranslations(*QCoreApplication::instance(), QLocale(QLocale::German)));
        QCOMPARE(QCoreApplication::translate("mosavelle::app::DocumentMenus", "&File"),
                 QStringLiteral("&Datei"));
        for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
    }

    // Untranslated, the interface says the core's sentences and names word for word as the core
    // does (the command line's wording), arguments and quoted causes in their places.
    void coreTextsSayWhatTheCoreSays() {
        for (int id = 0; id <= int(TextId::namedFailure); ++id) {
            const Text text{TextId(id), {"“%2”", "b"}, {Text{TextId::fileNotRead, {"c"}}}};
            QCOMPARE(CoreTexts::sentence(text), QString::fromStdString(englishText(text)));
        }
        for (int step = 0; step <= int(EditStep::removeLogo); ++step) {
            const std::string name = stepName(EditStep(step));
            QCOMPARE(CoreTexts::editStep(name), QString::fromStdString(name));
        }
        for (int stage = 0; stage <= int(ExportStage::done); ++stage) {
            const ExportProgress progress{0, {}, ExportStage(stage), 3, 12};
            QCOMPARE(CoreTexts::exportProgress(progress),
                     QString::fromStdString(exportStageMessage(ExportStage(stage), 3, 12)));
        }
        for (const SlideWarning& w :
             {SlideWarning::overflowsSlide(Uuid::random()), SlideWarning::textOverflow("caption 2"),
              SlideWarning::textOverflow("title")})
            QCOMPARE(CoreTexts::warning(w), QString::fromStdString(warningMessage(w)));
    }

    void everyWindowSheetAndAlertSpeaksThePseudoLanguage() {
        PseudoTranslator pseudo(messages_);
        QCoreApplication::installTranslator(&pseudo);
        QStringList untranslated;

        QPointer<DocumentWindow> window = new DocumentWindow(digitDeck());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        for (const QString& text : untranslatedTexts(window))
            untranslated << QStringLiteral("main window → ") + text;

        // Every command that opens a sheet, an alert or a window of its own, one at a time.
        const QSet<QWidget*> keep{window.data()};
        const QStringList skipped{QStringLiteral("Quit"), QStringLiteral("Close")};
        for (QAction* action : window->findChildren<QAction*>()) {
            const QString name = QString(action->text()).remove(u'&');
            if (action->isSeparator() || action->menu() || !action->isEnabled() ||
                skipped.contains(name.mid(1, name.size() - 2)))
                continue;
            // A question that blocks its command is answered by closing it.
            QTimer watch;
            watch.callOnTimeout([&] { closeOthers(keep, name, untranslated); });
            watch.start(100);
            action->trigger();
            QTest::qWait(150);
            watch.stop();
            closeOthers(keep, name, untranslated);
            window->handle().undoHistory()->undo();
        }
        window->handle().undoHistory()->removeAllSteps();
        window->handle().undoHistory()->markClean();
        window->close();

        QCoreApplication::removeTranslator(&pseudo);
        untranslated.removeDuplicates();
        for (const QString& text : untranslated)
            qInfo("untranslated: %s", qPrintable(text));
        for (const QString& text : pseudo.missing())
            qInfo("not in the translation source (run the lupdate target): %s", qPrintable(text));
        QVERIFY2(untranslated.isEmpty() && pseudo.missing().isEmpty(),
                 "texts without translation, listed above");
    }
};

int main(int argc, char** argv) {
    isolateUserFolders();
    QApplication app(argc, argv);
    PseudoLocaleTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "pseudo_locale_test.moc"
