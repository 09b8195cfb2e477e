// The scene-graph library's notification stream is one std::ostream shared by every thread. When
// the draw thread reports while the main thread does, both write into one string buffer at once:
// lines are lost or run into each other, and the buffer itself is a data race. This definition
// takes the place of the library's osg::notify (a program's own definition wins over a shared
// library's, also for the library's calls to itself), giving each thread a stream of its own that
// hands whole lines to the installed NotifyHandler, one thread at a time. Levels, handlers and the
// OSG_NOTIFY macro work as before.

#include <osg/Notify>

#include <mutex>
#include <ostream>
#include <sstream>
#include <string>

namespace {

std::mutex& handlerMutex()
{
    static std::mutex mutex;
    return mutex;
}

class LineBuffer : public std::stringbuf
{
public:
    void setSeverity(osg::NotifySeverity severity)
    {
        // Text still waiting belongs to the severity it was written at.
        if (severity != severity_) {
            sync();
            severity_ = severity;
        }
    }

protected:
    int sync() override
    {
        const std::string text = str();
        if (text.empty())
            return 0;
        str(std::string());
        std::lock_guard<std::mutex> lock(handlerMutex());
        if (osg::NotifyHandler* handler = osg::getNotifyHandler())
            handler->notify(severity_, text.c_str());
        return 0;
    }

private:
    osg::NotifySeverity severity_ = osg::NOTICE;
};

struct ThreadStreams
{
    LineBuffer buffer;
    std::ostream line{&buffer};
    std::ostream discard{nullptr}; // writes set its badbit and go nowhere
};

thread_local ThreadStreams* ownStreams = nullptr;
thread_local bool ownStreamsEnded = false;

// Owns the thread's streams and ends them with the thread. Reports made later on the same thread
// (the library's own cleanup at exit) go through one stream kept for the rest of the process.
struct ThreadStreamsOwner
{
    ~ThreadStreamsOwner()
    {
        delete ownStreams;
        ownStreams = nullptr;
        ownStreamsEnded = true;
    }
};

ThreadStreams& threadStreams()
{
    if (ownStreams)
        return *ownStreams;
    if (ownStreamsEnded) {
        static ThreadStreams* const late = new ThreadStreams;
        return *late;
    }
    thread_local ThreadStreamsOwner owner;
    ownStreams = new ThreadStreams;
    return *ownStreams;
}

} // namespace

namespace osg {

std::ostream& notify(const NotifySeverity severity)
{
    ThreadStreams& own = threadStreams();
    if (!isNotifyEnabled(severity))
        return own.discard;
    own.buffer.setSeverity(severity);
    return own.line;
}

} // namespace osg
