#pragma once

#include <osg/Geometry>
#include <osg/KdTree>
#include <osg/Node>
#include <osg/ref_ptr>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace osgKELVO {

// Builds the k-d trees of loaded geometry on a thread of its own, so that loading a large terrain
// does not wait for them before the first frame. A finished tree is attached only by attachFinished,
// called on the thread that runs the intersections (the event and update traversals): until then an
// intersection finds the geometry without a tree and tests every triangle, with the same result.
class BackgroundKdTrees
{
public:
    BackgroundKdTrees();
    // Waits for the tree being built; the ones not started are dropped.
    ~BackgroundKdTrees();
    BackgroundKdTrees(const BackgroundKdTrees&) = delete;
    BackgroundKdTrees& operator=(const BackgroundKdTrees&) = delete;

    // Queues every geometry below node that has no tree yet. The geometry must not change after this.
    void submit(osg::Node* node);
    // Gives the trees finished so far to their geometries; returns how many.
    unsigned attachFinished();
    // Blocks until every queued tree is built (not attached).
    void waitUntilBuilt();

private:
    using Built = std::pair<osg::ref_ptr<osg::Geometry>, osg::ref_ptr<osg::KdTree>>;
    void work();

    osg::KdTree::BuildOptions buildOptions;
    osg::ref_ptr<osg::KdTree> prototype;

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<osg::ref_ptr<osg::Geometry>> queue;
    std::vector<Built> finished;
    bool building = false;
    bool stopping = false;
    std::thread worker;
};

} // namespace osgKELVO
