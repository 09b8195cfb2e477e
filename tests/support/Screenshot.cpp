#include "Screenshot.h"

#include "RuntimeTree.h"
#include "ViewerProcess.h"

#include <osgDB/ReadFile>
#include <osgDB/WriteFile>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace kelvotest {

namespace {

std::set<std::string> screenshotsIn(const std::string& directory)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("KELVOview", 0) == 0 && entry.path().extension() == ".jpg")
            names.insert(entry.path().string());
    }
    return names;
}

} // namespace

osg::ref_ptr<osg::Image> Screenshot::capture(const RuntimeTree& tree, ViewerProcess& viewer,
                                             std::chrono::milliseconds timeout)
{
    const std::set<std::string> before = screenshotsIn(tree.root());
    viewer.key("F12");
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        for (const std::string& name : screenshotsIn(tree.root())) {
            if (before.count(name))
                continue;
            // The handler writes the file in the draw thread; wait until its size settles.
            std::uintmax_t size = 0;
            for (int i = 0; i < 50; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                std::error_code error;
                const std::uintmax_t now = fs::file_size(name, error);
                if (!error && now > 0 && now == size)
                    break;
                size = now;
            }
            osg::ref_ptr<osg::Image> image = osgDB::readImageFile(name);
            if (image)
                return image;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return nullptr;
}

osg::Vec3f Screenshot::pixel(const osg::Image& image, int x, int y)
{
    const int row = image.getOrigin() == osg::Image::BOTTOM_LEFT ? image.t() - 1 - y : y;
    const osg::Vec4 color = image.getColor(static_cast<unsigned>(x), static_cast<unsigned>(row));
    return osg::Vec3f(color.r(), color.g(), color.b());
}

osg::Vec3f Screenshot::mean(const osg::Image& image, int x0, int y0, int x1, int y1)
{
    x0 = std::max(0, x0);
    y0 = std::max(0, y0);
    x1 = std::min(image.s(), x1);
    y1 = std::min(image.t(), y1);
    osg::Vec3f sum;
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x, ++count)
            sum += pixel(image, x, y);
    return count ? sum / static_cast<float>(count) : sum;
}

float Screenshot::share(const osg::Image& image, const osg::Vec4& color)
{
    int matching = 0;
    for (int y = 0; y < image.t(); y += 2)
        for (int x = 0; x < image.s(); x += 2) {
            const osg::Vec3f p = pixel(image, x, y);
            matching += std::fabs(p.x() - color.r()) < 0.25f && std::fabs(p.y() - color.g()) < 0.25f &&
                        std::fabs(p.z() - color.b()) < 0.25f;
        }
    return static_cast<float>(matching) / static_cast<float>((image.s() / 2) * (image.t() / 2));
}

float Screenshot::difference(const osg::Image& a, const osg::Image& b, int x0, int y0, int x1, int y1)
{
    x1 = std::min({x1, a.s(), b.s()});
    y1 = std::min({y1, a.t(), b.t()});
    double sum = 0.0;
    int count = 0;
    for (int y = std::max(0, y0); y < y1; ++y) {
        for (int x = std::max(0, x0); x < x1; ++x, ++count) {
            const osg::Vec3f d = pixel(a, x, y) - pixel(b, x, y);
            sum += (std::fabs(d.x()) + std::fabs(d.y()) + std::fabs(d.z())) / 3.0;
        }
    }
    return count ? static_cast<float>(sum / count) : 0.0f;
}

void Screenshot::save(const osg::Image& image, const std::string& path)
{
    osgDB::writeImageFile(image, path);
}

} // namespace kelvotest
