#include "deleter.h"

#include <gtest/gtest.h>

#include <QThread>

#include <memory>
#include <thread>

namespace {

struct Probe
{
    int* destroyed;
    std::thread::id* thread;
    ~Probe()
    {
        ++*destroyed;
        *thread = std::this_thread::get_id();
    }
};

} // namespace

TEST(Deleter, RunsOnTheThreadItIsHandedTo)
{
    int destroyed = 0;
    std::thread::id thread;
    Deleter* deleter = new TDeleter<Probe>(new Probe{&destroyed, &thread});
    std::thread::id worker;
    std::thread runner([&] {
        worker = std::this_thread::get_id();
        deleter->execute();
        delete deleter;
    });
    runner.join();
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(thread, worker);
    EXPECT_NE(thread, std::this_thread::get_id());

    // The same on a Qt thread, as the deleter thread is one.
    deleter = new TDeleter<Probe>(new Probe{&destroyed, &thread});
    std::unique_ptr<QThread> qtThread(QThread::create([&] {
        worker = std::this_thread::get_id();
        deleter->execute();
        delete deleter;
    }));
    qtThread->start();
    ASSERT_TRUE(qtThread->wait());
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(thread, worker);
    EXPECT_NE(thread, std::this_thread::get_id());
}

TEST(Deleter, ExecutesOnceAndToleratesNoTarget)
{
    int destroyed = 0;
    std::thread::id thread;
    {
        TDeleter<Probe> deleter(new Probe{&destroyed, &thread});
        deleter.execute();
        deleter.execute();
        EXPECT_EQ(destroyed, 1);
    }
    EXPECT_EQ(destroyed, 1);

    TDeleter<Probe> empty(nullptr);
    empty.execute();
    empty.execute();

    // Dropped before it ran: the target is still freed, once.
    { TDeleter<Probe> dropped(new Probe{&destroyed, &thread}); }
    EXPECT_EQ(destroyed, 2);
}
