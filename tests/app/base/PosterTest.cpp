// The model's names cross from its threads to the GUI thread through the poster the shell
// installs, and reach only the receivers still alive and subscribed.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QObject>
#include <QTest>
#include <QThread>

#include <memory>
#include <thread>

#include "app/base/NotificationCenter.h"
#include "uimodel/support/Seams.h"

namespace {

using app::NotificationCenter;

// Lets every queued post run.
void Drain() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

TEST(Poster, ANamePostedFromAWorkerArrivesOnceOnTheGuiThread) {
    QObject receiver;
    int deliveries = 0;
    QThread* deliveredOn = nullptr;
    NotificationCenter::instance().addObserver(&receiver, "NormalScranValue", [&](const QVariantMap& payload) {
        ++deliveries;
        deliveredOn = QThread::currentThread();
        EXPECT_TRUE(payload.isEmpty()) << "the model posts bare names";
    });
    std::thread worker([] { uimodel::NotifyMainThread("NormalScranValue"); });
    worker.join();
    EXPECT_EQ(deliveries, 0) << "delivered through the GUI thread's event queue, not on the poster's thread";
    EXPECT_TRUE(QTest::qWaitFor([&] { return deliveries > 0; }, 5000));
    Drain();
    EXPECT_EQ(deliveries, 1);
    EXPECT_EQ(deliveredOn, QCoreApplication::instance()->thread());
}

TEST(Poster, AReceiverDestroyedBeforeDeliveryGetsNothing) {
    int deliveries = 0;
    auto receiver = std::make_unique<QObject>();
    NotificationCenter::instance().addObserver(receiver.get(), "DoRecovery", [&](const QVariantMap&) { ++deliveries; });
    std::thread worker([] { uimodel::NotifyMainThread("DoRecovery"); });
    worker.join();
    receiver.reset();
    Drain();
    EXPECT_EQ(deliveries, 0);
}

TEST(NotificationCenter, DeliversPayloadsByNameUntilTheReceiverStopsObserving) {
    QObject disk, results;
    QStringList seen;
    auto& center = NotificationCenter::instance();
    center.addObserver(&disk, "RefreshDetachDevice",
                       [&](const QVariantMap& payload) { seen << "disk " + payload.value("USBPath").toString(); });
    center.addObserver(&disk, "RefreshAttachDevice", [&](const QVariantMap&) { seen << "disk attach"; });
    center.addObserver(&results, "RefreshDetachDevice", [&](const QVariantMap&) {
        seen << "results";
        center.removeObserver(&disk);  // during a delivery: the later subscriptions of this post see it
    });
    center.addObserver(&disk, "RefreshDetachDevice", [&](const QVariantMap&) { seen << "disk again"; });

    center.post("RefreshDetachDevice", {{"USBPath", "sdb"}});
    EXPECT_EQ(seen, QStringList({"disk sdb", "results"}));

    seen.clear();
    center.post("RefreshAttachDevice");
    center.post("RefreshDetachDevice", {{"USBPath", "sdc"}});
    EXPECT_EQ(seen, QStringList({"results"})) << "stop observing everything drops every name of that receiver";

    seen.clear();
    center.removeObserver(&results, "RefreshDetachDevice");
    center.post("RefreshDetachDevice");
    EXPECT_TRUE(seen.isEmpty());
}

}  // namespace
