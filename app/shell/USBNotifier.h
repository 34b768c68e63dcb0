#pragma once
// Disks and partitions coming and going, told through the notification centre:
// "RefreshAttachDevice" once at start and once per burst of additions, "RefreshDetachDevice"
// with {"USBPath": kernel name} per removed disk or partition. Nothing is posted while a modal
// dialog runs; it waits until the dialog has closed. The kernel's events come as they happen;
// while a page that lists the devices shows, /sys/block is also compared every two seconds,
// for where those events are not delivered.

#include <QObject>
#include <QTimer>
#include <QVariantMap>

#include <chrono>
#include <memory>

#include "platform/MediaEvents.h"

class QSocketNotifier;

namespace app {

class USBNotifier : public QObject {
    Q_OBJECT
public:
    // Over the kernel's block events; without them only the start's attach and what the
    // comparison of /sys/block finds are posted.
    static USBNotifier& Start();
    // /sys/block is compared this often while a page that lists the devices shows.
    static constexpr std::chrono::milliseconds kPollInterval{2000};

    // Over `monitor` (may be null); posts the start's attach at once.
    explicit USBNotifier(std::unique_ptr<platform::MediaMonitor> monitor, QObject* parent = nullptr);
    ~USBNotifier() override;

private:
    void ReadEvents();
    void PostDue();
    void PollWhileAPageShows();

    std::unique_ptr<platform::MediaMonitor> m_pMonitor;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
    platform::MediaEventTranslator m_translator;
    QTimer m_timer;
    QTimer m_poll;
};

// A string value of `dictionary` as UTF-8 into `buffer` of `size` bytes, cut at a character
// boundary; false for no buffer, a size below 1, a missing or non-string value.
bool GetDictionaryStringVal(const QVariantMap& dictionary, const QString& key, char* buffer, int size);
// The "BSD Name" of a medium's dictionary.
bool GetBSDName(const QVariantMap& dictionary, char* buffer, int size);
// "/dev/" followed by the kernel name (block devices are the raw devices here), bounded by
// `size`; false when it does not fit or the name is empty or holds a "/".
bool BSDName2DevPath(char* destination, int size, const char* bsdName);

}  // namespace app
