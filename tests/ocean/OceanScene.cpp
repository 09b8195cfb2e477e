#include "OceanScene.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glx.h>
#include <GL/glxext.h>

#include <Maris/Matrix4.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <thread>

namespace {

// Context creation errors arrive asynchronously; this keeps them from terminating the test.
bool creationFailed = false;
int recordError(Display*, XErrorEvent*)
{
    creationFailed = true;
    return 0;
}

} // namespace

struct GLXTestContext
{
    explicit GLXTestContext(bool core);
    ~GLXTestContext();

    std::string failure = "context creation failed"; // empty once the context is current
    Display* display = nullptr;
    GLXPbuffer pbuffer = 0;
    GLXContext context = nullptr;
};

GLXTestContext::GLXTestContext(bool core)
{
    // A display shared by many test processes now and then turns a connection away; try again.
    for (int attempt = 0; attempt < 10 && !(display = XOpenDisplay(nullptr)); ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    if (!display) {
        failure = "cannot open the X display (is DISPLAY set?)";
        return;
    }
    const int configAttributes[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE,
                                    GLX_RGBA_BIT, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8,
                                    GLX_BLUE_SIZE, 8, GLX_DEPTH_SIZE, 16, None};
    int count = 0;
    GLXFBConfig* configs =
        glXChooseFBConfig(display, DefaultScreen(display), configAttributes, &count);
    if (!configs || count == 0) {
        failure = "no pbuffer frame-buffer configuration";
        return;
    }
    const GLXFBConfig config = configs[0];
    XFree(configs);
    const int pbufferAttributes[] = {GLX_PBUFFER_WIDTH, 16, GLX_PBUFFER_HEIGHT, 16, None};
    pbuffer = glXCreatePbuffer(display, config, pbufferAttributes);

    auto createContextAttribs = reinterpret_cast<PFNGLXCREATECONTEXTATTRIBSARBPROC>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXCreateContextAttribsARB")));
    if (!createContextAttribs) {
        failure = "no glXCreateContextAttribsARB";
        return;
    }
    // The legacy context is whatever version the driver offers, so that a lowered one shows.
    const int legacy[] = {None};
    const int coreProfile[] = {GLX_CONTEXT_MAJOR_VERSION_ARB, 3, GLX_CONTEXT_MINOR_VERSION_ARB, 3,
                               GLX_CONTEXT_PROFILE_MASK_ARB, GLX_CONTEXT_CORE_PROFILE_BIT_ARB,
                               None};
    creationFailed = false;
    int (*previous)(Display*, XErrorEvent*) = XSetErrorHandler(recordError);
    context = createContextAttribs(display, config, nullptr, True, core ? coreProfile : legacy);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (context && !creationFailed)
        failure = glXMakeContextCurrent(display, pbuffer, pbuffer, context)
                      ? ""
                      : "cannot make the context current";
}

GLXTestContext::~GLXTestContext()
{
    if (!display)
        return;
    glXMakeContextCurrent(display, None, None, nullptr);
    if (context)
        glXDestroyContext(display, context);
    if (pbuffer)
        glXDestroyPbuffer(display, pbuffer);
    XCloseDisplay(display);
}

std::string OceanScene::stagedFile(const std::string& name)
{
    std::ifstream in(std::string(MARIS_RESOURCES_DIR) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

OceanScene::Options OceanScene::bareOptions(const std::string& configuration,
                                            Maris::Renderer renderer, void* device)
{
    Options o;
    o.bare = true;
    o.openGL = false;
    o.configuration = configuration;
    o.renderer = renderer;
    o.device = device;
    return o;
}

OceanScene::Options OceanScene::fftOptions(const std::string& extraConfiguration, int dimension)
{
    return bareOptions("fft-force-cpu = true\nfft-measure-plans = false\n"
                       "fft-grid-dimension-x = " + std::to_string(dimension) + "\n"
                       "fft-grid-dimension-y = " + std::to_string(dimension) + "\n" +
                       extraConfiguration);
}

OceanScene::OceanScene(const Options& chosen)
    : options(chosen)
{
    std::string resources = options.resourceDirectory;
    if (resources.empty()) {
        resources = directory.path();
        mkdir((resources + "/lib").c_str(), 0755);
        std::string configuration = options.configuration;
        if (!options.bare) {
            // The staged shaders and textures; not the sky faces, which the library never reads.
            for (const auto& entry : std::filesystem::directory_iterator(MARIS_RESOURCES_DIR)) {
                const std::string name = entry.path().filename().string();
                const bool skyFace = name.rfind("pos", 0) == 0 || name.rfind("neg", 0) == 0;
                if (entry.path().extension() == ".glsl" ||
                    (entry.path().extension() == ".tga" && !skyFace))
                    directory.write(name, stagedFile(name));
            }
            configuration = stagedFile("Maris.config") + "\n" + configuration + "\n";
        }
        directory.write("Maris.config", configuration);
        for (const auto& [name, bytes] : options.files)
            directory.write(name, bytes);
    }
    if (options.openGL) {
        context = std::make_unique<GLXTestContext>(options.renderer == Maris::OpenGL32 ||
                                                   options.renderer == Maris::OpenGL41);
        if (!context->failure.empty()) {
            reason = context->failure;
            return;
        }
    }
    resourceLoader = std::make_unique<Maris::ResourceLoader>(resources.c_str(), false);
    sea = std::make_unique<Maris::Environment>();
    const Maris::EnvironmentError result =
        sea->Initialize(options.coordinateSystem, options.renderer, resourceLoader.get(),
                        options.device, options.hdr);
    if (result != Maris::EnvironmentInitialized) {
        reason = "environment did not initialize on " + resources + ": " + std::to_string(result);
        return;
    }
    if (options.openGL && !createFrameBuffer()) {
        reason = "no frame buffer object";
        return;
    }
    if (!options.bare)
        sea->SimulateSeaState(5.0, 0.3);
    const double sun[3] = {0.0, 0.6, 0.35};
    const double sunColor[3] = {1.0, 0.95, 0.85};
    const double ambient[3] = {0.25, 0.3, 0.35};
    sea->SetDirectionalLight(sun, sunColor);
    sea->SetAmbientLight(ambient);
    lookAt(Maris::Vector3(0, 0, 20), Maris::Vector3(0, 500, 0));
    isReady = true;
}

OceanScene::~OceanScene()
{
    if (context && context->failure.empty()) {
        glDeleteTextures(1, &skyTexture);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &frameBuffer);
        glDeleteRenderbuffers(2, renderBuffers);
    }
}

bool OceanScene::createFrameBuffer()
{
    glGenFramebuffers(1, &frameBuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
    glGenRenderbuffers(2, renderBuffers);
    const GLenum formats[2] = {static_cast<GLenum>(options.floatTarget ? GL_RGBA32F : GL_RGBA8),
                               GL_DEPTH_COMPONENT24};
    const GLenum attachments[2] = {GL_COLOR_ATTACHMENT0, GL_DEPTH_ATTACHMENT};
    for (int i = 0; i < 2; ++i) {
        glBindRenderbuffer(GL_RENDERBUFFER, renderBuffers[i]);
        glRenderbufferStorage(GL_RENDERBUFFER, formats[i], options.width, options.height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachments[i], GL_RENDERBUFFER,
                                  renderBuffers[i]);
    }
    glViewport(0, 0, options.width, options.height);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    while (glGetError() != GL_NO_ERROR) {
    }
    return complete;
}

void OceanScene::lookAt(const Maris::Vector3& eye, const Maris::Vector3& target,
                        double fovDegrees, double rollDegrees, double nearPlane, double farPlane)
{
    // A look-at view in the row-vector layout: columns are the camera axes.
    const Maris::Vector3 forward = (target - eye).Normalized();
    Maris::Vector3 side = forward.Cross(Maris::Vector3(0, 0, 1));
    if (side.SquaredLength() < 1e-12)
        side = forward.Cross(Maris::Vector3(0, 1, 0));
    side.Normalize();
    const Maris::Vector3 up = side.Cross(forward);
    const double roll = rollDegrees * M_PI / 180.0;
    const Maris::Vector3 axes[3] = {side * std::cos(roll) + up * std::sin(roll),
                                    up * std::cos(roll) - side * std::sin(roll), -forward};
    Maris::Matrix4 view;
    for (int column = 0; column < 3; ++column) {
        view.elem[0][column] = axes[column].x;
        view.elem[1][column] = axes[column].y;
        view.elem[2][column] = axes[column].z;
        view.elem[3][column] = -axes[column].Dot(eye);
    }
    const double f = 1.0 / std::tan(fovDegrees * M_PI / 360.0);
    Maris::Matrix4 projection = Maris::Matrix4::Zero();
    projection.elem[0][0] = f * options.height / options.width;
    projection.elem[1][1] = f;
    projection.elem[2][2] = (farPlane + nearPlane) / (nearPlane - farPlane);
    projection.elem[2][3] = -1.0;
    projection.elem[3][2] = 2.0 * farPlane * nearPlane / (nearPlane - farPlane);
    sea->SetCameraMatrix(view.Pointer());
    sea->SetProjectionMatrix(projection.Pointer());
}

void OceanScene::setWind(double speed, double direction, double fetch)
{
    Maris::WindFetch wind;
    wind.SetWind(speed, direction);
    wind.SetFetchLength(fetch);
    sea->ClearWindFetches();
    sea->AddWindFetch(wind);
}

std::unique_ptr<Maris::FFTWaterModel> OceanScene::fftModel(int type, unsigned seed)
{
    std::srand(seed);
    std::unique_ptr<Maris::FFTWaterModel> model(new Maris::FFTWaterModel(sea.get(), type));
    return model->Initialize(0, 0, false) ? std::move(model) : nullptr;
}

std::unique_ptr<Maris::ProjectedGrid> OceanScene::grid(int type)
{
    std::unique_ptr<Maris::ProjectedGrid> grid(new Maris::ProjectedGrid(false));
    grid->Initialize(sea.get(), static_cast<Maris::WaterModelType>(type), 64);
    return grid;
}

std::string OceanScene::installEngineLibrary(const std::string& source,
                                             const std::string& name) const
{
    const std::string target =
        std::string(resourceLoader->GetResourceDirectory()) + "lib/lib" + name + ".so";
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
    return target;
}

void OceanScene::useSkyCubeMap(const std::uint8_t (*colors)[3])
{
    const bool gradient = colors == nullptr;
    const int size = gradient ? 32 : 8;
    glGenTextures(1, &skyTexture);
    glBindTexture(GL_TEXTURE_CUBE_MAP, skyTexture);
    std::vector<std::uint8_t> face(static_cast<std::size_t>(size * size) * 3);
    for (int f = 0; f < 6; ++f) {
        for (int i = 0; i < size * size; ++i) {
            const double t = static_cast<double>(i / size) / (size - 1);
            const std::uint8_t sky[3] = {static_cast<std::uint8_t>(90 + 80 * t),
                                         static_cast<std::uint8_t>(140 + 60 * t), 220};
            for (int c = 0; c < 3; ++c)
                face[static_cast<std::size_t>(i) * 3 + c] = gradient ? sky[c] : colors[f][c];
        }
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + f, 0, GL_RGB, size, size, 0, GL_RGB,
                     GL_UNSIGNED_BYTE, face.data());
    }
    const GLint filter = gradient ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, filter);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    // The viewer's matrix: rows (-1, 0, 0), (0, 0, 1), (0, 1, 0).
    const double matrix[9] = {-1, 0, 0, 0, 0, 1, 0, 1, 0};
    sea->SetEnvironmentMap(skyTexture, matrix);
}

void OceanScene::clear(float red, float green, float blue, float alpha)
{
    glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
    glViewport(0, 0, options.width, options.height);
    glClearColor(red, green, blue, alpha);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

std::vector<std::uint8_t> OceanScene::readPixels() const
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(options.width) * options.height * 4);
    glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
    glReadPixels(0, 0, options.width, options.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}
