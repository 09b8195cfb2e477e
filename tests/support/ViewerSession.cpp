#include "ViewerSession.h"

#include <osg/Geode>
#include <osg/ShapeDrawable>
#include <osgDB/ReadFile>
#include <osgDB/WriteFile>

#include <tinyxml2.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kelvotest {

namespace {

// Real directories, each file a link to the staged one.
void linkTree(const fs::path& from, const fs::path& to)
{
    fs::create_directories(to);
    for (const auto& entry : fs::directory_iterator(from)) {
        if (entry.is_directory())
            linkTree(entry.path(), to / entry.path().filename());
        else
            fs::create_symlink(entry.path(), to / entry.path().filename());
    }
}

osg::Vec3f pixel(const osg::Image& image, int x, int y)
{
    const int row = image.getOrigin() == osg::Image::BOTTOM_LEFT ? image.t() - 1 - y : y;
    const osg::Vec4 color = image.getColor(static_cast<unsigned>(x), static_cast<unsigned>(row));
    return osg::Vec3f(color.r(), color.g(), color.b());
}

// The configuration file's inode, 0 when there is none: a save renames a new file into place.
ino_t inode(const std::string& path)
{
    struct stat status = {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

} // namespace

RuntimeTree::RuntimeTree(bool withContent)
{
    if (root_.empty())
        throw std::runtime_error("cannot create a temporary runtime tree");
    const fs::path dist(KELVO_DIST_DIR);
    fs::copy(dist / "Bin", fs::path(root_) / "Bin", fs::copy_options::recursive);
    linkTree(dist / "Resources", fs::path(root_) / "Resources");
    writeConfiguration(readFile((dist / "Resources" / "Configuration.xml").string()));
    fs::create_directories(fs::path(root_) / "Content");
    if (withContent && fs::exists(dist / "Content"))
        linkTree(dist / "Content", fs::path(root_) / "Content");
}

std::string RuntimeTree::readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void RuntimeTree::writeFile(const std::string& path, const std::string& contents)
{
    fs::create_directories(fs::path(path).parent_path());
    if (fs::is_symlink(path))
        fs::remove(path);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << contents;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (; !condition(); std::this_thread::sleep_for(std::chrono::milliseconds(50)))
        if (std::chrono::steady_clock::now() >= end)
            return false;
    return true;
}

bool ViewerSession::alive()
{
    int status = 0;
    if (pid_ <= 0 || exitCode_ >= 0)
        return false;
    if (::waitpid(pid_, &status, WNOHANG) != pid_)
        return true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

void ViewerSession::end()
{
    if (pid_ <= 0)
        return;
    if (alive()) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
    // From the start of the line of the first report (npos + 1 is 0).
    const std::string log = output();
    std::string::size_type first = std::string::npos;
    for (const char* marker :
         {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"})
        first = std::min(first, log.find(marker));
    if (first != std::string::npos)
        ADD_FAILURE() << "KELVOview reported a sanitizer finding:\n"
                      << log.substr(log.rfind('\n', first) + 1, 16384);
}

bool ViewerSession::waitForOutput(const std::string& text, std::chrono::milliseconds timeout)
{
    auto written = [&] { return output().find(text) != std::string::npos; };
    return waitUntil([&] { return written() || !alive(); }, timeout) && written();
}

std::string ViewerSession::xdotool(const std::string& arguments) const
{
    const std::string command =
        "DISPLAY=" + server_.display() + " xdotool " + arguments + " 2>/dev/null";
    std::string result;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof(buffer), pipe))
            result += buffer;
        ::pclose(pipe);
    }
    return result;
}

void ViewerSession::send(const std::string& commands)
{
    // Events reach the viewer in order: what a later screenshot or save shows comes after these.
    xdotool("mousemove --window " + window_ + " 40 40 " + commands);
}

std::string modelElement(const std::string& name, const std::string& file, int layer, bool visible)
{
    return "  <Model name=\"" + name + "\" filename=\"" + file + "\" layerNum=\"" +
           std::to_string(layer) + "\" visible=\"" + (visible ? "1" : "0") + "\"/>\n";
}

std::string sceneElement(const std::string& models)
{
    const std::string open = "<Scene loadInfoPoints=\"0\" generatePowerline=\"0\"";
    return models.empty() ? open + "/>\n" : open + ">\n" + models + "</Scene>\n";
}

std::string navigationElement(const osg::Vec3d& eye, const osg::Vec3d& centre)
{
    std::string text = "<Navigation";
    for (int i = 0; i < 3; ++i)
        text += " homeEye" + std::string(1, "XYZ"[i]) + "=\"" + std::to_string(eye[i]) +
                "\" homeCenter" + "XYZ"[i] + "=\"" + std::to_string(centre[i]) + "\"";
    return text + "/>\n";
}

std::string windowElement(const std::string& title, int x, int y, int width, int height,
                          bool maximized, bool fullscreen)
{
    return "<Window title=\"" + title + "\" x=\"" + std::to_string(x) + "\" y=\"" +
           std::to_string(y) + "\" width=\"" + std::to_string(width) + "\" height=\"" +
           std::to_string(height) + "\" maximized=\"" + (maximized ? "1" : "0") +
           "\" fullscreen=\"" + (fullscreen ? "1" : "0") + "\" numSamples=\"0\"/>\n";
}

std::map<std::string, std::string> elementAttributes(const std::string& xml,
                                                     const std::string& element)
{
    std::map<std::string, std::string> attributes;
    tinyxml2::XMLDocument document;
    if (document.Parse(xml.c_str(), xml.size()) != tinyxml2::XML_SUCCESS)
        return attributes;
    if (const tinyxml2::XMLElement* found = document.FirstChildElement(element.c_str()))
        for (const tinyxml2::XMLAttribute* a = found->FirstAttribute(); a; a = a->Next())
            attributes[a->Name()] = a->Value();
    return attributes;
}

unsigned occurrences(const std::string& text, const std::string& part)
{
    unsigned count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

bool writeBox(const std::string& path, const osg::Vec4& color, const osg::Vec3& centre)
{
    osg::ref_ptr<osg::ShapeDrawable> box = new osg::ShapeDrawable(new osg::Box(centre, 16.0f));
    box->setColor(color);
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(box);
    geode->getOrCreateStateSet()->setMode(GL_LIGHTING, osg::StateAttribute::OFF |
                                                           osg::StateAttribute::PROTECTED);
    fs::create_directories(fs::path(path).parent_path());
    return osgDB::writeNodeFile(*geode, path);
}

osg::Vec3f mean(const osg::Image& image, int x0, int y0, int x1, int y1)
{
    osg::Vec3f sum;
    int count = 0;
    for (int y = std::max(0, y0); y < std::min(image.t(), y1); ++y)
        for (int x = std::max(0, x0); x < std::min(image.s(), x1); ++x, ++count)
            sum += pixel(image, x, y);
    return count ? sum / static_cast<float>(count) : sum;
}

float share(const osg::Image& image, const osg::Vec4& color)
{
    int matching = 0, total = 0;
    for (int y = 0; y < image.t(); y += 2)
        for (int x = 0; x < image.s(); x += 2, ++total) {
            const osg::Vec3f d = pixel(image, x, y) - osg::Vec3f(color.r(), color.g(), color.b());
            matching += std::max({std::fabs(d.x()), std::fabs(d.y()), std::fabs(d.z())}) < 0.25f;
        }
    return total ? static_cast<float>(matching) / total : 0.0f;
}

float difference(const osg::Image& a, const osg::Image& b, int x0, int y0, int x1, int y1)
{
    double sum = 0.0;
    int count = 0;
    for (int y = std::max(0, y0); y < std::min({y1, a.t(), b.t()}); ++y)
        for (int x = std::max(0, x0); x < std::min({x1, a.s(), b.s()}); ++x, ++count) {
            const osg::Vec3f d = pixel(a, x, y) - pixel(b, x, y);
            sum += (std::fabs(d.x()) + std::fabs(d.y()) + std::fabs(d.z())) / 3.0;
        }
    return count ? static_cast<float>(sum / count) : 0.0f;
}

::testing::AssertionResult ViewerSession::start(const std::string& title,
                                                const std::string& workingDirectory,
                                                const std::vector<std::string>& arguments)
{
    if (!server_.running())
        return ::testing::AssertionFailure() << "no X server";
    end();
    std::vector<char*> argv{const_cast<char*>("KELVOview")};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const std::string program = tree_.bin() + "/KELVOview", log = tree_.root() + "/viewer.log";
    const std::string directory = workingDirectory.empty() ? tree_.bin() : workingDirectory;
    exitCode_ = -1;
    if ((pid_ = ::fork()) == 0) {
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::dup2(::open("/dev/null", O_RDONLY), 0);
        if (::chdir(directory.c_str()) != 0)
            ::_exit(126);
        ::setenv("OSG_NOTIFY_LEVEL", "INFO", 1);
        ::setenv("DISPLAY", server_.display().c_str(), 1);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    waitUntil(
        [&] {
            window_ = xdotool("search --onlyvisible --name '" + title + "'");
            return !window_.empty() || !alive();
        },
        std::chrono::seconds(90));
    window_ = window_.substr(0, window_.find('\n'));
    // A key that comes while the first frame is being set up may go unseen: F12 until a
    // screenshot shows that frames are drawn and keys are read.
    if (window_.empty() ||
        !waitUntil([&] { return capture(std::chrono::seconds(2)) || !alive(); },
                   std::chrono::seconds(90)) ||
        !alive())
        return ::testing::AssertionFailure() << "no window \"" << title << "\" or no frame:\n"
                                             << output();
    key("F1");
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ViewerSession::stop()
{
    key("Escape");
    if (waitUntil([&] { return !alive(); }, std::chrono::seconds(30)) && exitCode_ == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "exit status " << exitCode_ << ":\n" << output();
}

osg::ref_ptr<osg::Image> ViewerSession::capture(std::chrono::milliseconds timeout)
{
    // The draw thread reports "Screen captured to ../KELVOview_<n>_<context>.jpg" once written.
    const std::string captured = "Screen captured to ../";
    const unsigned before = occurrences(output(), captured);
    key("F12");
    std::string log;
    if (!waitUntil([&] { return occurrences(log = output(), captured) > before; },
                   timeout))
        return nullptr;
    const std::size_t at = log.rfind(captured) + captured.size();
    return osgDB::readImageFile(tree_.root() + "/" + log.substr(at, log.find('\n', at) - at));
}

osg::ref_ptr<osg::Image> ViewerSession::shot()
{
    osg::ref_ptr<osg::Image> image = capture(std::chrono::seconds(60));
    if (!image)
        ADD_FAILURE() << "no screenshot:\n" << output();
    return image;
}

osg::ref_ptr<osg::Image> ViewerSession::settled(int x0, int y0, int x1, int y1)
{
    osg::ref_ptr<osg::Image> last = shot();
    for (int i = 0; i < 30 && last; ++i) {
        osg::ref_ptr<osg::Image> next = shot();
        if (next && difference(*last, *next, x0, y0, x1, y1) < 0.001f)
            return next;
        last = next;
    }
    ADD_FAILURE() << "the view did not come to rest";
    return nullptr;
}

std::string ViewerSession::save()
{
    const std::string path = tree_.configurationPath();
    const ino_t before = inode(path);
    key("F3");
    if (!waitUntil([&] { return inode(path) != 0 && inode(path) != before; })) {
        ADD_FAILURE() << "F3 renamed no new configuration file into place:\n" << output();
        return std::string();
    }
    return tree_.readConfiguration();
}

} // namespace kelvotest
