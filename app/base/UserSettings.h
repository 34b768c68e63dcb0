#pragma once
// The model's user settings over QSettings, user scope: only what was written is there, so the
// model falls back to its installed defaults for the rest.

#include <QString>

#include <mutex>

#include "uimodel/support/Seams.h"

namespace app {

class QtUserSettings final : public uimodel::IUserSettings {
public:
    // The application's user settings.
    QtUserSettings();
    // The settings in an INI file of its own (tests).
    explicit QtUserSettings(const QString& iniPath);

    std::optional<std::string> Value(const std::string& key) const override;
    void SetValue(const std::string& key, const std::string& value) override;

private:
    QString m_iniPath;           // empty: the application's settings
    mutable std::mutex m_mutex;  // QSettings objects are not shared between threads
};

}  // namespace app
