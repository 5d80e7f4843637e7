#include "app/window/slide_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "core/platform/uuid.h"

namespace mosavelle::app::slide_clipboard {

namespace {

struct Held {
    QByteArray token;
    SlideClip clip;
};

Held& held() {
    static Held current;
    return current;
}

}  // namespace

void put(SlideClip clip) {
    if (clip.empty())
        return;
    Held& current = held();
    current.token = QByteArray::fromStdString(Uuid::random().text());
    current.clip = std::move(clip);
    auto* data = new QMimeData;
    data->setData(mimeType, current.token);
    QGuiApplication::clipboard()->setMimeData(data);
}

std::optional<SlideClip> clipIn(const QMimeData& data) {
    const Held& current = held();
    if (current.token.isEmpty() || !data.hasFormat(mimeType) ||
        data.data(mimeType) != current.token)
        return std::nullopt;
    return current.clip;
}

}  // namespace mosavelle::app::slide_clipboard
