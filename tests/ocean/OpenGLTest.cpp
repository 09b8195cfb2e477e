#include "OceanScene.h"

#include "opengl/OpenGLEntryPoints.h"
#include "opengl/OpenGLErrorCheck.h"
#include "opengl/OpenGLExtensions.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

// Compatibility contexts list their extensions in one string, core contexts enumerate them;
// either way only whole names match.
TEST(OpenGL, ExtensionsMatchWholeNamesOnlyInEitherProfile)
{
    using Profile = GLXTestContext::Profile;
    for (const Profile profile : {Profile::Compatibility, Profile::Core}) {
        SCOPED_TRACE(profile == Profile::Core ? "core" : "compatibility");
        // Initializing an OpenGL environment is what fetches the entry points.
        OceanScene::Options options = OceanScene::bareOptions("\n", Maris::OpenGL2);
        options.openGL = true;
        options.profile = profile;
        OceanScene scene(options);
        ASSERT_TRUE(scene.ready()) << scene.failure();
        ASSERT_TRUE(Maris::AreOpenGLEntryPointsResolved());
        std::vector<std::string> names;
        if (profile == Profile::Core) {
            EXPECT_EQ(glGetString(GL_EXTENSIONS), nullptr);
            GLint count = 0;
            glGetIntegerv(GL_NUM_EXTENSIONS, &count);
            for (GLint i = 0; i < count; ++i)
                names.emplace_back(
                    reinterpret_cast<const char*>(Maris::glGetStringi(GL_EXTENSIONS, i)));
        } else {
            std::istringstream list(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
            for (std::string name; list >> name;)
                names.push_back(name);
        }
        ASSERT_GT(names.size(), 10u);
        // An error left pending by earlier calls does not make the list look unreadable.
        glEnable(0x7fff);
        const std::string& middle = names[names.size() / 2];
        for (const std::string& name : {names.front(), middle, names.back()})
            EXPECT_TRUE(Maris::IsExtensionSupported(name.c_str())) << name;
        for (const std::string& name :
             {middle.substr(0, middle.size() - 1), middle + "_more", middle.substr(1),
              names[0] + " " + names[1], std::string("GL_MARIS_no_such_extension"), std::string()})
            EXPECT_FALSE(Maris::IsExtensionSupported(name.c_str())) << name;
        EXPECT_FALSE(Maris::IsExtensionSupported(nullptr));
        while (glGetError() != GL_NO_ERROR) {
        }
    }
}

TEST(OpenGL, ErrorCheckReportsEachErrorWithItsSourceLocation)
{
    MessageCapture messages;
    const auto context = openTestContext(GLXTestContext::Profile::Compatibility);
    ASSERT_TRUE(context->isCurrent()) << context->failure();
    glEnable(0x7fff); // not a capability
    EXPECT_FALSE(Maris::CheckOpenGLError("GridRenderer.cpp", 42));
    ASSERT_EQ(messages.entries().size(), 2u);
    EXPECT_EQ(messages.entries()[0].line, "MARIS: GL error in GridRenderer.cpp line 42:\n");
    EXPECT_EQ(messages.entries()[1].line,
              std::string("MARIS: ") +
                  reinterpret_cast<const char*>(gluErrorString(GL_INVALID_ENUM)) + "\n");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "the errors were consumed";
    messages.clear();
    EXPECT_TRUE(MARIS_CHECK_GL_ERROR());
    EXPECT_TRUE(messages.entries().empty());
}
