// Fairytale Castle: a castle on a hill across a lake at night, lanterns, forest and fireworks.
//
// Every surface is drawn twice: into the lake mirror (params.x = 1: geometry reflected in y = 0,
// the eye's y negated, the output tone-mapped but linear) and into the view, where the lake
// samples that mirror. Lantern and burst light reach surfaces per vertex (lantern count and
// three flashes from the record); the moon lights them per pixel.
//
// Record fields: eye.w = clock mod 3600 (every loop turns a whole number of times in it),
// skyHigh.w = star visibility, skyLow.w = lake mist, tuning.w = fog density, forward.w = exposure,
// params.y = star ribbon width (m).

layout(std140, binding = CASTLE_UNIFORMS_SLOT) uniform CastleUniforms {
    mat4 viewProjection;
    vec4 eye;
    vec4 moonDirection;
    vec4 moonColor;
    vec4 skyHigh;
    vec4 skyLow;
    vec4 horizontalAxis;
    vec4 tuning;
    vec4 flashPositions[3];
    vec4 flashColors[3];
    vec4 viewport;
    vec4 cameraRight;
    vec4 cameraUp;
    vec4 cameraForward;
    vec4 params;
} U;

const vec3 LAMP_COLOR = vec3(1.0, 0.56, 0.22);
const vec3 WINDOW_COLOR = vec3(1.0, 0.52, 0.18);

bool mirrorPass() { return U.params.x > 0.5; }

// An angle turning at about `radiansPerSecond`, a whole number of turns per 3600 s.
float loopAngle(float radiansPerSecond) {
    const float perLoop = 6.2831853 / 3600.0;
    return U.eye.w * perLoop * max(floor(radiansPerSecond / perLoop + 0.5), 1.0);
}

uint hashU(uint x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

float hashF(uint x) { return float(hashU(x) >> 8) * (1.0 / 16777216.0); }

// The night air along a direction: dark overhead, paler at the horizon, brighter towards the moon.
vec3 skyColor(vec3 dir) {
    float up = clamp(dir.y, 0.0, 1.0);
    vec3 c = mix(U.skyLow.rgb, U.skyHigh.rgb, pow(smoothstep(-0.02, 0.7, up), 0.55));
    float toMoon = max(dot(dir, U.moonDirection.xyz), 0.0);
    c += U.moonColor.rgb * (0.035 * pow(toMoon, 12.0) + 0.012 * pow(toMoon, 3.0));
    return c;
}

// The glow a burst throws into the haze along a direction.
vec3 flashHaze(vec3 origin, vec3 dir) {
    vec3 c = vec3(0.0);
    for (int i = 0; i < 3; ++i) {
        vec3 toFlash = U.flashPositions[i].xyz - origin;
        float d = length(toFlash);
        float cosA = dot(dir, toFlash / max(d, 1.0));
        float glow = 0.012 / (1.0 + 60.0 * max(1.0 - cosA, 0.0)) + 0.003 * max(cosA, 0.0);
        c += U.flashColors[i].rgb * glow;
    }
    return c;
}

// Distance fog and the low mist that lies on the lake.
vec3 applyFog(vec3 color, vec3 p) {
    vec3 eyeP = vec3(U.eye.x, abs(U.eye.y), U.eye.z);
    vec3 toP = p - eyeP;
    float dist = length(toP);
    vec3 dir = toP / max(dist, 1e-3);
    float fog = 1.0 - exp(-dist * U.tuning.w * 0.1);
    float mist = U.skyLow.w * (1.0 - exp(-dist * 0.0022)) * exp(-max(p.y, 0.0) / 14.0);
    float amount = clamp(fog + mist * (1.0 - fog), 0.0, 1.0);
    vec3 haze = skyColor(vec3(dir.x, max(dir.y, 0.0) * 0.3, dir.z)) * 1.15 + flashHaze(eyeP, dir);
    return mix(color, haze, amount);
}

// Tone-mapped light for the view (sRGB, dithered) or for the mirror (linear).
vec3 display(vec3 color) {
    return toneMapHue(color * U.cameraForward.w, 3.0);
}

vec4 finish(vec3 color, vec2 pixel) {
    vec3 mapped = display(color);
    if (mirrorPass()) return vec4(mapped, 1.0);
    return vec4(encodeOutput(mapped, pixel), 1.0);
}

// Additive and blended layers: the same curve, undithered.
vec3 finishGlow(vec3 color) {
    vec3 mapped = display(color);
    return mirrorPass() ? mapped : linearToSRGB(mapped);
}

#ifdef VERTEX_STAGE
#define VARYING out
#else
#define VARYING in
#endif

#if defined(VERTEX_STAGE) || defined(FRAGMENT_STAGE)
VARYING vec3 vWorld;
VARYING vec3 vNormal;
VARYING vec4 vColor;
VARYING vec4 vParams;
VARYING vec3 vLight;
#endif

#ifdef VERTEX_STAGE
layout(std430, binding = CASTLE_INSTANCES_SLOT) readonly buffer Instances { vec4 instanceData[]; };
layout(std430, binding = CASTLE_LANTERNS_SLOT) readonly buffer Lanterns { vec4 lanternData[]; };
layout(std140, binding = CASTLE_SHELL_COUNT_SLOT) uniform ShellCount { uint shellCount; };

vec4 project(vec3 p) {
    if (mirrorPass()) p.y = -p.y;
    return U.viewProjection * vec4(p, 1.0);
}

// Whether a clip-space point lies well outside the view (`margin` in half-screens), or behind it.
bool offView(vec4 clip, float margin) {
    return clip.w < 0.5 || any(greaterThan(abs(clip.xy), vec2(clip.w * margin)));
}

float flicker(float phase) {
    return 0.86 + 0.08 * sin(loopAngle(7.3) + phase) + 0.06 * sin(loopAngle(12.9) + phase * 2.7);
}

// Lantern light: the lanterns all stand by the path, the dock and the shore.
vec3 lanternLight(vec3 p, vec3 n) {
    vec3 light = vec3(0.0);
    if (p.z < -430.0 || p.z > -235.0) return light;
    int count = int(U.params.w);
    for (int i = 0; i < count; ++i) {
        vec4 l = lanternData[i];
        vec3 d = l.xyz - p;
        float d2 = dot(d, d);
        if (d2 > 900.0) continue;
        float facing = 0.35 + 0.65 * max(dot(n, d * inversesqrt(max(d2, 1e-4))), 0.0);
        light += LAMP_COLOR * (2.4 * facing * flicker(l.w) / (1.0 + d2 * 0.3)) * (1.0 - smoothstep(200.0, 900.0, d2));
    }
    return light;
}

// Light of the three brightest bursts.
vec3 burstLight(vec3 p, vec3 n) {
    vec3 light = vec3(0.0);
    for (int i = 0; i < 3; ++i) {
        vec3 d = U.flashPositions[i].xyz - p;
        float d2 = dot(d, d);
        float facing = 0.3 + 0.7 * max(dot(n, d * inversesqrt(max(d2, 1.0))), 0.0);
        light += U.flashColors[i].rgb * facing * 0.55 / (1.0 + d2 / 5000.0);
    }
    return light;
}
#endif

#ifdef FRAGMENT_STAGE
layout(location = 0) out vec4 fragColor;
layout(binding = CASTLE_REFLECTION_SLOT) uniform sampler2D reflectionMap;

// Moon and sky light on a surface.
vec3 ambientLight(vec3 n) {
    float moon = max(dot(n, U.moonDirection.xyz), 0.0);
    vec3 sky = mix(U.skyLow.rgb, U.skyHigh.rgb, n.y * 0.5 + 0.5) * 4.0;
    return U.moonColor.rgb * moon * 0.9 + sky + U.moonColor.rgb * 0.12;
}

void clipMirror(vec3 p) {
    if (mirrorPass() && p.y < 0.0) discard;
}
#endif

// ---- terrain -------------------------------------------------------------------------------

#ifdef VERTEX_STAGE
// A static mesh vertex, lit by lanterns and bursts; `lift` raises the point the lanterns light.
void staticVertex(float lift) {
    MeshVertex v = vertices[gl_VertexID];
    vWorld = v.position.xyz;
    vNormal = v.normal.xyz;
    vColor = v.color;
    vParams = vec4(v.normal.w, v.position.w, 0.0, 0.0);
    gl_Position = project(vWorld);
    // Light only what can show: far outside the view no triangle of this vertex is seen lit.
    vLight = offView(gl_Position, 1.6) ? vec3(0.0)
                                       : lanternLight(vWorld + vec3(0.0, lift, 0.0), vNormal) + burstLight(vWorld, vNormal);
}

void terrainVertex() { staticVertex(0.3); }
#endif

#ifdef FRAGMENT_STAGE
void terrainFragment() {
    vec3 p = vWorld;
    clipMirror(p);
    vec3 n = normalize(vNormal);
    // Patches of darker and paler ground, larger than any cell, so the grid never shows.
    float patches = valueNoise3(vec3(p.xz * 0.08, 1.3)) * 0.6 + valueNoise3(vec3(p.xz * 0.31, 4.1)) * 0.4;
    vec3 albedo = vColor.rgb * (0.75 + 0.5 * patches);
    // Steep ground shows layered, broken rock.
    float steep = 1.0 - smoothstep(0.6, 0.85, n.y);
    float strata = valueNoise3(vec3(p.x * 0.15, p.y * 1.4, p.z * 0.15));
    albedo *= 1.0 - steep * (0.45 * strata + 0.2 * (1.0 - patches));
    if (steep > 0.01) {
        // Ledges and boulders: the rock's normal follows its own bumps.
        vec3 q = p * 0.45;
        float b0 = valueNoise3(q);
        vec2 slope = vec2(valueNoise3(q + vec3(0.35, 0.0, 0.0)), valueNoise3(q + vec3(0.0, 0.0, 0.35))) - b0;
        n = normalize(n + steep * 2.2 * vec3(-slope.x, 0.0, -slope.y));
    }
    // Wet, darker ground along the water line.
    albedo *= mix(0.55, 1.0, smoothstep(0.0, 0.8, p.y));
    vec3 color = albedo * (ambientLight(n) + vLight);
    fragColor = finish(applyFog(color, p), gl_FragCoord.xy);
}
#endif

// ---- castle, lanterns and dock -------------------------------------------------------------

#ifdef VERTEX_STAGE
void castleVertex() { staticVertex(0.0); }
#endif

#ifdef FRAGMENT_STAGE
// Warm windows in rows on the keep and the towers: arched, some dark, softly flickering.
vec3 windowLight(vec3 p, vec3 n, float u, float part) {
    float v = p.y - 34.0;
    if (v < 9.0 || abs(n.y) > 0.5) return vec3(0.0);
    vec2 cell = vec2(u / 3.4, (v - 9.0) / 5.5);
    vec2 id = floor(cell);
    vec2 f = fract(cell) - vec2(0.5, 0.45);
    uint key = uint(id.x + 512.0) * 1103u + uint(id.y) * 7919u + uint(part) * 104729u;
    float lit = step(0.52, hashF(key));
    vec2 w = fwidth(cell) + 1e-4;
    // A rectangle with a round arch on top.
    float body = (1.0 - smoothstep(0.12 - w.x, 0.12 + w.x, abs(f.x))) *
                 (1.0 - smoothstep(-0.02 - w.y, 0.02 + w.y, abs(f.y + 0.08) - 0.18));
    float arch = 1.0 - smoothstep(-w.x, w.x, length(vec2(f.x, (f.y - 0.1) * 0.62)) - 0.12);
    float shape = max(body, arch * step(0.1, f.y));
    float glow = 0.8 + 0.2 * sin(loopAngle(0.7) + hashF(key + 3u) * 6.28);
    vec3 warm = WINDOW_COLOR * (2.6 + 1.6 * hashF(key + 9u)) * glow;
    vec3 dark = vec3(0.004, 0.005, 0.008);
    return shape * mix(dark, warm, lit) + lit * warm * 0.05 * exp(-dot(f, f) * 6.0);
}

void castleFragment() {
    vec3 p = vWorld;
    clipMirror(p);
    vec3 n = normalize(vNormal);
    int material = int(vColor.a + 0.5);
    vec3 albedo = vColor.rgb;
    vec3 emit = vec3(0.0);
    float stone = valueNoise3(p * vec3(1.3, 2.6, 1.3)) * 0.5 + valueNoise3(p * 4.1) * 0.5;
    if (material <= 1) {
        // Courses of masonry and weathering.
        float course = smoothstep(0.02, 0.08, abs(fract(p.y * 1.6) - 0.5) - 0.38);
        // Pale stone, but kept below the moonlit white so the lit windows carry the castle.
        albedo *= 0.8 * (0.82 + 0.3 * stone) * (1.0 - 0.18 * course) * mix(0.82, 1.0, smoothstep(30.0, 44.0, p.y));
        if (material == 0) emit = windowLight(p, n, vParams.x, vParams.y);
    } else if (material == 2) {
        float tiles = smoothstep(0.3, 0.5, abs(fract(p.y * 2.2) - 0.5));
        albedo *= 0.8 + 0.25 * stone - 0.15 * tiles;
    } else if (material == 7) {
        emit = LAMP_COLOR * 5.0;
    } else if (material == 8) {
        albedo *= 0.8 + 0.35 * valueNoise3(vec3(p.x * 9.0, p.y, p.z * 0.7));
    }
    vec3 color = albedo * (ambientLight(n) + vLight) + emit;
    if (material == 3 || material == 2) {
        // A glint of moonlight on the gilded finials and the glazed roofs.
        vec3 eyeP = vec3(U.eye.x, abs(U.eye.y), U.eye.z);
        vec3 h = normalize(U.moonDirection.xyz + normalize(eyeP - p));
        float shine = material == 3 ? 1.5 : 0.25;
        color += U.moonColor.rgb * shine * pow(max(dot(n, h), 0.0), material == 3 ? 40.0 : 16.0);
    }
    fragColor = finish(applyFog(color, p), gl_FragCoord.xy);
}
#endif

// ---- trees ---------------------------------------------------------------------------------

#ifdef VERTEX_STAGE
void treeVertex() {
    MeshVertex v = vertices[gl_VertexID];
    vec4 base = instanceData[gl_InstanceID * 2];
    vec4 params = instanceData[gl_InstanceID * 2 + 1];
    float height = base.w, width = params.x;
    bool round = params.y > 0.5;
    vec3 local = v.position.xyz;
    vec3 scale;
    vec3 offset = vec3(0.0);
    float along;
    if (round) {
        // A crown from a third of the way up to the top.
        scale = vec3(width * 1.05, height * 0.62, width * 1.05);
        offset.y = height * 0.6;
        along = clamp(local.y / 1.2 + 0.5, 0.0, 1.0);
    } else {
        scale = vec3(width * 2.0, height, width * 2.0);
        along = local.y;
    }
    vec3 eyeP = vec3(U.eye.x, abs(U.eye.y), U.eye.z);
    // Trees out of view cost no more than a test; far trees are specks in the ripples, so the
    // mirror leaves them to the dark hills behind.
    vec4 centre = project(base.xyz + vec3(0.0, height * 0.5, 0.0));
    if (offView(centre, 1.05 + 1.6 * height / max(centre.w, 1.0)) ||
        (mirrorPass() && distance(eyeP.xz, base.xz) > 600.0)) {
        gl_Position = vec4(2.0, 2.0, 2.0, 1.0);
        return;
    }
    vec3 p = base.xyz + offset + local * scale;
    // A slow sway, more at the top.
    float sway = sin(loopAngle(0.45) + params.w) + 0.4 * sin(loopAngle(1.1) + params.w * 1.7);
    p.x += sway * 0.012 * height * along * along;
    vec3 n = normalize(v.normal.xyz / scale);
    vWorld = p;
    vNormal = n;
    float tint = params.z;
    vec3 leaf = round ? mix(vec3(0.07, 0.1, 0.045), vec3(0.12, 0.1, 0.05), tint)
                      : mix(vec3(0.035, 0.07, 0.05), vec3(0.06, 0.085, 0.05), tint);
    vec3 albedo = v.color.a > 0.5 ? vec3(0.09, 0.06, 0.04) : leaf * (0.6 + 0.4 * v.color.r) * (0.7 + 0.45 * along);
    vColor = vec4(albedo, 0.0);
    vLight = lanternLight(p, n) + burstLight(p, n);
    gl_Position = project(p);
}
#endif

#ifdef FRAGMENT_STAGE
void treeFragment() {
    vec3 p = vWorld;
    clipMirror(p);
    vec3 n = normalize(vNormal);
    vec3 color = vColor.rgb * (ambientLight(n) + vLight);
    fragColor = finish(applyFog(color, p), gl_FragCoord.xy);
}
#endif

// ---- sky -----------------------------------------------------------------------------------

#ifdef VERTEX_STAGE
void skyVertex() {
    vec2 corner = coverTarget(1.0);
    vParams = vec4(corner * 2.0 - 1.0, corner);
}
#endif

#ifdef FRAGMENT_STAGE
// One layer of stars: a jittered point per cell of a grid laid round the sky.
float starLayer(vec3 dir, float scale, float density, float pixelAngle, uint salt) {
    vec3 q = dir * scale;
    vec3 cell = floor(q);
    uvec3 c = uvec3(ivec3(cell) + 4096);
    uint key = hashU(c.x * 73856093u ^ c.y * 19349663u ^ c.z * 83492791u ^ salt);
    if (hashF(key) > density) return 0.0;
    vec3 star = cell + 0.25 + 0.5 * vec3(hashF(key + 1u), hashF(key + 2u), hashF(key + 3u));
    float angle = length(normalize(star) - dir);
    float size = max(pixelAngle * 0.75, 0.0002);
    float brightness = pow(hashF(key + 4u), 6.0) * 1.6 + 0.04;
    float twinkle = 0.75 + 0.25 * sin(loopAngle(1.7 + hashF(key + 5u) * 2.0) + hashF(key + 6u) * 6.28);
    return brightness * twinkle * exp(-angle * angle / (size * size));
}

vec3 moonDisc(vec3 dir, float pixelAngle) {
    vec3 m = U.moonDirection.xyz;
    vec3 mx = normalize(cross(vec3(0.0, 1.0, 0.0), m));
    vec3 my = cross(m, mx);
    const float radius = 0.0105;
    vec2 q = vec2(dot(dir, mx), dot(dir, my)) / radius;
    float r = length(q);
    float edge = 1.0 - smoothstep(1.0 - pixelAngle / radius, 1.0 + pixelAngle / radius, r);
    if (edge <= 0.0 || dot(dir, m) < 0.0) return vec3(0.0);
    vec3 sphere = vec3(q, sqrt(max(1.0 - r * r, 0.0)));
    // The sun's side of the moon: phase 0 new (lit from behind), 0.5 full.
    float a = U.moonDirection.w * 6.2831853;
    vec3 sun = vec3(sin(a), 0.15, -cos(a));
    float lit = smoothstep(-0.08, 0.08, dot(sphere, normalize(sun)));
    float maria = valueNoise3(vec3(q * 2.3, 3.0)) * 0.6 + valueNoise3(vec3(q * 5.1, 7.0)) * 0.4;
    vec3 surface = vec3(1.0, 0.97, 0.9) * (0.75 + 0.35 * maria);
    return surface * edge * (lit * 1.6 + 0.025);
}

void skyFragment() {
    vec2 ndc = vParams.xy;
    vec3 dir = normalize(U.cameraForward.xyz + U.cameraRight.xyz * ndc.x * U.cameraRight.w +
                         U.cameraUp.xyz * ndc.y * U.cameraUp.w);
    if (mirrorPass()) dir.y = -dir.y;
    float pixelAngle = 2.0 * U.cameraUp.w * U.viewport.w;
    vec3 color = skyColor(dir);
    float above = smoothstep(0.0, 0.22, dir.y);
    if (above > 0.0) {
        // The Milky Way: a faint, mottled band across the sky.
        vec3 bandNormal = normalize(cross(U.horizontalAxis.xyz, vec3(0.35, 0.9, 0.25)));
        float band = exp(-pow(dot(dir, bandNormal), 2.0) / 0.018);
        float mottled = valueNoise3(dir * 7.0) * 0.6 + valueNoise3(dir * 19.0) * 0.4;
        color += vec3(0.55, 0.6, 0.8) * 0.0045 * band * smoothstep(0.25, 0.8, mottled) * U.skyHigh.w * above;
        float stars = starLayer(dir, 260.0, 0.35, pixelAngle, 11u) * 0.05 +
                      starLayer(dir, 90.0, 0.3, pixelAngle, 29u) * 0.16 + band * starLayer(dir, 420.0, 0.5, pixelAngle, 47u) * 0.03;
        vec3 tint = mix(vec3(0.75, 0.82, 1.0), vec3(1.0, 0.9, 0.78), hashF(uint(dot(floor(dir * 90.0), vec3(1.0, 57.0, 113.0)) + 9000.0)));
        float moonDim = 1.0 - 0.7 * smoothstep(0.9, 0.998, dot(dir, U.moonDirection.xyz));
        color += tint * stars * U.skyHigh.w * above * moonDim;
        color += moonDisc(dir, pixelAngle);
    }
    vec3 eyeP = vec3(U.eye.x, abs(U.eye.y), U.eye.z);
    color += flashHaze(eyeP, dir);
    fragColor = finish(color, gl_FragCoord.xy);
}
#endif

// ---- lake ----------------------------------------------------------------------------------

#ifdef VERTEX_STAGE
void waterVertex() {
    vec2 corner = vec2(float(gl_VertexID & 1), float(gl_VertexID >> 1));
    vec3 p = vec3(mix(-2600.0, 2600.0, corner.x), 0.0, mix(-5200.0, 170.0, corner.y));
    vWorld = p;
    gl_Position = U.viewProjection * vec4(p, 1.0);
}
#endif

#ifdef FRAGMENT_STAGE
// Slow, small ripples: a few travelling waves whose slopes fade where they would alias.
vec2 rippleSlope(vec2 xz, float footprint) {
    vec2 slope = vec2(0.0);
    const vec2 dirs[4] = vec2[4](vec2(0.8, 0.6), vec2(-0.5, 0.87), vec2(0.97, -0.26), vec2(-0.2, -0.98));
    const float lengths[4] = float[4](9.0, 5.3, 3.1, 1.7);
    for (int i = 0; i < 4; ++i) {
        float k = 6.2831853 / lengths[i];
        float fade = 1.0 - smoothstep(0.25, 1.0, footprint * k * 0.25);
        float phase = dot(dirs[i], xz) * k + loopAngle(sqrt(9.8 * k) * 0.35);
        slope += dirs[i] * cos(phase) * (0.018 * lengths[i] / 9.0 + 0.012) * fade;
    }
    float n = valueNoise3(vec3(xz * 0.21, loopAngle(0.05))) - 0.5;
    return slope + vec2(n, -n) * 0.02;
}

void waterFragment() {
    vec3 p = vWorld;
    vec3 toEye = U.eye.xyz - p;
    float dist = length(toEye);
    vec3 v = toEye / dist;
    float footprint = dist * 2.0 * U.cameraUp.w * U.viewport.w;
    vec2 slope = rippleSlope(p.xz, footprint);
    vec3 n = normalize(vec3(-slope.x, 1.0, -slope.y));
    float cosTheta = max(dot(v, n), 0.0);
    float fresnel = 0.02 + 0.98 * pow(1.0 - cosTheta, 5.0);
    // The mirror, nudged by the ripples less with distance (its pixels cover more water there).
    vec2 uv = gl_FragCoord.xy * U.viewport.zw;
    uv += slope * vec2(0.9, 1.6) * U.viewport.zw * U.viewport.y * 0.06 / (1.0 + dist * 0.004);
    vec3 mirrored = texture(reflectionMap, clamp(uv, U.viewport.zw, 1.0 - U.viewport.zw)).rgb;
    // Dark water with a little light from below near the shore.
    vec3 body = display(U.skyLow.rgb * 0.25 + U.moonColor.rgb * 0.01);
    vec3 color = mix(body, mirrored, clamp(fresnel * 0.9 + 0.08, 0.0, 1.0));
    // Glitter of the moon on the ripples.
    vec3 r = reflect(-v, n);
    // Broken into glints, so the moon's path never reads as stripes.
    float sparkle = smoothstep(0.55, 0.9, valueNoise3(vec3(p.xz * vec2(0.9, 2.2), loopAngle(0.6))));
    float glitter = pow(max(dot(r, U.moonDirection.xyz), 0.0), 300.0) * 1.2 * sparkle / (1.0 + footprint * 4.0);
    color += display(U.moonColor.rgb * glitter);
    // Mist over the water, in the picture's own tone.
    vec3 dir = -v;
    // Banks of mist drifting slowly over the water.
    float drift = loopAngle(0.0017);
    float banks = valueNoise3(vec3(p.xz * 0.012 + 4.0 * vec2(cos(drift), sin(drift)), 2.0));
    float mist = U.skyLow.w * 0.55 * (1.0 - exp(-dist * 0.0016)) * (0.55 + 0.9 * banks);
    vec3 haze = display((skyColor(vec3(dir.x, 0.02, dir.z)) * 1.15 + flashHaze(U.eye.xyz, dir)));
    color = mix(color, haze, mist);
    fragColor = vec4(encodeOutput(color, gl_FragCoord.xy), 1.0);
}
#endif

// ---- lantern glow --------------------------------------------------------------------------

#ifdef VERTEX_STAGE
vec2 stripCorner(int id) { return vec2(float(id & 1), float(id >> 1)) * 2.0 - 1.0; }

// A camera-facing quad of half-size `size` round `centre`, pulled towards the eye.
vec4 billboard(vec3 centre, float size, vec2 corner, float pull) {
    vec3 eyeP = vec3(U.eye.x, abs(U.eye.y), U.eye.z);
    vec3 toEye = normalize(eyeP - centre);
    vec3 right = normalize(cross(vec3(0.0, 1.0, 0.0), toEye));
    vec3 up = cross(toEye, right);
    return project(centre + toEye * pull + (right * corner.x + up * corner.y) * size);
}

void lanternGlowVertex() {
    vec4 l = lanternData[gl_InstanceID];
    vec2 corner = stripCorner(gl_VertexID);
    vec3 eyeP = vec3(U.eye.x, abs(U.eye.y), U.eye.z);
    // Never smaller than a few pixels, so far lanterns do not shimmer.
    float pixel = distance(eyeP, l.xyz) * 2.0 * U.cameraUp.w * U.viewport.w;
    float size = max(2.2, pixel * 6.0);
    vParams = vec4(corner, flicker(l.w), size / 2.2);
    gl_Position = billboard(l.xyz, size, corner, 0.6);
}
#endif

#ifdef FRAGMENT_STAGE
void lanternGlowFragment() {
    float r = length(vParams.xy);
    float s = vParams.w;
    float core = exp(-r * r * 90.0 * s * s) * 1.4;
    float halo = exp(-r * 4.5) * 0.16 + exp(-r * 14.0 * s) * 0.2;
    vec3 c = LAMP_COLOR * (core + halo) * vParams.z * (1.0 - smoothstep(0.85, 1.0, r));
    fragColor = vec4(finishGlow(c), 1.0);
}
#endif

// ---- fireworks -----------------------------------------------------------------------------
//
// Shell records: six vec4s (burst + age, origin + rise, colour A + kind, colour B + seed bits,
// speed/drag/life/trail, star count/first star).

#ifdef VERTEX_STAGE
struct ShellRecord {
    vec4 burst;
    vec4 origin;
    vec4 colorA;
    vec4 colorB;
    vec4 motion;
    vec4 info;
};

ShellRecord shellAt(int i) {
    ShellRecord s;
    s.burst = instanceData[i * 6];
    s.origin = instanceData[i * 6 + 1];
    s.colorA = instanceData[i * 6 + 2];
    s.colorB = instanceData[i * 6 + 3];
    s.motion = instanceData[i * 6 + 4];
    s.info = instanceData[i * 6 + 5];
    return s;
}

const int KIND_PEONY = 0;
const int KIND_CHRYSANTHEMUM = 1;
const int KIND_WILLOW = 2;
const int KIND_RING = 3;
const int KIND_PALM = 4;
const int KIND_CRACKLE = 5;
const vec3 GOLD = vec3(1.0, 0.6, 0.24);

vec4 hidden() { return vec4(2.0, 2.0, 2.0, 1.0); }

// Ribbon of 13 points (26 strip vertices) through clip-space points `a` (this sample) and `b`
// (the next one along), `halfWidth` metres or at least `minPixels` wide.
vec4 ribbonVertex(vec4 a, vec4 b, float halfWidth, float minPixels, float side) {
    vec2 pa = a.xy / a.w, pb = b.xy / b.w;
    vec2 along = (pa - pb) * U.viewport.xy;
    along = dot(along, along) > 1e-6 ? normalize(along) : vec2(0.0, 1.0);
    vec2 across = vec2(-along.y, along.x);
    float metresPerPixel = a.w * 2.0 * U.cameraUp.w * U.viewport.w;
    float pixels = max(halfWidth / metresPerPixel, minPixels) * U.params.z;
    a.xy += across * side * pixels * 2.0 * U.viewport.zw * a.w;
    return a;
}

// Where a star is `t` seconds after the burst.
vec3 starPosition(vec3 burst, vec3 velocity, float drag, float gravity, float t) {
    vec3 g = vec3(0.0, -9.8 * gravity, 0.0);
    float e = (1.0 - exp(-drag * t)) / drag;
    return burst + (velocity - g / drag) * e + g / drag * t;
}

void starVertex() {
    int star = gl_InstanceID;
    int s = 0;
    for (int i = 0; i < int(shellCount); ++i) {
        vec4 info = instanceData[i * 6 + 5];
        if (float(star) >= info.y && float(star) < info.y + info.x) {
            s = i;
            break;
        }
    }
    ShellRecord shell = shellAt(s);
    float age = shell.burst.w;
    float life = shell.motion.z, trail = shell.motion.w;
    if (age <= 0.0 || age > life + trail) {
        gl_Position = hidden();
        return;
    }
    int kind = int(shell.colorA.w + 0.5);
    uint seed = floatBitsToUint(shell.colorB.w);
    uint key = hashU(seed ^ uint(star - int(shell.info.y)) * 2654435761u);
    float h1 = hashF(key), h2 = hashF(key + 1u), h3 = hashF(key + 2u), h4 = hashF(key + 3u);

    float z = 2.0 * h1 - 1.0;
    float phi = 6.2831853 * h2;
    vec3 dir = vec3(sqrt(1.0 - z * z) * cos(phi), z, sqrt(1.0 - z * z) * sin(phi));
    float speed = shell.motion.x * (0.9 + 0.1 * h3);
    float gravity = 0.5;
    vec3 color = h4 < 0.5 ? shell.colorA.rgb : shell.colorB.rgb;
    float width = U.params.y;
    if (kind == KIND_RING) {
        // A ring seen nearly face-on, tilted per shell.
        vec3 axis = normalize(vec3(hashF(seed) - 0.5, 0.6 * (hashF(seed + 7u) - 0.5), 1.0));
        vec3 a = normalize(cross(axis, vec3(0.0, 1.0, 0.0)));
        vec3 b = cross(axis, a);
        dir = cos(phi) * a + sin(phi) * b;
        speed = shell.motion.x;
        color = shell.colorA.rgb;
    } else if (kind == KIND_WILLOW) {
        gravity = 0.9;
        speed *= 0.85 + 0.15 * h3;
        color = mix(GOLD, color, 0.15);
    } else if (kind == KIND_PALM) {
        dir = normalize(dir + vec3(0.0, 0.7, 0.0));
        gravity = 0.8;
        width *= 2.2;
    } else if (kind == KIND_CRACKLE) {
        color = mix(vec3(1.0, 0.9, 0.7), color, 0.35);
    }
    vec3 velocity = dir * speed;

    int i = gl_VertexID >> 1;
    float side = float(gl_VertexID & 1) * 2.0 - 1.0;
    float f = float(i) / 12.0;
    float t = max(age - trail * f, 0.0);
    float tNext = max(age - trail * (f + 1.0 / 12.0), 0.0);
    vec3 p = starPosition(shell.burst.xyz, velocity, shell.motion.y, gravity, t);
    vec3 q = starPosition(shell.burst.xyz, velocity, shell.motion.y, gravity, tNext);
    // Bright heads, tails fading; each point of the trail dims as the star did when it was there.
    float starFade = 1.0 - smoothstep(0.5 * life, life, t);
    float head = pow(1.0 - f, kind == KIND_WILLOW ? 1.0 : 1.8);
    float linger = exp(-max(age - t, 0.0) / max(trail * 0.6, 0.05));
    float brightness = starFade * head * linger * (kind == KIND_WILLOW ? 0.9 : 1.6);
    brightness *= 1.0 + 3.0 * exp(-age / 0.12);
    if (kind == KIND_CHRYSANTHEMUM) color = mix(color, GOLD, f * 0.7);
    if (kind == KIND_CRACKLE && t > 0.55 * life) {
        // Late crackle: sparks flashing on and off.
        float flick = step(0.55, hashF(key + uint(t * 24.0) * 31u));
        brightness *= 0.3 + 2.2 * flick;
    }
    if (age - t > trail * 0.999 && i > 0) brightness = 0.0;
    vColor = vec4(color * brightness, 0.0);
    vParams = vec4(side, f, 0.0, 0.0);
    gl_Position = ribbonVertex(project(p), project(q), width * (1.0 - 0.55 * f), 0.9 * (1.0 - 0.5 * f), side);
}

void riseVertex() {
    ShellRecord shell = shellAt(gl_InstanceID);
    float rise = shell.origin.w;
    float sinceLaunch = shell.burst.w + rise;
    if (sinceLaunch < 0.0 || shell.burst.w > 0.35) {
        gl_Position = hidden();
        return;
    }
    int i = gl_VertexID >> 1;
    float side = float(gl_VertexID & 1) * 2.0 - 1.0;
    float f = float(i) / 12.0;
    const float trail = 0.55;
    float t = clamp(sinceLaunch - trail * f, 0.0, rise);
    float tNext = clamp(sinceLaunch - trail * (f + 1.0 / 12.0), 0.0, rise);
    uint seed = floatBitsToUint(shell.colorB.w);
    float wobble = hashF(seed + 5u) * 6.28;
    // Fast off the ground, slowing towards the burst.
    vec3 a = shell.origin.xyz, b = shell.burst.xyz;
    float x = t / rise, y = tNext / rise;
    vec3 p = mix(a, b, 1.0 - (1.0 - x) * (1.0 - x)) + vec3(sin(x * 9.0 + wobble), 0.0, 0.0) * 0.6;
    vec3 q = mix(a, b, 1.0 - (1.0 - y) * (1.0 - y)) + vec3(sin(y * 9.0 + wobble), 0.0, 0.0) * 0.6;
    float fadeOut = shell.burst.w > 0.0 ? 1.0 - shell.burst.w / 0.35 : 1.0;
    float brightness = pow(1.0 - f, 2.0) * 0.9 * fadeOut * (i == 0 ? 1.6 : 1.0);
    vColor = vec4(GOLD * brightness, 0.0);
    vParams = vec4(side, f, 0.0, 0.0);
    gl_Position = ribbonVertex(project(p), project(q), 0.22, 0.8, side);
}

void flashVertex() {
    ShellRecord shell = shellAt(gl_InstanceID);
    float age = shell.burst.w, life = shell.motion.z;
    if (age < 0.0 || age >= life) {
        gl_Position = hidden();
        return;
    }
    float fade = smoothstep(0.0, 1.0, age / life);
    float strength = (2.2 * exp(-age / 0.22) + 0.35 * (1.0 - fade)) * shell.info.x / 140.0;
    vec3 color = (0.5 * shell.colorA.rgb + 0.5 * shell.colorB.rgb + 0.15) * strength;
    vec2 corner = stripCorner(gl_VertexID);
    vColor = vec4(color, 0.0);
    vParams = vec4(corner, 0.0, 0.0);
    gl_Position = billboard(shell.burst.xyz, 70.0, corner, 0.0);
}

void smokeVertex() {
    ShellRecord shell = shellAt(gl_InstanceID);
    float age = shell.burst.w;
    float end = shell.motion.z + shell.motion.w + 0.2;
    if (age < 0.0 || age >= end) {
        gl_Position = hidden();
        return;
    }
    vec2 corner = stripCorner(gl_VertexID);
    float grow = 1.0 - exp(-age / 0.8);
    float size = 14.0 + 26.0 * grow;
    // Thin haze that drifts with the breeze, lit by its own burst at first.
    float alpha = 0.22 * smoothstep(0.0, 0.4, age) * (1.0 - smoothstep(0.5 * end, end, age));
    vec3 lit = (shell.colorA.rgb + shell.colorB.rgb) * 0.5 * (0.05 + 0.5 * exp(-age / 0.5));
    vColor = vec4(vec3(0.012, 0.013, 0.018) + lit, alpha);
    vParams = vec4(corner, hashF(floatBitsToUint(shell.colorB.w)) * 40.0, 0.0);
    gl_Position = billboard(shell.burst.xyz + vec3(age * 1.2, -age * 0.4, 0.0), size, corner, 0.0);
}
#endif

#ifdef FRAGMENT_STAGE
void fireFragment() {
    float across = vParams.x;
    float profile = exp(-across * across * 3.0) - 0.0498;
    fragColor = vec4(finishGlow(vColor.rgb * max(profile, 0.0)), 1.0);
}

void flashFragment() {
    float r2 = dot(vParams.xy, vParams.xy);
    float glow = (exp(-r2 * 9.0) * 0.05 + exp(-r2 * 60.0) * 0.12) * (1.0 - smoothstep(0.7, 1.0, r2));
    fragColor = vec4(finishGlow(vColor.rgb * glow), 1.0);
}

void smokeFragment() {
    vec2 q = vParams.xy;
    float r2 = dot(q, q);
    float puff = valueNoise3(vec3(q * 2.2, vParams.z)) * 0.65 + valueNoise3(vec3(q * 5.0, vParams.z + 3.0)) * 0.35;
    float alpha = vColor.a * smoothstep(1.0, 0.2, r2) * smoothstep(0.3, 0.7, puff);
    fragColor = vec4(finishGlow(vColor.rgb) * alpha, alpha);
}
#endif
