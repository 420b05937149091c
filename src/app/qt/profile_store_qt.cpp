#include "app/qt/profile_store_qt.h"

#include <QSettings>
#include <QString>
#include <QVariant>

namespace wavelore {

namespace {

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QString Key(std::u16string_view section, std::u16string_view name) {
    return ToQString(section) + u'/' + ToQString(name);
}

}  // namespace

struct CQtProfileStore::Impl {
    Impl() : settings(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication) {}
    explicit Impl(const std::filesystem::path& file)
        : settings(QString::fromStdU16String(file.u16string()), QSettings::IniFormat) {}

    bool Sync() {
        // Values are written the moment the user changes them, so a crash
        // later does not take them along.
        settings.sync();
        return settings.status() == QSettings::NoError;
    }

    QSettings settings;
};

CQtProfileStore::CQtProfileStore() : m_impl(std::make_unique<Impl>()) {}

CQtProfileStore::CQtProfileStore(const std::filesystem::path& iniFile)
    : m_impl(std::make_unique<Impl>(iniFile)) {}

CQtProfileStore::~CQtProfileStore() = default;

std::u16string CQtProfileStore::GetString(std::u16string_view section, std::u16string_view name,
                                          std::u16string_view fallback) const {
    const QVariant value = m_impl->settings.value(Key(section, name));
    if (!value.isValid()) {
        return std::u16string(fallback);
    }
    return value.toString().toStdU16String();
}

int32_t CQtProfileStore::GetInt(std::u16string_view section, std::u16string_view name,
                                int32_t fallback) const {
    const QVariant value = m_impl->settings.value(Key(section, name));
    if (!value.isValid()) {
        return fallback;
    }
    int32_t number = 0;
    if (!ParseWholeNumber(value.toString().trimmed().toStdU16String(), number)) {
        return fallback;
    }
    return number;
}

bool CQtProfileStore::WriteString(std::u16string_view section, std::u16string_view name,
                                  std::u16string_view value) {
    m_impl->settings.setValue(Key(section, name), ToQString(value));
    return m_impl->Sync();
}

bool CQtProfileStore::WriteInt(std::u16string_view section, std::u16string_view name,
                               int32_t value) {
    m_impl->settings.setValue(Key(section, name), value);
    return m_impl->Sync();
}

std::u16string CQtProfileStore::Location() const {
    return m_impl->settings.fileName().toStdU16String();
}

}  // namespace wavelore
