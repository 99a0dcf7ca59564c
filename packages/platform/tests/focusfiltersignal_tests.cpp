// Runs on the private session bus of scripts/with-session.sh.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QSignalSpy>

#include "tarnwick/platform/dbusfocusfilternotifier.h"
#include "tarnwick/platform/focusfilterchangeobserver.h"

using namespace tarnwick;

TEST(FocusFilterSignal, PostedSignalReachesAnObserverOnTheBus)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run inside scripts/with-session.sh";
    // A second connection, so the signal really travels through the bus daemon.
    QDBusConnection listener = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "observer-test");
    {
        FocusFilterChangeObserver observer(listener, nullptr);
        ASSERT_TRUE(observer.isListening());
        QSignalSpy spy(&observer, &FocusFilterChangeObserver::changed);

        DBusFocusFilterNotifier notifier;
        EXPECT_EQ(notifier.post(), std::nullopt);
        ASSERT_TRUE(spy.wait(10000));
        EXPECT_EQ(spy.count(), 1);

        EXPECT_EQ(notifier.post(), std::nullopt);
        if (spy.count() < 2) {
            ASSERT_TRUE(spy.wait(10000));
        }
        EXPECT_EQ(spy.count(), 2);
    }
    QDBusConnection::disconnectFromBus("observer-test");
}

TEST(FocusFilterSignal, ObserverIgnoresOtherMembersAndInterfaces)
{
    QDBusConnection listener = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "observer-test-2");
    {
        FocusFilterChangeObserver observer(listener, nullptr);
        QSignalSpy spy(&observer, &FocusFilterChangeObserver::changed);
        auto bus = QDBusConnection::sessionBus();
        bus.send(QDBusMessage::createSignal("/com/fenmoorlab/tarnwick", "com.fenmoorlab.tarnwick", "somethingElse"));
        bus.send(QDBusMessage::createSignal("/com/fenmoorlab/tarnwick", "org.example.Other", "focusFilterChanged"));
        bus.send(QDBusMessage::createSignal("/elsewhere", "com.fenmoorlab.tarnwick", "focusFilterChanged"));
        // The real one last: once it arrives, the three before it have been delivered or dropped.
        bus.send(QDBusMessage::createSignal("/com/fenmoorlab/tarnwick", "com.fenmoorlab.tarnwick", "focusFilterChanged"));
        ASSERT_TRUE(spy.wait(10000));
        EXPECT_EQ(spy.count(), 1);
    }
    QDBusConnection::disconnectFromBus("observer-test-2");
}

TEST(FocusFilterSignal, UnconnectedBusMeansNotListening)
{
    FocusFilterChangeObserver observer(QDBusConnection(QStringLiteral("never-connected")), nullptr);
    EXPECT_FALSE(observer.isListening());
}

// Any program can repeat the announcement as fast as it likes: a burst is one changed(), once it
// settles; the next announcement after it is another.
TEST(FocusFilterSignal, ABurstOfAnnouncementsIsOneChange)
{
    QDBusConnection listener = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "observer-test-burst");
    {
        FocusFilterChangeObserver observer(listener, nullptr);
        QSignalSpy spy(&observer, &FocusFilterChangeObserver::changed);
        auto bus = QDBusConnection::sessionBus();
        const auto announcement =
            QDBusMessage::createSignal("/com/fenmoorlab/tarnwick", "com.fenmoorlab.tarnwick", "focusFilterChanged");
        for (int i = 0; i < 1000; ++i)
            ASSERT_TRUE(bus.send(announcement));
        ASSERT_TRUE(spy.wait(10000));
        EXPECT_EQ(spy.count(), 1);

        ASSERT_TRUE(bus.send(announcement));
        ASSERT_TRUE(spy.wait(10000));
        EXPECT_EQ(spy.count(), 2) << "the burst gave one change, the later announcement another";
    }
    QDBusConnection::disconnectFromBus("observer-test-burst");
}
