#pragma once

#include "spray/ParticleSystem.h"

namespace Maris {

struct ParticleVertex;

// A particle system drawn with the particle shader program: one vertex per particle as point
// sprites where the driver draws large points, else a textured quad (six vertices) per particle.
class ParticleSystemOpenGL : public ParticleSystem
{
public:
    explicit ParticleSystemOpenGL(Environment* environment);
    ~ParticleSystemOpenGL() override;

    // Fails when texture, program or sea frame is missing, or when the program lacks one of the
    // particle uniforms ("Expected particle uniforms not found.").
    bool Initialize(std::uint32_t texture, std::uint32_t program, std::uint32_t capacity,
                    const SeaFrame* frame) override;
    bool Start(double time, const Vector3& direction, double directionVariance, double speed,
               double speedVariance, const Vector3& position, double positionVariance,
               double size, double sizeVariance) override;
    // When the points do not fit before the end of the ring, only capacity - next - 1 of them are
    // written and the next emission starts at slot 0.
    bool Emit(double time, const Vector<Vector3>& points, const Vector3& direction,
              double directionVariance, double speed, double speedVariance,
              double positionVariance, double size, double sizeVariance) override;
    void Draw(double time) override;

    bool UsesPointSprites() const { return pointSprites; }
    std::uint32_t GetVerticesPerParticle() const { return verticesPerParticle; }
    std::uint32_t GetCapacity() const { return capacity; }
    std::uint32_t GetVertexBuffer() const { return vertexBuffer; }

private:
    enum Attribute
    {
        InitialPosition,
        InitialVelocity,
        Size,
        StartTime,
        OffsetX,
        OffsetY,
        TexCoordX,
        TexCoordY,
        AttributeCount
    };
    enum Uniform
    {
        ModelView,
        MVProj,
        Time,
        Gravity,
        ParticleTexture,
        LightColor,
        Transparency,
        CameraPos,
        HeightMap,
        HeightMapMatrix,
        HasHeightMap,
        InvSizeFactor,
        UniformCount
    };

    // Writes the vertices of one particle (verticesPerParticle of them) at out.
    void WriteParticle(ParticleVertex* out, double time, const Vector3& point,
                       const Vector3& direction, double directionVariance, double speed,
                       double speedVariance, double positionVariance, double size,
                       double sizeVariance, bool horizontalOffset);
    float ViewportWidth() const;
    void BindAttributes();
    void UnbindAttributes();

    std::uint32_t texture;
    int attributes[AttributeCount];
    int uniforms[UniformCount];
    std::uint32_t vertexBuffer;
    std::uint32_t vertexArray;
    bool hasVertexArray;
    std::uint32_t program;
    std::uint32_t capacity;
    bool pointSprites;
    std::uint32_t verticesPerParticle;
};

} // namespace Maris
