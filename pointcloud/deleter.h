#ifndef POINTCLOUD_DELETER_H
#define POINTCLOUD_DELETER_H

// A deferred deletion of point data: the GUI thread detaches a large body from its owner and
// hands it over in a Deleter, and another thread runs execute() later, so that freeing a whole
// octree does not stall drawing. A deleter is touched by one thread at a time.
class Deleter
{
public:
    Deleter() = default;
    Deleter(const Deleter&) = delete;
    Deleter& operator=(const Deleter&) = delete;
    virtual ~Deleter() = default;

    // Destroys what the deleter holds; a second call does nothing.
    virtual void execute() = 0;
};

template <typename T>
class TDeleter : public Deleter
{
public:
    // Takes ownership of iTarget, which may be null.
    explicit TDeleter(T* iTarget) : target(iTarget) {}
    // A deleter dropped before it ran (a queue emptied at shut-down, say) still frees its
    // target, on the thread that drops it.
    ~TDeleter() override { execute(); }

    void execute() override
    {
        delete target;
        target = nullptr;
    }

private:
    T* target;
};

#endif
