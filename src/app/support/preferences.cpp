#include "app/support/preferences.h"

#include <QSettings>

namespace mosavelle::app {

namespace {

// The one settings file, named explicitly so that it does not depend on the names the running
// program gave itself.
QSettings settingsFile() {
    return QSettings(QStringLiteral("Mosavelle"), QStringLiteral("Mosavelle"));
}

}  // namespace

template <class T>
T Preference<T>::value() const {
    const QVariant stored = settingsFile().value(QLatin1String(key));
    if (!stored.isValid() || !stored.canConvert<T>())
        return fallback;
    return stored.value<T>();
}

template <class T>
bool Preference<T>::isStored() const {
    return settingsFile().contains(QLatin1String(key));
}

template <class T>
void Preference<T>::store(const T& value) const {
    settingsFile().setValue(QLatin1String(key), QVariant::fromValue(value));
}

template struct Preference<bool>;
template struct Preference<double>;
template struct Preference<QString>;
template struct Preference<QStringList>;

}  // namespace mosavelle::app
