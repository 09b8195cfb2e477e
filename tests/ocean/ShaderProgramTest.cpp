#include "OceanScene.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include "core/Configuration.h"
#include "opengl/OceanLightingModelOpenGL.h"
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/ProjectedGridOpenGL.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Variant
{
    Maris::Renderer renderer;
    Maris::CoordinateSystem system;
    Maris::WaterModelType type;
    bool kelvinWakes;
    bool propellerWash;
    bool breakingWaves;
    bool hdr;

    std::string describe() const
    {
        std::ostringstream text;
        text << "renderer " << renderer << ", system " << system << ", type " << type
             << (kelvinWakes ? ", Kelvin wakes" : "") << (propellerWash ? ", propeller wash" : "")
             << (breakingWaves ? ", breaking waves" : "") << (hdr ? ", HDR" : "");
        return text.str();
    }
};

int maxWaves()
{
    const std::string text = OceanScene::stagedFile("projgrid-flat-gerstner.glsl");
    std::smatch match;
    if (std::regex_search(text, match, std::regex("#define MAX_WAVES ([0-9]+)")))
        return std::stoi(match[1]);
    return 0;
}

// The uniforms each variant's programs must declare (and use): the grid's, the lighting
// model's, the wave model's and the wake manager's.
std::set<std::string> expectedUniforms(const Variant& v, bool patch)
{
    std::set<std::string> names;
    for (const char* name : Maris::ProjectedGridOpenGL::uniformNames)
        names.insert(name);
    const bool geocentric = v.system < Maris::FlatZUp;
    if (!geocentric)
        for (const char* name : {"planarHeight", "planarAdjust", "northPole", "north", "east",
                                 "radii", "oneOverRadii", "referenceLocation"})
            names.erase(name);
    if (!(v.breakingWaves && v.type != Maris::GerstnerWaves))
        for (const char* name : {"kexp", "breakerWavelength", "breakerWavelengthVariance",
                                 "breakerDirection", "breakerAmplitude", "breakerPhaseConstant",
                                 "surgeDepth", "steepnessVariance"})
            names.erase(name);
    if (!patch)
        names.erase("modelMatrix");
    // Patches bring their own positions: no screen rays to build.
    if (patch)
        for (const char* name : {"gridScale", "invModelviewProj", "planarHeight", "planarAdjust", "radii"})
            names.erase(name);

    for (const char* name : Maris::OceanLightingModelOpenGL::uniformNames)
        names.insert(name);
    // The wash rides on the wake rings.
    if (!v.propellerWash || !v.kelvinWakes)
        names.erase("washTex");

    if (v.type == Maris::GerstnerWaves) {
        names.insert("numWaves");
        names.insert("time");
        for (int i = 0; i < maxWaves(); ++i)
            for (const char* field : {"frequency", "phaseSpeed", "amplitude", "direction", "steepness"})
                names.insert("waves[" + std::to_string(i) + "]." + field);
    } else {
        for (const char* name : {"displacementMap", "slopeFoamMap", "textureSize", "noiseAmplitude",
                                 "invNoiseDistance", "invDampingDistance", "textureLODBias", "time"})
            names.insert(name);
    }

    if (v.kelvinWakes) {
        names.insert("doWakes");
        std::vector<const char*> fields = {"amplitude", "radius", "k", "halfWavelength", "position"};
        if (v.propellerWash) {
            names.insert("washLength");
            for (const char* f : {"washWidth", "deltaPos", "number", "hasPropWash", "propPosition"})
                fields.push_back(f);
        }
        for (int i = 0; i < 25; ++i)
            for (const char* field : fields)
                names.insert("wakes[" + std::to_string(i) + "]." + field);
    }
    return names;
}

// Every active uniform of a program, array elements spelled out.
std::set<std::string> activeUniforms(GLuint program)
{
    std::set<std::string> names;
    GLint count = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
    for (GLint i = 0; i < count; ++i) {
        char name[256];
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program, static_cast<GLuint>(i), sizeof name, nullptr, &size, &type, name);
        std::string text = name;
        const std::size_t bracket = text.find("[0]");
        if (bracket != std::string::npos && bracket + 3 == text.size()) {
            text.erase(bracket);
            for (GLint e = 0; e < size; ++e)
                names.insert(text + "[" + std::to_string(e) + "]");
        } else {
            names.insert(text);
        }
    }
    return names;
}

void checkVariant(const Variant& v)
{
    SCOPED_TRACE(v.describe());
    OceanScene::Options options;
    options.renderer = v.renderer;
    options.profile = v.renderer >= Maris::OpenGL32 ? GLXTestContext::Profile::Core
                                                   : GLXTestContext::Profile::Compatibility;
    options.coordinateSystem = v.system;
    options.hdr = v.hdr;
    options.configuration = std::string("wake-kelvin-wakes = ") + (v.kelvinWakes ? "true" : "false") +
                            "\nwake-propeller-backwash = " + (v.propellerWash ? "true" : "false") +
                            "\ndefault-grid-resolution = 16";
    OceanScene scene(options);
    ASSERT_TRUE(scene.ready()) << scene.failure();

    Maris::ProjectedGridOpenGL grid(v.breakingWaves);
    ASSERT_TRUE(grid.Initialize(&scene.environment(), v.type, 16))
        << ::testing::PrintToString(scene.messages().texts());
    EXPECT_TRUE(scene.messages().texts().empty()) << ::testing::PrintToString(scene.messages().texts());

    // What the program was built from.
    const std::string preamble = grid.ShaderPreamble().c_str();
    EXPECT_EQ(preamble.find(v.renderer >= Maris::OpenGL32 ? "#version 150\n#define OPENGL32\n"
                                                          : "#version 120\n"),
              0u);
    EXPECT_EQ(preamble.find("#define PROPELLER_WASH\n") != std::string::npos, v.propellerWash);
    EXPECT_EQ(preamble.find("#define KELVIN_WAKES\n") != std::string::npos, v.kelvinWakes);
    EXPECT_EQ(preamble.find("#define BREAKING_WAVES\n") != std::string::npos, v.breakingWaves);
    EXPECT_EQ(preamble.find("#define HDR\n") != std::string::npos, v.hdr);
    EXPECT_NE(preamble.find("#define MAX_WAKE_WAVES 25\n"), std::string::npos);

    ASSERT_NE(grid.GetShader(), 0u);
    EXPECT_EQ(grid.GetPatchShader() != 0u, v.type != Maris::GerstnerWaves);
    for (bool patch : {false, true}) {
        const GLuint program = patch ? grid.GetPatchShader() : grid.GetShader();
        if (!program)
            continue;
        SCOPED_TRACE(patch ? "patch program" : "grid program");
        const std::set<std::string> active = activeUniforms(program);
        for (const std::string& name : expectedUniforms(v, patch))
            EXPECT_NE(Maris::glGetUniformLocation(program, name.c_str()), -1) << name;
        // Nothing the library does not set is left for the shaders to read uninitialized.
        // (Struct members other than the wake slots' count as declared only when used.)
        const std::set<std::string> expected = expectedUniforms(v, patch);
        for (const std::string& name : active)
            if (name.compare(0, 6, "wakes[") != 0) {
                EXPECT_TRUE(expected.count(name)) << "unexpected uniform " << name;
            }
        const GLint vertex = Maris::glGetAttribLocation(program, "vertex");
        if (v.renderer >= Maris::OpenGL32) {
            EXPECT_GE(vertex, 0);
        }
    }
}

} // namespace

TEST(SeaShaders, NamesFollowGeometryAndWaveModel)
{
    for (Maris::CoordinateSystem system : {Maris::FlatZUp, Maris::FlatYUp, Maris::GeocentricSphereZUp}) {
        for (Maris::WaterModelType type : {Maris::GerstnerWaves, Maris::JONSWAPSpectrum}) {
            OceanScene::Options options;
            options.coordinateSystem = system;
            options.configuration = "default-grid-resolution = 8";
            OceanScene scene(options);
            ASSERT_TRUE(scene.ready()) << scene.failure();
            Maris::ProjectedGridOpenGL grid(false);
            ASSERT_TRUE(grid.Initialize(&scene.environment(), type, 8));
            const std::string geometry = system >= Maris::FlatZUp ? "flat-" : "ellipsoid-";
            const std::string model = type == Maris::GerstnerWaves ? "gerstner" : "fft";
            EXPECT_EQ(std::string(grid.ShaderFileName(true, false).c_str()),
                      "projgrid-" + geometry + model + ".glsl");
            EXPECT_EQ(std::string(grid.ShaderFileName(false, false).c_str()),
                      type == Maris::GerstnerWaves ? "ocean-frag-gerstner.glsl"
                                                   : "ocean-frag-" + geometry + "fft.glsl");
            EXPECT_EQ(std::string(grid.ShaderFileName(true, true).c_str()),
                      "projgrid-" + geometry + model + "-patch.glsl");
        }
    }
}

TEST(SeaShaders, ShippedWaveSlotsHoldTheShippedWaveCount)
{
    int shipped = 0;
    std::istringstream config(OceanScene::stagedFile("Maris.config"));
    for (std::string line; std::getline(config, line);) {
        std::smatch match;
        if (std::regex_search(line, match, std::regex("^num-gerstner-waves *= *([0-9]+)")))
            shipped = std::stoi(match[1]);
    }
    EXPECT_GE(maxWaves(), shipped > 0 ? shipped : 4);
    EXPECT_EQ(OceanScene::stagedFile("ocean-frag-gerstner.glsl").find("#define MAX_WAVES " +
                                                                        std::to_string(maxWaves())) !=
                  std::string::npos,
              true);
}

TEST(SeaShaders, EveryProgramCompilesLinksAndDeclaresWhatIsSetCompatibility)
{
    for (Maris::CoordinateSystem system : {Maris::FlatZUp, Maris::GeocentricEllipsoidZUp})
        for (Maris::WaterModelType type : {Maris::GerstnerWaves, Maris::PhillipsSpectrum})
            for (int flags = 0; flags < 16; ++flags)
                checkVariant({Maris::OpenGL2, system, type, (flags & 1) != 0, (flags & 2) != 0,
                              (flags & 4) != 0, (flags & 8) != 0});
}

TEST(SeaShaders, EveryProgramCompilesLinksAndDeclaresWhatIsSetOpenGL32)
{
    for (Maris::CoordinateSystem system : {Maris::FlatZUp, Maris::GeocentricEllipsoidZUp})
        for (Maris::WaterModelType type : {Maris::GerstnerWaves, Maris::PhillipsSpectrum})
            for (int flags = 0; flags < 16; ++flags)
                checkVariant({Maris::OpenGL32, system, type, (flags & 1) != 0, (flags & 2) != 0,
                              (flags & 4) != 0, (flags & 8) != 0});
}
