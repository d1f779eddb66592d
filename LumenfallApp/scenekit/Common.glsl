// Helpers every scene shader may use: hashing, value noise, colour and dithering.

const float PI = 3.14159265358979;

#ifdef VERTEX_STAGE
// One triangle over the whole target at clip depth `z` (1: the far plane, behind everything),
// no vertex buffer; returns the vertex's corner, (0, 0) to (2, 2) in target units.
vec2 coverTarget(float z) {
    vec2 corner = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));
    gl_Position = vec4(corner * 2.0 - 1.0, z, 1.0);
    return corner;
}

#ifdef MESH_VERTICES_SLOT
// The mesh scenes' shared vertex layout, read by index; no vertex attributes.
struct MeshVertex {
    vec4 position;
    vec4 normal;
    vec4 color;
};
layout(std430, binding = MESH_VERTICES_SLOT) readonly buffer MeshVertices { MeshVertex vertices[]; };
#endif
#endif

float hash11(float p) {
    p = fract(p * 0.1031);
    p *= p + 33.33;
    p *= p + p;
    return fract(p);
}

float hash12(vec2 p) {
    vec3 p3 = fract(vec3(p.xyx) * 0.1031);
    p3 += dot(p3, p3.yzx + 33.33);
    return fract((p3.x + p3.y) * p3.z);
}

float hash13(vec3 p3) {
    p3 = fract(p3 * 0.1031);
    p3 += dot(p3, p3.zyx + 31.32);
    return fract((p3.x + p3.y) * p3.z);
}

vec3 hash33(vec3 p3) {
    p3 = fract(p3 * vec3(0.1031, 0.1030, 0.0973));
    p3 += dot(p3, p3.yxz + 33.33);
    return fract((p3.xxy + p3.yxx) * p3.zyx);
}

// Interleaved gradient noise: a cheap per-pixel offset that hides ray-march steps and banding.
float interleavedGradient(vec2 pixel) {
    return fract(52.9829189 * fract(dot(pixel, vec2(0.06711056, 0.00583715))));
}

float valueNoise3(vec3 p) {
    vec3 i = floor(p);
    vec3 f = fract(p);
    vec3 u = f * f * (3.0 - 2.0 * f);
    float a = hash13(i);
    float b = hash13(i + vec3(1, 0, 0));
    float c = hash13(i + vec3(0, 1, 0));
    float d = hash13(i + vec3(1, 1, 0));
    float e = hash13(i + vec3(0, 0, 1));
    float g = hash13(i + vec3(1, 0, 1));
    float h = hash13(i + vec3(0, 1, 1));
    float k = hash13(i + vec3(1, 1, 1));
    return mix(mix(mix(a, b, u.x), mix(c, d, u.x), u.y), mix(mix(e, g, u.x), mix(h, k, u.x), u.y), u.z);
}

float luminance(vec3 c) {
    return dot(c, vec3(0.2126, 0.7152, 0.0722));
}

// Soft filmic curve: keeps highlights from clipping into flat white.
vec3 toneMap(vec3 c) {
    c = max(c, vec3(0.0));
    return (c * (2.51 * c + 0.03)) / (c * (2.43 * c + 0.59) + 0.14);
}

vec3 linearToSRGB(vec3 c) {
    c = clamp(c, 0.0, 1.0);
    return mix(c * 12.92, 1.055 * pow(c, vec3(1.0 / 2.4)) - 0.055, step(vec3(0.0031308), c));
}

// Encodes a linear colour for the 8-bit target with a triangular dither of one code value, so
// dark gradients show no bands.
vec3 encodeOutput(vec3 linearColor, vec2 pixel) {
    vec3 srgb = linearToSRGB(linearColor);
    float a = hash12(pixel);
    float b = hash12(pixel + 17.31);
    return srgb + (a - b) / 255.0;
}

// Tone curve on the largest channel alone: bright, saturated light keeps its hue instead of
// bleaching to white, and only what is brighter than `white` clips.
vec3 toneMapHue(vec3 c, float white) {
    c = max(c, vec3(0.0));
    float m = max(c.r, max(c.g, c.b));
    float mapped = m * (1.0 + m / (white * white)) / (1.0 + m);
    return c * (mapped / max(m, 1e-6));
}
