#include "app/support/tab_order.h"

#include <QAbstractScrollArea>
#include <QLayout>
#include <QScrollArea>
#include <QSplitter>
#include <QWidget>

namespace mosavelle::app {

namespace {

void collect(QWidget* widget, QList<QWidget*>& stops);

void collectLayout(QLayout* layout, QList<QWidget*>& stops) {
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (QWidget* widget = item->widget())
            collect(widget, stops);
        else if (QLayout* inner = item->layout())
            collectLayout(inner, stops);
    }
}

void collect(QWidget* widget, QList<QWidget*>& stops) {
    if (widget->focusPolicy() & Qt::TabFocus) {
        stops.push_back(widget);
        return;
    }
    if (auto* scroll = qobject_cast<QScrollArea*>(widget)) {
        if (scroll->widget())
            collect(scroll->widget(), stops);
        return;
    }
    if (auto* splitter = qobject_cast<QSplitter*>(widget)) {
        for (int i = 0; i < splitter->count(); ++i)
            collect(splitter->widget(i), stops);
        return;
    }
    if (qobject_cast<QAbstractScrollArea*>(widget))
        return;  // its viewport's children are the view's own (item editors)
    if (QLayout* layout = widget->layout()) {
        collectLayout(layout, stops);
        return;
    }
    for (QObject* child : widget->children())
        if (auto* inner = qobject_cast<QWidget*>(child); inner && !inner->isWindow())
            collect(inner, stops);  // not the widget's dialogs
}

}  // namespace

QList<QWidget*> tabStopsInLayoutOrder(QWidget* root) {
    QList<QWidget*> stops;
    collect(root, stops);
    return stops;
}

void orderTabStopsByLayout(QWidget* root) {
    const QList<QWidget*> stops = tabStopsInLayoutOrder(root);
    for (qsizetype i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops[i - 1], stops[i]);
}

}  // namespace mosavelle::app
