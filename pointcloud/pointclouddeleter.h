#ifndef POINTCLOUD_POINTCLOUDDELETER_H
#define POINTCLOUD_POINTCLOUDDELETER_H

#include <QThread>

#include <atomic>
#include <list>
#include <mutex>

class Deleter;

// Frees, on its own thread, the point data that the GUI thread hands over as Deleters: each
// start drains the queue and ends, an empty queue ends it at once.
//
// The GUI thread appends while the thread takes entries, so the queue is guarded by a lock;
// an entry is run and freed outside it.
//
// The owner (the point cloud manager) hands its shots addTarget as their deleter queue, starts
// the thread at the end of every level-of-detail step, and calls finish() before it destroys
// the deleter, so that everything queued is freed and the thread has ended.
class PointCloudDeleter : public QThread
{
    Q_OBJECT

public:
    explicit PointCloudDeleter(QObject* iParent = nullptr);
    // Waits for a running drain; entries still queued are deleted on the calling thread
    // without execute() (a TDeleter frees its target when it is deleted).
    ~PointCloudDeleter() override;
    PointCloudDeleter(const PointCloudDeleter&) = delete;
    PointCloudDeleter& operator=(const PointCloudDeleter&) = delete;

    // Appends iDeleter (may be null: ignored); the queue takes ownership. Any thread.
    void addTarget(Deleter* iDeleter);
    // Runs the thread until the queue is empty and waits for it; entries appended while it ran
    // are drained too. Called from the thread that starts the deleter.
    void finish();
    bool isQueueEmpty() const;

protected:
    void run() override;

private:
    // Takes the front entry; null when the queue is empty.
    Deleter* takeFront();

    mutable std::mutex mMutex;
    std::list<Deleter*> mQueue;
    // Written last by run() and read after each wait, so that thread checkers see the order
    // that QThread::wait() gives.
    std::atomic<unsigned> mRunsEnded{0};
};

#endif
