#pragma once

namespace Maris {

// Reports and clears every pending OpenGL error, naming the source location; true when there was
// none. The OpenGL code calls it after each batch of calls and treats false as failure.
bool CheckOpenGLError(const char* file, int line);

} // namespace Maris

#define MARIS_CHECK_GL_ERROR() ::Maris::CheckOpenGLError(__FILE__, __LINE__)
