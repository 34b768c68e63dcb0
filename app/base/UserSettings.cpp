#include "app/base/UserSettings.h"

#include <QSettings>

#include <memory>

namespace app {

namespace {

constexpr char kOrganisation[] = "Quorin";
constexpr char kApplication[] = "Quorin";

// A QSettings per call: each thread's own object, all over the one store.
std::unique_ptr<QSettings> Open(const QString& iniPath) {
    if (!iniPath.isEmpty()) return std::make_unique<QSettings>(iniPath, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::UserScope, kOrganisation, kApplication);
}

}  // namespace

QtUserSettings::QtUserSettings() = default;

QtUserSettings::QtUserSettings(const QString& iniPath) : m_iniPath(iniPath) {}

std::optional<std::string> QtUserSettings::Value(const std::string& key) const {
    std::lock_guard lock(m_mutex);
    const auto settings = Open(m_iniPath);
    const QString name = QString::fromStdString(key);
    if (!settings->contains(name)) return std::nullopt;
    return settings->value(name).toString().toStdString();
}

void QtUserSettings::SetValue(const std::string& key, const std::string& value) {
    std::lock_guard lock(m_mutex);
    const auto settings = Open(m_iniPath);
    settings->setValue(QString::fromStdString(key), QString::fromStdString(value));
    settings->sync();
    if (settings->status() != QSettings::NoError) qWarning("Settings: cannot write %s", key.c_str());
}

}  // namespace app
