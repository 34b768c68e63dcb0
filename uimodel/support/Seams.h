#pragma once
// What the application fills in later (main-thread posting, translated strings, user settings,
// date texts, the network probe), each with a plain default that the harness and tests use.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <queue>
#include <string>

#include "engine/Types.h"

namespace uimodel {

/// Runs notifications on the main thread, in the order posted, without blocking the poster.
class IMainThreadPoster {
public:
    virtual ~IMainThreadPoster() = default;
    virtual void Post(std::string const& name) = 0;
};

/// Default: a queue the main thread drains.
class CQueuedPoster final : public IMainThreadPoster {
public:
    void Post(std::string const& name) override;
    /// The oldest name not yet taken; none when the queue is empty.
    std::optional<std::string> Take();

private:
    std::mutex m_mutex;
    std::queue<std::string> m_names;
};

/// Keyed texts (translations); the default reads resources/Strings.en.plist.
class IStringTable {
public:
    virtual ~IStringTable() = default;
    /// The text of a key; "" for an unknown key.
    virtual std::string Text(std::string const& key) const = 0;
};

/// User settings, text by key.
class IUserSettings {
public:
    virtual ~IUserSettings() = default;
    virtual std::optional<std::string> Value(std::string const& key) const = 0;
    virtual void SetValue(std::string const& key, std::string const& value) = 0;
};

/// Default: kept in memory.
class CMemorySettings final : public IUserSettings {
public:
    std::optional<std::string> Value(std::string const& key) const override;
    void SetValue(std::string const& key, std::string const& value) override;

private:
    mutable std::mutex m_mutex;
    std::map<std::string, std::string> m_values;
};

/// Long date and short time of a file time; the default uses strftime in the C locale.
using FileTimeFormatter = std::function<std::string(_FILETIME)>;
std::string FormatFileTimeToString(_FILETIME ft);

/// Whether the network answers; the default says no while no address is configured.
using NetworkProbe = std::function<bool()>;

/// The seams in force; each starts at its default and the application replaces it at start-up.
struct Seams {
    std::shared_ptr<IMainThreadPoster> pPoster;
    std::shared_ptr<IStringTable> pStrings;
    std::shared_ptr<IUserSettings> pSettings;
    FileTimeFormatter formatTime;
    NetworkProbe isNetworkUsable;
};
Seams& GetSeams();

/// Hands a notification name to the main thread through the poster in force; never blocks.
void NotifyMainThread(std::string const& name);

}  // namespace uimodel
