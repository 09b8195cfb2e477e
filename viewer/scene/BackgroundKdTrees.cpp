#include "scene/BackgroundKdTrees.h"

#include <osg/NodeVisitor>
#include <osgDB/Registry>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace osgKELVO {

namespace {

class GeometryCollector : public osg::NodeVisitor
{
public:
    GeometryCollector() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}

    void apply(osg::Geometry& geometry) override
    {
        if (dynamic_cast<osg::KdTree*>(geometry.getShape()))
            return;
        // The builder asks for the bounds; computed here, the worker only reads them while the
        // cull traversal may read them too.
        geometry.getBoundingBox();
        found.push_back(&geometry);
    }

    std::vector<osg::ref_ptr<osg::Geometry>> found;
};

} // namespace

BackgroundKdTrees::BackgroundKdTrees()
{
    // The same trees the registry would have built while reading.
    osg::KdTreeBuilder* registryBuilder = osgDB::Registry::instance()->getKdTreeBuilder();
    if (registryBuilder) {
        buildOptions = registryBuilder->_buildOptions;
        prototype = registryBuilder->_kdTreePrototype;
    }
    if (!prototype)
        prototype = new osg::KdTree;
}

BackgroundKdTrees::~BackgroundKdTrees()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        queue.clear();
    }
    wake.notify_all();
    if (worker.joinable())
        worker.join();
}

void BackgroundKdTrees::submit(osg::Node* node)
{
    if (!node)
        return;
    GeometryCollector collector;
    node->accept(collector);
    if (collector.found.empty())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        queue.insert(queue.end(), collector.found.begin(), collector.found.end());
        if (!worker.joinable())
            worker = std::thread(&BackgroundKdTrees::work, this);
    }
    wake.notify_one();
}

unsigned BackgroundKdTrees::attachFinished()
{
    std::vector<Built> ready;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (finished.empty())
            return 0;
        ready.swap(finished);
    }
    for (Built& built : ready)
        if (!dynamic_cast<osg::KdTree*>(built.first->getShape()))
            built.first->setShape(built.second.get());
    return static_cast<unsigned>(ready.size());
}

void BackgroundKdTrees::waitUntilBuilt()
{
    std::unique_lock<std::mutex> lock(mutex);
    idle.wait(lock, [this] { return queue.empty() && !building; });
}

void BackgroundKdTrees::work()
{
    // Trees only make picks faster: on a machine with few cores the threads that load and draw the
    // first frames come first.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || !queue.empty(); });
        if (stopping)
            break;
        osg::ref_ptr<osg::Geometry> geometry = queue.front();
        queue.pop_front();
        building = true;
        lock.unlock();

        osg::ref_ptr<osg::KdTree> tree = osg::clone(prototype.get());
        osg::KdTree::BuildOptions options = buildOptions;
        const bool built = tree->build(options, geometry.get());

        lock.lock();
        building = false;
        if (built)
            finished.emplace_back(geometry, tree);
        if (queue.empty())
            idle.notify_all();
    }
    building = false;
    idle.notify_all();
}

} // namespace osgKELVO
