#include "pointclouddeleter.h"

#include "deleter.h"

PointCloudDeleter::PointCloudDeleter(QObject* iParent) : QThread(iParent) {}

PointCloudDeleter::~PointCloudDeleter()
{
    wait();
    mRunsEnded.load(std::memory_order_acquire);
    for (Deleter* deleter : mQueue)
        delete deleter;
}

void PointCloudDeleter::addTarget(Deleter* iDeleter)
{
    if (iDeleter == nullptr)
        return;
    std::lock_guard<std::mutex> lock(mMutex);
    mQueue.push_back(iDeleter);
}

bool PointCloudDeleter::isQueueEmpty() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mQueue.empty();
}

Deleter* PointCloudDeleter::takeFront()
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mQueue.empty())
        return nullptr;
    Deleter* front = mQueue.front();
    mQueue.pop_front();
    return front;
}

void PointCloudDeleter::finish()
{
    // A drain that saw the queue empty just before an append ends without it; go again then.
    for (;;) {
        start(QThread::InheritPriority); // no effect while a drain runs
        wait();
        mRunsEnded.load(std::memory_order_acquire);
        if (isQueueEmpty())
            return;
    }
}

void PointCloudDeleter::run()
{
    while (Deleter* deleter = takeFront()) {
        deleter->execute();
        delete deleter;
    }
    mRunsEnded.fetch_add(1, std::memory_order_release);
}
