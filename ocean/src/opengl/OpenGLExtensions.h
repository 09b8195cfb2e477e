#pragma once

namespace Maris {

// Whether the current OpenGL context offers the extension, by its exact name. Reads the classic
// extension string; where that cannot be read (core profiles) and glGetStringi was fetched
// (ResolveOpenGLEntryPoints), enumerates the extensions one by one instead.
bool IsExtensionSupported(const char* name);

} // namespace Maris
