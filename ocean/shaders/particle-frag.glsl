// Spray particle fragment shader: the spray texture, lit by the ambient light and weighted by the
// particle's opacity. The color leaves premultiplied for the (one, one - source color) blend.

#ifdef OPENGL32
#define VARYING in
#define SAMPLE texture
out vec4 fragColor;
#else
#define VARYING varying
#define SAMPLE texture2D
#define fragColor gl_FragColor
#endif

uniform sampler2D particleTexture;

VARYING vec2 texCoord;
VARYING vec4 particleColor;

void main()
{
#ifdef POINT_SPRITES
    vec2 uv = gl_PointCoord;
#else
    vec2 uv = texCoord;
#endif
    vec4 texel = SAMPLE(particleTexture, uv);
    float opacity = texel.a * particleColor.a;
    fragColor = vec4(texel.rgb * particleColor.rgb * opacity, opacity);
}
