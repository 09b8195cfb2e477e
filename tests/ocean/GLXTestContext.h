#pragma once

#include <string>

typedef struct _XDisplay Display;

// An OpenGL context made current on a small pbuffer of the test display (DISPLAY), for tests of
// the library's OpenGL code. Compatibility contexts read the classic extension string; core
// contexts have none and must be enumerated.
class GLXTestContext
{
public:
    enum class Profile { Compatibility, Core };

    explicit GLXTestContext(Profile profile);
    ~GLXTestContext();
    GLXTestContext(const GLXTestContext&) = delete;
    GLXTestContext& operator=(const GLXTestContext&) = delete;

    // False with a reason when no context could be made current.
    bool isCurrent() const { return current; }
    const std::string& failure() const { return reason; }

private:
    Display* display = nullptr;
    unsigned long pbuffer = 0;
    void* context = nullptr;
    bool current = false;
    std::string reason;
};
