#include "app/shell/USBNotifier.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <chrono>
#include <cstring>

#include "app/base/MediaPages.h"
#include "app/base/NotificationCenter.h"

namespace app {

namespace {

// While a modal dialog holds the events back, look again this often.
constexpr std::chrono::milliseconds kModalRetry{200};

bool ModalDialogOpen() { return QApplication::activeModalWidget() != nullptr; }

}  // namespace

USBNotifier& USBNotifier::Start() {
    static USBNotifier* s_pNotifier = new USBNotifier(platform::MediaMonitor::Open(), qApp);
    return *s_pNotifier;
}

USBNotifier::USBNotifier(std::unique_ptr<platform::MediaMonitor> monitor, QObject* parent)
    : QObject(parent), m_pMonitor(std::move(monitor)) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { PostDue(); });
    if (m_pMonitor && m_pMonitor->Fd() >= 0) {
        m_pNotifier = std::make_unique<QSocketNotifier>(m_pMonitor->Fd(), QSocketNotifier::Read);
        connect(m_pNotifier.get(), &QSocketNotifier::activated, this, [this] { ReadEvents(); });
    } else {
        qWarning("Media: no kernel block events; /sys/block is compared while the disk page shows");
    }
    if (m_pMonitor) {
        connect(&m_poll, &QTimer::timeout, this, [this] { PollWhileAPageShows(); });
        m_poll.start(kPollInterval);
    }
    // Media present at start count as one attach, before any window listens.
    NotificationCenter::instance().post(QStringLiteral("RefreshAttachDevice"));
}

USBNotifier::~USBNotifier() = default;

void USBNotifier::ReadEvents() {
    const auto now = platform::MediaEventTranslator::Clock::now();
    for (const platform::MediaEvent& event : m_pMonitor->Drain()) m_translator.Feed(event, now);
    PostDue();
}

void USBNotifier::PollWhileAPageShows() {
    if (!AnyMediaPageShown()) return;
    const auto now = platform::MediaEventTranslator::Clock::now();
    for (const platform::MediaEvent& event : m_pMonitor->Poll()) m_translator.Feed(event, now);
    PostDue();
}

void USBNotifier::PostDue() {
    const auto now = platform::MediaEventTranslator::Clock::now();
    const bool modal = ModalDialogOpen();
    const platform::MediaEventTranslator::Due due = m_translator.TakeDue(now, modal);
    NotificationCenter& center = NotificationCenter::instance();
    for (const std::string& name : due.detached) {
        qInfo("usb detach name = %s", name.c_str());
        center.post(QStringLiteral("RefreshDetachDevice"), {{QStringLiteral("USBPath"), QString::fromStdString(name)}});
    }
    if (due.attach) center.post(QStringLiteral("RefreshAttachDevice"));
    const auto wake = m_translator.NextWake(now);
    if (!wake) return;
    auto delay = std::chrono::ceil<std::chrono::milliseconds>(*wake);
    if (modal) delay = std::max(delay, kModalRetry);
    m_timer.start(delay);
}

bool GetDictionaryStringVal(const QVariantMap& dictionary, const QString& key, char* buffer, int size) {
    if (!buffer || size < 1) return false;
    const auto found = dictionary.constFind(key);
    if (found == dictionary.constEnd() || found->typeId() != QMetaType::QString) return false;
    QByteArray utf8 = found->toString().toUtf8();
    qsizetype length = std::min<qsizetype>(utf8.size(), size - 1);
    // Never end inside a character: back off continuation bytes.
    while (length > 0 && length < utf8.size() && (static_cast<unsigned char>(utf8[length]) & 0xC0) == 0x80) --length;
    std::memcpy(buffer, utf8.constData(), static_cast<std::size_t>(length));
    buffer[length] = '\0';
    return true;
}

bool GetBSDName(const QVariantMap& dictionary, char* buffer, int size) {
    return GetDictionaryStringVal(dictionary, QStringLiteral("BSD Name"), buffer, size);
}

bool BSDName2DevPath(char* destination, int size, const char* bsdName) {
    if (!destination || size < 1 || !bsdName || !*bsdName || std::strchr(bsdName, '/')) return false;
    const int written = std::snprintf(destination, static_cast<std::size_t>(size), "/dev/%s", bsdName);
    return written > 0 && written < size;
}

}  // namespace app
