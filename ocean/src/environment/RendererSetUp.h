#pragma once

namespace Maris {

// What the environment asks of the OpenGL back end when it is initialized with an OpenGL
// renderer; the back end (opengl/) implements it, so the environment includes no OpenGL header.

// Fetches the OpenGL entry points the library calls; later calls do nothing. False when the
// driver lacks one of them (that pointer stays null).
bool ResolveOpenGLEntryPoints();

} // namespace Maris
