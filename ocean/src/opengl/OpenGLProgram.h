#pragma once

#include <cstdint>

namespace Maris {

class ResourceLoader;
struct Matrix3;
struct Matrix4;
struct Vector3;

// Reads fileName through the loader and compiles the preamble followed by its text as a shader of
// the given type (GL_VERTEX_SHADER or GL_FRAGMENT_SHADER). Zero when the file cannot be read (the
// loader says so) or does not compile; then errorPrefix followed by the driver's log is reported.
std::uint32_t CompileShaderFile(ResourceLoader* loader, std::uint32_t type, const char* fileName,
                                const char* preamble, const char* errorPrefix);

// Links the two stages into a new program. Zero when a stage is missing or the link fails; then
// the driver's log (where it gave one) and failureText are reported and no program is left. The
// stages stay the caller's either way.
std::uint32_t LinkShaderProgram(std::uint32_t vertexShader, std::uint32_t fragmentShader,
                                const char* failureText);

// locations[i] becomes the location of names[i] in program, or -1 (also for every name when
// program is 0).
void LookUpUniforms(std::uint32_t program, const char* const* names, int count, int* locations);

// For an array of structs: array[element].field for each of count elements, fieldCount locations
// an element in the order of fields.
void LookUpUniformArray(std::uint32_t program, const char* array, std::uint32_t count,
                        const char* const* fields, int fieldCount, int* locations);

// Each does nothing for location -1: a uniform the program does not declare, or does not use.
void SetUniformInt(int location, int value);
void SetUniformFloat(int location, double value);
void SetUniformVector3(int location, const Vector3& value);
// Stored row by row and handed over untransposed: the shader multiplies matrix * column vector.
void SetUniformMatrix3(int location, const Matrix3& value);
void SetUniformMatrix4(int location, const Matrix4& value);

} // namespace Maris
