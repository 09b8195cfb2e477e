#include "OceanScene.h"
#include "MessageCapture.h"
#include "TemporaryDirectory.h"

#include <Maris/Environment.h>
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/OpenGLErrorCheck.h"
#include "opengl/OpenGLExtensions.h"
#include <Maris/ResourceLoader.h>

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Initializing an OpenGL environment is what fetches the entry points.
bool initializeOpenGLEnvironment()
{
    TemporaryDirectory directory;
    directory.write("Maris.config", "\n");
    Maris::ResourceLoader loader(directory.path().c_str(), false);
    Maris::Environment environment;
    return environment.Initialize(Maris::FlatZUp, Maris::OpenGL2, &loader, nullptr, false) ==
           Maris::EnvironmentInitialized;
}

std::vector<std::string> classicExtensions()
{
    std::vector<std::string> names;
    std::istringstream list(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
    for (std::string name; list >> name;)
        names.push_back(name);
    return names;
}

GLuint compile(GLenum type, const char* source)
{
    const GLuint shader = Maris::glCreateShader(type);
    Maris::glShaderSource(shader, 1, &source, nullptr);
    Maris::glCompileShader(shader);
    GLint compiled = GL_FALSE;
    Maris::glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    return compiled == GL_TRUE ? shader : 0;
}

} // namespace

TEST(OpenGL, FetchedShaderEntryPointsBuildAWorkingProgram)
{
    const std::unique_ptr<GLXTestContext> context = openTestContext(GLXTestContext::Profile::Compatibility);
    ASSERT_TRUE(context->isCurrent()) << context->failure();
    ASSERT_TRUE(initializeOpenGLEnvironment());
    ASSERT_TRUE(Maris::AreOpenGLEntryPointsResolved());

    const GLuint vertex = compile(GL_VERTEX_SHADER, "#version 120\nattribute vec2 vertex;\n"
                                                    "uniform vec4 tint;\nvarying vec4 colour;\n"
                                                    "void main() { colour = tint; "
                                                    "gl_Position = vec4(vertex, 0.0, 1.0); }\n");
    const GLuint fragment = compile(GL_FRAGMENT_SHADER, "#version 120\nvarying vec4 colour;\n"
                                                        "void main() { gl_FragColor = colour; }\n");
    ASSERT_NE(vertex, 0u);
    ASSERT_NE(fragment, 0u);
    EXPECT_EQ(Maris::glIsShader(vertex), GL_TRUE);
    const GLuint program = Maris::glCreateProgram();
    Maris::glAttachShader(program, vertex);
    Maris::glAttachShader(program, fragment);
    Maris::glLinkProgram(program);
    GLint linked = GL_FALSE;
    Maris::glGetProgramiv(program, GL_LINK_STATUS, &linked);
    ASSERT_EQ(linked, GL_TRUE);
    EXPECT_GE(Maris::glGetUniformLocation(program, "tint"), 0);
    EXPECT_EQ(Maris::glGetUniformLocation(program, "absent"), -1);
    EXPECT_GE(Maris::glGetAttribLocation(program, "vertex"), 0);

    // Buffers: fill, map, read back.
    GLuint buffer = 0;
    Maris::glGenBuffers(1, &buffer);
    Maris::glBindBuffer(GL_ARRAY_BUFFER, buffer);
    const float values[4] = {1.0f, 2.0f, 3.0f, 4.0f};
    Maris::glBufferData(GL_ARRAY_BUFFER, sizeof(values), values, GL_STATIC_DRAW);
    const float replacement = 9.0f;
    Maris::glBufferSubData(GL_ARRAY_BUFFER, sizeof(float), sizeof(float), &replacement);
    const float* mapped = static_cast<const float*>(
        Maris::glMapBufferRange(GL_ARRAY_BUFFER, 0, sizeof(values), GL_MAP_READ_BIT));
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(mapped[0], 1.0f);
    EXPECT_EQ(mapped[1], 9.0f);
    EXPECT_EQ(Maris::glUnmapBuffer(GL_ARRAY_BUFFER), GL_TRUE);
    Maris::glBindBuffer(GL_ARRAY_BUFFER, 0);
    Maris::glDeleteBuffers(1, &buffer);

    Maris::glDetachShader(program, vertex);
    Maris::glDeleteShader(vertex);
    Maris::glDeleteShader(fragment);
    Maris::glDeleteProgram(program);
    EXPECT_TRUE(Maris::CheckOpenGLError(__FILE__, __LINE__));
}

TEST(OpenGL, ClassicExtensionStringMatchesWholeNamesOnly)
{
    MessageCapture messages;
    const std::unique_ptr<GLXTestContext> context = openTestContext(GLXTestContext::Profile::Compatibility);
    ASSERT_TRUE(context->isCurrent()) << context->failure();
    ASSERT_TRUE(initializeOpenGLEnvironment());
    const std::vector<std::string> names = classicExtensions();
    ASSERT_GT(names.size(), 10u);

    // The first and last names of the list, and one from the middle.
    EXPECT_TRUE(Maris::IsExtensionSupported(names.front().c_str()));
    EXPECT_TRUE(Maris::IsExtensionSupported(names.back().c_str()));
    EXPECT_TRUE(Maris::IsExtensionSupported(names[names.size() / 2].c_str()));

    const std::string name = names[names.size() / 2];
    EXPECT_FALSE(Maris::IsExtensionSupported(name.substr(0, name.size() - 1).c_str()));
    EXPECT_FALSE(Maris::IsExtensionSupported((name + "_more").c_str()));
    EXPECT_FALSE(Maris::IsExtensionSupported(name.substr(1).c_str()));
    EXPECT_FALSE(Maris::IsExtensionSupported((names[0] + " " + names[1]).c_str()));
    EXPECT_FALSE(Maris::IsExtensionSupported("GL_MARIS_no_such_extension"));
    EXPECT_FALSE(Maris::IsExtensionSupported(""));
    EXPECT_FALSE(Maris::IsExtensionSupported(nullptr));

    // An error left pending by earlier calls does not make the string look unreadable.
    glEnable(0x7fff);
    EXPECT_TRUE(Maris::IsExtensionSupported(names.front().c_str()));
    EXPECT_TRUE(messages.entries().empty());
}

TEST(OpenGL, CoreContextsAreEnumeratedInstead)
{
    const std::unique_ptr<GLXTestContext> context = openTestContext(GLXTestContext::Profile::Core);
    ASSERT_TRUE(context->isCurrent()) << context->failure();
    ASSERT_TRUE(initializeOpenGLEnvironment());

    // A core context has no classic string.
    EXPECT_EQ(glGetString(GL_EXTENSIONS), nullptr);
    while (glGetError() != GL_NO_ERROR) {
    }
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    ASSERT_GT(count, 10);
    const std::string first = reinterpret_cast<const char*>(Maris::glGetStringi(GL_EXTENSIONS, 0));
    const std::string last =
        reinterpret_cast<const char*>(Maris::glGetStringi(GL_EXTENSIONS, count - 1));
    EXPECT_TRUE(Maris::IsExtensionSupported(first.c_str()));
    EXPECT_TRUE(Maris::IsExtensionSupported(last.c_str()));
    EXPECT_FALSE(Maris::IsExtensionSupported(first.substr(0, first.size() - 1).c_str()));
    EXPECT_FALSE(Maris::IsExtensionSupported((last + "x").c_str()));
    EXPECT_FALSE(Maris::IsExtensionSupported("GL_MARIS_no_such_extension"));
}

TEST(OpenGL, ErrorCheckReportsEachErrorWithItsSourceLocation)
{
    MessageCapture messages;
    const std::unique_ptr<GLXTestContext> context = openTestContext(GLXTestContext::Profile::Compatibility);
    ASSERT_TRUE(context->isCurrent()) << context->failure();
    EXPECT_TRUE(Maris::CheckOpenGLError("Clean.cpp", 10));
    EXPECT_TRUE(messages.entries().empty());

    glEnable(0x7fff); // not a capability
    EXPECT_FALSE(Maris::CheckOpenGLError("GridRenderer.cpp", 42));
    ASSERT_EQ(messages.entries().size(), 2u);
    EXPECT_EQ(messages.entries()[0].line, "MARIS: GL error in GridRenderer.cpp line 42:\n");
    EXPECT_EQ(messages.entries()[1].line,
              std::string("MARIS: ") +
                  reinterpret_cast<const char*>(gluErrorString(GL_INVALID_ENUM)) + "\n");
    // The errors were consumed.
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    messages.clear();
    EXPECT_TRUE(MARIS_CHECK_GL_ERROR());
    EXPECT_TRUE(messages.entries().empty());
}
