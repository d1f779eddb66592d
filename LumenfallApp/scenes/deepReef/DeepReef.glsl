// Deep Reef: a coral reef seen through water, lit by the sun (or moon) through the surface.
//
// Compute: "causticMapKernel" draws a tiling caustic net (512^2) and "shaftMapKernel" a softer
// tiling light pattern (256^2) that "downsampleKernel" reduces into its mip chain. Both lie in the
// plane of the water surface; a point is lit by projecting it up along the light to that plane.
// Render: fish, reef, strands and sand are lit, fogged and given the light shafts in their own
// fragment shaders (4x multisampled pass); "dofFragment" blurs the resolved image by depth.
//
// Record fields (ReefUniforms): lightDirection.w = height of the water surface (m), horizon.w =
// fog density scale, extra.x = 2 pi / 1800: every periodic motion turns a whole number of times
// per 1800 s, so the wrap of the scene time shows no jump.

layout(std140, binding = REEF_UNIFORMS_SLOT) uniform ReefUniforms {
    mat4 viewProjection;
    vec4 eyeTime;
    vec4 lightDirection;
    vec4 sunColor;
    vec4 ambientTop;
    vec4 ambientBottom;
    vec4 deepColor;
    vec4 horizonColor;
    vec4 surfaceColor;
    vec4 targetSize;
    vec4 cameraRight;
    vec4 cameraUp;
    vec4 cameraForward;
    vec4 extra;
} R;

// An angle that turns at about `radiansPerSecond` and exactly a whole number of turns per loop.
float loopAngle(float radiansPerSecond) {
    float turns = max(floor(radiansPerSecond / R.extra.x + 0.5), 1.0);
    return R.eyeTime.w * R.extra.x * turns;
}

float surfaceHeight() { return R.lightDirection.w; }

// Where the light that reaches `p` crossed the surface, in metres of the surface plane.
vec2 surfacePoint(vec3 p) {
    vec3 toLight = -R.lightDirection.xyz;
    return p.xz + toLight.xz * ((surfaceHeight() - p.y) / max(toLight.y, 0.2));
}

// Worley distances (nearest, second nearest) on a grid of `cells` cells that wraps, with feature
// points circling their cell centres.
vec2 tiledWorley(vec2 p, float cells, float angle) {
    vec2 cell = floor(p);
    vec2 f = fract(p);
    float d1 = 8.0, d2 = 8.0;
    for (int y = -1; y <= 1; ++y) {
        for (int x = -1; x <= 1; ++x) {
            vec2 o = vec2(x, y);
            vec2 id = mod(cell + o, cells);
            vec3 h = hash33(vec3(id, 7.0));
            float a = angle * (h.z > 0.5 ? 1.0 : -1.0) + h.z * 6.2831;
            vec2 point = o + 0.5 + 0.36 * vec2(cos(a + h.x * 6.2831), sin(a + h.y * 6.2831));
            float d = length(point - f);
            if (d < d1) {
                d2 = d1;
                d1 = d;
            } else if (d < d2) {
                d2 = d;
            }
        }
    }
    return vec2(d1, d2);
}

// ---- light maps ----------------------------------------------------------------------------

#ifdef COMPUTE_STAGE
layout(local_size_x = 8, local_size_y = 8, local_size_z = 1) in;
layout(binding = REEF_IMAGE0_SLOT, r16f) uniform image2D mapImage0;
layout(binding = REEF_IMAGE1_SLOT, r16f) uniform image2D mapImage1;

// Bright lines where the light focuses: the edges between Worley cells, two scales multiplied.
void causticMapKernel() {
    ivec2 texel = ivec2(gl_GlobalInvocationID.xy);
    if (any(greaterThanEqual(texel, ivec2(512)))) return;
    vec2 uv = (vec2(texel) + 0.5) / 512.0;
    float a = loopAngle(0.55);
    float b = loopAngle(0.38);
    // Waves of whole periods bend the cell edges into curves and keep the tile seamless.
    const float TAU = 6.2831853;
    vec2 warp = 0.07 * vec2(sin(TAU * (2.0 * uv.y + uv.x) + a), sin(TAU * (3.0 * uv.x - uv.y) - b)) +
                0.035 * vec2(sin(TAU * (5.0 * uv.y - 2.0 * uv.x) + 2.0 * b), cos(TAU * (4.0 * uv.x + 3.0 * uv.y) - a));
    vec2 w1 = tiledWorley((uv + warp) * 6.0, 6.0, a);
    vec2 w2 = tiledWorley((uv - warp.yx * 1.3) * 9.0 + 3.1, 9.0, -b);
    float e1 = w1.y - w1.x;
    float e2 = w2.y - w2.x;
    // Lines thicken and thin along their length, as focused light does.
    float thickness = 0.75 + 0.5 * sin(TAU * (uv.x * 4.0 + uv.y * 7.0) + a * 2.0);
    float line1 = exp(-e1 * 10.0 / thickness);
    float line2 = exp(-e2 * 8.0 * thickness);
    float c = 0.5 + 1.3 * line1 * (0.45 + 0.9 * line2) + 0.4 * line2 * line2;
    imageStore(mapImage0, texel, vec4(c, 0.0, 0.0, 1.0));
}

// Broad patches of light: blurred, slowly shifting blobs; the mip chain softens them further.
void shaftMapKernel() {
    ivec2 texel = ivec2(gl_GlobalInvocationID.xy);
    if (any(greaterThanEqual(texel, ivec2(256)))) return;
    vec2 uv = (vec2(texel) + 0.5) / 256.0;
    float a = loopAngle(0.12);
    vec2 w1 = tiledWorley(uv * 5.0, 5.0, a);
    vec2 w2 = tiledWorley(uv * 11.0 + 1.7, 11.0, -a * 1.5);
    float s = smoothstep(0.55, 0.05, w1.x) * 0.8 + smoothstep(0.5, 0.1, w2.x) * 0.45;
    s += 0.5 * exp(-(w1.y - w1.x) * 6.0);
    imageStore(mapImage0, texel, vec4(s * s, 0.0, 0.0, 1.0));
}

void downsampleKernel() {
    ivec2 texel = ivec2(gl_GlobalInvocationID.xy);
    ivec2 size = imageSize(mapImage1);
    if (any(greaterThanEqual(texel, size))) return;
    ivec2 source = imageSize(mapImage0) - 1;
    ivec2 p = texel * 2;
    float s = imageLoad(mapImage0, min(p, source)).r + imageLoad(mapImage0, min(p + ivec2(1, 0), source)).r +
              imageLoad(mapImage0, min(p + ivec2(0, 1), source)).r + imageLoad(mapImage0, min(p + ivec2(1, 1), source)).r;
    imageStore(mapImage1, texel, vec4(s * 0.25, 0.0, 0.0, 1.0));
}
#endif

// ---- shared lighting -----------------------------------------------------------------------

#if defined(VERTEX_STAGE) || defined(FRAGMENT_STAGE)
layout(binding = REEF_MAP0_SLOT) uniform sampler2D map0;  // caustics (reef pass) or colour (composite)
layout(binding = REEF_MAP1_SLOT) uniform sampler2D map1;  // shafts (reef pass) or depth (composite)

const float CAUSTIC_SCALE = 0.16;  // surface metres to caustic tiles
const float SHAFT_SCALE = 0.045;

float nightness() { return R.ambientBottom.w; }

// Full moonlit vision only well after dusk, so dawn and dusk keep their colours.
float deepNight() { return smoothstep(0.5, 0.95, nightness()); }

// The water seen along a direction: dark below, bright towards the surface and the sun.
vec3 waterColor(vec3 dir) {
    float y = dir.y;
    vec3 c = mix(R.deepColor.rgb, R.horizonColor.rgb, smoothstep(-0.55, 0.05, y));
    c = mix(c, R.surfaceColor.rgb * 0.85, smoothstep(0.02, 0.75, y));
    float toSun = max(dot(dir, -R.lightDirection.xyz), 0.0);
    c += R.sunColor.rgb * (0.05 * pow(toSun, 6.0) + 0.12 * pow(toSun, 40.0)) * smoothstep(-0.2, 0.4, y);
    return c;
}
#endif

#ifdef FRAGMENT_STAGE
layout(location = 0) out vec4 fragColor;

// Red goes first with depth and distance, blue last.
const vec3 ABSORB = vec3(0.19, 0.065, 0.045);

float caustic(vec3 p) {
    vec2 s = surfacePoint(p) * CAUSTIC_SCALE;
    float c = texture(map0, s).r;
    // A second, larger and slower sample breaks the repetition.
    c *= 0.55 + 0.45 * texture(map0, s * 0.37 + vec2(0.31, 0.77)).r;
    return c;
}

// Sunlight reaching `p` through the water above it.
vec3 sunAt(vec3 p) {
    float path = max(surfaceHeight() - p.y, 0.0) / max(-R.lightDirection.y, 0.2);
    return R.sunColor.rgb * exp(-ABSORB * path * 0.22);
}

// Light scattered towards the eye along the view ray, with the shafts cast by the surface.
vec3 inScatter(vec3 eye, vec3 p, vec2 pixel) {
    vec3 ray = p - eye;
    float dist = length(ray);
    vec3 dir = ray / max(dist, 1e-4);
    float span = min(dist, 48.0);
    const int STEPS = 12;
    float stepLength = span / float(STEPS);
    float jitter = interleavedGradient(pixel);
    float sum = 0.0;
    for (int i = 0; i < STEPS; ++i) {
        float t = (float(i) + jitter) * stepLength;
        vec3 q = eye + dir * t;
        float lod = 1.4 + t * 0.05;
        float s = textureLod(map1, surfacePoint(q) * SHAFT_SCALE, lod).r;
        s = s * s * 1.8;
        float below = max(surfaceHeight() - q.y, 0.0);
        sum += s * exp(-below * 0.06 - t * 0.03);
    }
    float toSun = max(dot(dir, -R.lightDirection.xyz), 0.0);
    float phase = 0.35 + 1.6 * pow(toSun, 5.0);
    // By night the scattered moonlight leans blue, so the haze over near fish does not grey them.
    vec3 tint = mix(vec3(0.75, 0.95, 1.0), vec3(0.45, 0.75, 1.15), deepNight());
    return R.sunColor.rgb * tint * (sum * stepLength * R.ambientTop.w * phase * 0.02);
}

// Fog towards the water colour with the distance, red absorbed first.
vec3 applyWater(vec3 color, vec3 p, vec2 pixel) {
    vec3 eye = R.eyeTime.xyz;
    vec3 ray = p - eye;
    float dist = length(ray);
    vec3 dir = ray / max(dist, 1e-4);
    float density = 0.026 * R.horizonColor.w;
    vec3 transmit = exp(-dist * density * (vec3(1.0) + ABSORB * 3.0));
    vec3 fog = waterColor(dir);
    return color * transmit + fog * (vec3(1.0) - transmit) + inScatter(eye, p, pixel);
}

vec3 finish(vec3 color, vec2 pixel) {
    return encodeOutput(toneMap(color * R.deepColor.w), pixel);
}

// Colour as the eye sees it by moonlight: rods weigh blue-green, so yellows and reds sink to a
// dark blue-grey while blues hold up, and patterns survive as lightness alone.
vec3 moonVision(vec3 color, float amount) {
    float rods = dot(color, vec3(0.04, 0.56, 0.40));
    return mix(color, rods * vec3(0.5, 0.78, 1.4), amount);
}

// Diffuse lighting with ambient from above and below and the caustics on top.
vec3 lit(vec3 albedo, vec3 n, vec3 p, float occlusion, float causticAmount) {
    vec3 l = -R.lightDirection.xyz;
    float ndl = max(dot(n, l), 0.0);
    // Moonlight still focuses through the waves: keep a faint net on the floor at night.
    float causticStrength = max(R.sunColor.w, 0.26 * nightness());
    float c = mix(1.0, caustic(p), causticStrength * causticAmount);
    vec3 direct = sunAt(p) * ndl * c * mix(0.55, 1.0, occlusion);
    vec3 ambient = mix(R.ambientBottom.rgb, R.ambientTop.rgb, n.y * 0.5 + 0.5) * occlusion;
    vec3 color = albedo * (direct * 1.15 + ambient * 0.85);
    // By moonlight colours fade towards a cool grey, as the eye sees them in the dark.
    float night = nightness();
    return moonVision(color, night * (0.55 + 0.2 * night));
}
#endif

// ---- varyings --------------------------------------------------------------------------------

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
flat VARYING vec4 vFlat;
flat VARYING vec4 vFlat2;
#endif

#ifdef VERTEX_STAGE
layout(std430, binding = REEF_INSTANCES_SLOT) readonly buffer Instances { vec4 instanceData[]; };
layout(std430, binding = REEF_SPECIES_SLOT) readonly buffer SpeciesLooks { vec4 speciesData[]; };
#endif

// ---- sand ----------------------------------------------------------------------------------

#ifdef VERTEX_STAGE
void sandVertex() {
    MeshVertex v = vertices[gl_VertexID];
    vWorld = v.position.xyz;
    vNormal = v.normal.xyz;
    vColor = v.color;
    gl_Position = R.viewProjection * vec4(vWorld, 1.0);
}
#endif

#ifdef FRAGMENT_STAGE
void sandFragment() {
    vec2 pixel = gl_FragCoord.xy;
    vec3 p = vWorld;
    // Fine grain and small ripples keep the close sand from looking painted.
    float grain = valueNoise3(vec3(p.xz * 9.0, 1.0)) * 0.5 + valueNoise3(vec3(p.xz * 31.0, 5.0)) * 0.5;
    float ripple = sin(p.x * 4.1 + p.z * 2.3 + 2.0 * valueNoise3(vec3(p.xz * 0.7, 3.0)));
    vec3 n = normalize(vNormal + vec3(ripple * 0.08, 0.0, ripple * 0.05));
    vec3 albedo = vColor.rgb * vec3(1.12, 1.04, 0.92) * (0.86 + 0.28 * grain);
    vec3 color = lit(albedo, n, p, 1.0, 1.25);
    fragColor = vec4(finish(applyWater(color, p, pixel), pixel), 1.0);
}
#endif

// ---- reef ----------------------------------------------------------------------------------

#ifdef VERTEX_STAGE
void reefVertex() {
    MeshVertex v = vertices[gl_VertexID];
    vec3 p = v.position.xyz;
    float sway = v.position.w;
    // Soft growth leans with the surge; the phase drifts across the reef.
    float a = loopAngle(0.9) + p.x * 0.35 + p.z * 0.27;
    p += sway * vec3(0.06 * sin(a), 0.0, 0.045 * sin(a * 0.7 + 1.3 + loopAngle(0.5)));
    vWorld = p;
    vNormal = v.normal.xyz;
    vParams = vec4(v.normal.w, v.color.a, sway, 0.0);
    vColor = v.color;
    gl_Position = R.viewProjection * vec4(p, 1.0);
}
#endif

#ifdef FRAGMENT_STAGE
void reefFragment() {
    vec2 pixel = gl_FragCoord.xy;
    vec3 p = vWorld;
    vec3 n = normalize(vNormal);
    if (!gl_FrontFacing) n = -n;
    float occlusion = vParams.x;
    float fluorescence = vParams.y;
    // Surface texture: polyp speckle on growth, pitting on rock.
    float speckle = valueNoise3(p * 23.0);
    vec3 albedo = vColor.rgb * (0.82 + 0.36 * speckle);
    vec3 color = lit(albedo, n, p, occlusion, 1.0);
    // Rim light from the water around: edges catch the ambient glow.
    vec3 view = normalize(R.eyeTime.xyz - p);
    float rim = pow(1.0 - max(dot(n, view), 0.0), 3.0);
    color += R.ambientTop.rgb * rim * 0.35 * occlusion;
    // Under blue night light fluorescent growth glows, pulsing slowly.
    float pulse = 0.75 + 0.25 * sin(loopAngle(0.6) + p.x * 1.7 + p.z * 1.3);
    vec3 glowTint = mix(normalize(albedo + vec3(0.02, 0.1, 0.08)), vec3(0.1, 0.9, 0.95), 0.72);
    // Glowing tissue is seen through more of itself at the edges, a soft halo round each form.
    color += glowTint * fluorescence * fluorescence * nightness() * pulse * (0.44 + 0.4 * rim);
    fragColor = vec4(finish(applyWater(color, p, pixel), pixel), 1.0);
}
#endif

// ---- kelp and seagrass ---------------------------------------------------------------------

#ifdef VERTEX_STAGE
void strandVertex() {
    MeshVertex v = vertices[gl_VertexID];
    vec4 base = instanceData[gl_InstanceID * 2];
    vec4 params = instanceData[gl_InstanceID * 2 + 1];
    float height = base.w;
    float width = params.x;
    float phase = params.y;
    bool grass = params.w > 0.5;
    float t = v.color.x;
    float side = v.position.x;
    // Kelp is a stalk with leafy blades: narrow at the holdfast, waved at the edges.
    float w = width;
    if (grass) {
        w *= 1.0 - 0.85 * t * t;
    } else {
        w *= (0.25 + 0.75 * smoothstep(0.0, 0.25, t)) * (1.0 - 0.55 * t * t) *
             (0.7 + 0.3 * sin(t * height * 2.6 + phase * 3.0));
    }
    // The ribbon faces the eye round its stalk (kelp) or keeps its own heading (grass), twisting
    // a little along its length.
    vec3 toEye = R.eyeTime.xyz - base.xyz;
    float facing = grass ? phase : atan(toEye.x, toEye.z);
    float twist = facing + (grass ? 0.6 : 0.35) * sin(t * 3.0 + phase);
    vec3 across = vec3(cos(twist), 0.0, -sin(twist));
    // Sway: a travelling bend that grows with the height.
    float a = loopAngle(grass ? 1.3 : 0.55) + phase - t * (grass ? 1.5 : 2.2);
    float bend = pow(t, 1.5) * (grass ? 0.12 : 0.09 * height);
    vec3 sway = vec3(sin(a), 0.0, 0.6 * cos(a * 0.8 + 0.4)) * bend;
    vec3 p = base.xyz + across * (side * w) + vec3(0.0, t * height, 0.0) + sway;
    p.y -= dot(sway, sway) / max(height, 0.1) * 0.5;
    vWorld = p;
    vNormal = normalize(cross(across, vec3(0.0, 1.0, 0.0)) + vec3(0.0, 0.25, 0.0));
    vParams = vec4(t, v.color.y, params.z, params.w);
    vColor = vec4(height, width, phase, 0.0);
    gl_Position = R.viewProjection * vec4(p, 1.0);
}
#endif

#ifdef FRAGMENT_STAGE
void strandFragment() {
    vec2 pixel = gl_FragCoord.xy;
    vec3 p = vWorld;
    float t = vParams.x;
    float across = vParams.y;
    float tint = vParams.z;
    bool grass = vParams.w > 0.5;
    vec3 n = normalize(vNormal);
    vec3 view = normalize(R.eyeTime.xyz - p);
    if (dot(n, view) < 0.0) n = -n;
    vec3 albedo;
    if (grass) {
        albedo = mix(vec3(0.09, 0.22, 0.05), vec3(0.25, 0.42, 0.1), tint) * (0.55 + 0.45 * t);
    } else {
        albedo = mix(vec3(0.24, 0.2, 0.05), vec3(0.36, 0.3, 0.07), tint) * (0.6 + 0.4 * t);
        // A darker midrib and veins along the blade.
        albedo *= 0.8 + 0.2 * smoothstep(0.0, 0.2, abs(across - 0.5));
        albedo *= 0.9 + 0.1 * sin(t * vColor.x * 14.0 + across * 3.0);
    }
    vec3 color = lit(albedo, n, p, 0.5 + 0.5 * t, 0.7);
    // Light through the thin blade from the far side.
    vec3 l = -R.lightDirection.xyz;
    float through = max(dot(-n, l), 0.0) * 0.5 + 0.2 * pow(max(dot(-view, l), 0.0), 4.0);
    color += albedo * vec3(1.0, 1.15, 0.6) * sunAt(p) * through * 0.9;
    fragColor = vec4(finish(applyWater(color, p, pixel), pixel), 1.0);
}
#endif

// ---- fish ----------------------------------------------------------------------------------
//
// SpeciesLookGPU, per species:
//   shape  x roundness of the body outline (0 slender, 1 disc), y half height and z half width
//          over the length, w the species index (selects the pattern below)
//   colorA main body colour, w: shine; colorB second colour, w > 0: belly blend, < 0: bands
//   colorC third colour (markings, tail), w: how much of the fins it colours
//   fins   x tail size, y dorsal height, z fin opacity, w pectoral size
//   form   x tail beat, y snout taper, z where the body is deepest, w banner length

#ifdef VERTEX_STAGE
float bodyRadius(float t) {
    float u = clamp(t, 0.0, 1.0);
    return max(pow(u, 0.55) * pow(1.0 - u, 0.62) / 0.452, 0.08);
}

void fishVertex() {
    MeshVertex v = vertices[gl_VertexID];
    vec4 posLength = instanceData[gl_InstanceID * 3];
    vec4 dirPhase = instanceData[gl_InstanceID * 3 + 1];
    vec4 info = instanceData[gl_InstanceID * 3 + 2];
    int s = int(info.x + 0.5) * 6;
    vec4 shape = speciesData[s];
    vec4 fins = speciesData[s + 4];
    vec4 form = speciesData[s + 5];

    vec3 p = v.position.xyz;
    vec3 n = v.normal.xyz;
    float t = v.position.w;
    int part = int(v.normal.w + 0.5);
    float speed = info.z;

    // Body outline: deep-bodied species fill out in front of the tail stalk.
    float deep = 1.0 + shape.x * 0.55 * smoothstep(0.08, 0.45, t) * (1.0 - smoothstep(0.78, 1.02, t));
    float hump = 1.0 + 0.25 * (form.z - 0.4) * sin(3.14159 * clamp(t, 0.0, 1.0));
    float snout = mix(1.0, 0.75, smoothstep(0.75, 1.0, t) * form.y * 4.0);
    vec3 scale = vec3(shape.z, shape.y * deep * hump * snout, 1.0);
    if (part == 0) {
        p *= scale;
        n = normalize(n / max(scale, vec3(0.02)));
    } else if (part == 1) {
        // Tail: sized by its own parameter, rooted at the tail stalk.
        float tail = shape.y * (1.1 + 1.2 * fins.x) / 0.85;
        p.y *= tail * 0.85;
        p.z = -0.46 + (p.z + 0.46) * (0.7 + 0.6 * fins.x);
    } else if (part == 2 || part == 3) {
        float sign = part == 2 ? 1.0 : -1.0;
        float rootT = clamp(p.z + 0.5 + (part == 2 ? 0.06 : 0.05) * v.color.y, 0.0, 1.0);
        float rootUnit = sign * 0.92 * bodyRadius(rootT);
        float rootY = rootUnit * shape.y * (1.0 + shape.x * 0.55 * smoothstep(0.08, 0.45, rootT));
        float offset = (p.y - rootUnit) * shape.y * (0.9 + 2.2 * (part == 2 ? fins.y : fins.y * 0.8));
        p.y = rootY + offset;
        p.x = 0.0;
        if (part == 2 && form.w > 0.0) {
            // Bannerfish: the front rays trail into a long white banner.
            float front = pow(1.0 - v.color.x, 4.0) * v.color.y;
            p.y += front * form.w * shape.y * 1.1;
            p.z -= front * form.w * 0.28;
        }
    } else {
        // Paired fins: scaled into the body's width and height.
        float size = 0.6 + 0.8 * fins.w;
        p.x *= shape.z * 1.15 * size;
        p.y *= shape.y * size;
        n = normalize(n / max(vec3(shape.z, shape.y, 1.0), vec3(0.02)));
    }

    // Swimming: a wave down the body that grows towards the tail, faster with speed.
    float beat = (0.08 + 0.1 * form.x) * (0.55 + 0.45 * speed);
    float along = clamp(1.0 - (p.z + 0.5), 0.0, 1.4);
    float wave = sin(dirPhase.w - along * 3.2);
    float sideways = beat * wave * along * along;
    p.x += sideways;
    // Pectorals flap on their own.
    if (part == 4 || part == 5) p.x += 0.25 * shape.z * sin(dirPhase.w * 0.5 + float(part)) * v.color.y;
    float slope = beat * cos(dirPhase.w - along * 3.2) * 3.2 * along * along + beat * wave * 2.0 * along;
    n = normalize(n + vec3(0.0, 0.0, 0.0) - vec3(0.0, 0.0, n.x * slope));

    vec3 forward = normalize(dirPhase.xyz);
    vec3 right = cross(vec3(0.0, 1.0, 0.0), forward);
    right = length(right) < 1e-3 ? vec3(1.0, 0.0, 0.0) : normalize(right);
    vec3 up = cross(forward, right);
    float len = posLength.w;
    vec3 world = posLength.xyz + (right * p.x + up * p.y + forward * p.z) * len;
    vWorld = world;
    vNormal = normalize(right * n.x + up * n.y + forward * n.z);
    vColor = v.color;
    vParams = vec4(t, float(part), p.y / max(shape.y, 0.01), p.x);
    vFlat = vec4(info.x, info.y, speed, len);
    vFlat2 = vec4(dirPhase.w, 0.0, 0.0, 0.0);
    gl_Position = R.viewProjection * vec4(world, 1.0);
}
#endif

#ifdef FRAGMENT_STAGE
layout(std430, binding = REEF_SPECIES_SLOT) readonly buffer SpeciesLookBuffer { vec4 looks[]; };

float band(float x, float centre, float halfWidth, float soft) {
    return 1.0 - smoothstep(halfWidth - soft, halfWidth + soft, abs(x - centre));
}

// Body colour of a species at body position t (0 tail, 1 nose) and height h (-1 belly, 1 back).
vec3 fishPattern(int species, vec4 a, vec4 b, vec4 c, float t, float h, float seed, vec3 p) {
    vec3 col = a.rgb;
    if (b.w > 0.0) col = mix(a.rgb, b.rgb, smoothstep(0.2, -0.6, h) * min(b.w, 1.0));
    if (species == 0) {
        // Silverside: dark back, silver flanks, a bright stripe along the side.
        col = mix(b.rgb, a.rgb * 2.0, smoothstep(0.15, 0.6, h));
        col = mix(col, c.rgb * 1.4, band(h, 0.12, 0.08, 0.05));
    } else if (species == 1) {
        // Anthias: orange-pink with a violet stripe from the eye.
        col = mix(col, c.rgb, band(h, 0.25 - (1.0 - t) * 0.4, 0.05, 0.03) * step(0.55, t));
    } else if (species == 2) {
        // Yellow tang: all yellow, a white spine by the tail.
        col = mix(col, c.rgb, band(t, 0.14, 0.025, 0.012) * band(h, 0.0, 0.18, 0.05));
    } else if (species == 3) {
        // Blue tang: royal blue, a black sweep along the upper flank, yellow tail stalk.
        float sweep = band(h, 0.32 + 0.3 * sin(3.14159 * t), 0.22, 0.06) * smoothstep(0.1, 0.25, t) *
                      (1.0 - smoothstep(0.8, 0.9, t));
        sweep = max(sweep, band(h, 0.0, 0.15, 0.06) * band(t, 0.45, 0.18, 0.06));
        col = mix(col, b.rgb, sweep);
        col = mix(col, c.rgb, 1.0 - smoothstep(0.12, 0.2, t));
    } else if (species == 4) {
        // Clownfish: three white bands edged in black.
        float bands = max(max(band(t, 0.78, 0.055, 0.01), band(t, 0.47, 0.06, 0.01)), band(t, 0.12, 0.03, 0.01));
        float edges = max(max(band(t, 0.78, 0.075, 0.008), band(t, 0.47, 0.08, 0.008)), band(t, 0.12, 0.045, 0.008));
        col = mix(col, c.rgb, edges);
        col = mix(col, b.rgb, bands);
    } else if (species == 5) {
        // Butterflyfish: pale front, yellow rear and belly, black eye bar and a false eye spot.
        col = mix(a.rgb, b.rgb, max(smoothstep(0.55, 0.3, t), smoothstep(-0.1, -0.5, h)));
        col = mix(col, c.rgb, band(t, 0.86, 0.035, 0.01) * step(-0.7, h));
        col = mix(col, c.rgb, 1.0 - smoothstep(0.05, 0.08, length(vec2((t - 0.25) * 1.4, h - 0.45))));
    } else if (species == 6) {
        // Parrotfish: teal scales rimmed in pink, a pink beak.
        vec2 q = vec2(t * 26.0, h * 7.0 + t * 3.0);
        vec2 f = fract(q) - 0.5;
        float rim = smoothstep(0.28, 0.48, length(f));
        col = mix(a.rgb, b.rgb, rim * 0.6);
        col = mix(col, b.rgb * 1.1, smoothstep(0.9, 0.95, t));
    } else if (species == 7) {
        // Angelfish: flame orange with dark vertical bars.
        float bars = max(max(band(t, 0.68, 0.018, 0.008), band(t, 0.55, 0.02, 0.008)), band(t, 0.42, 0.016, 0.008));
        col = mix(col, b.rgb, bars * step(-0.6, h));
    } else if (species == 8) {
        // Bannerfish: white with two broad black bands, yellow at the back.
        float slant = t + h * 0.12;
        float bands = max(band(slant, 0.66, 0.1, 0.015), band(slant, 0.32, 0.09, 0.015));
        col = mix(a.rgb, b.rgb, bands);
        col = mix(col, c.rgb, smoothstep(0.2, 0.1, t) * step(0.0, h));
        col = mix(col, b.rgb, band(t, 0.9, 0.03, 0.01) * step(0.1, h));
    } else if (species == 9) {
        // Grouper: deep red with scattered blue spots.
        vec2 q = vec2(t * 16.0, h * 5.0);
        vec2 cell = floor(q);
        vec2 f = fract(q) - 0.5 - (hash12(cell + seed * 7.0) - 0.5) * 0.4;
        col = mix(col, b.rgb, 1.0 - smoothstep(0.14, 0.2, length(f)));
    } else if (species == 10) {
        // Damselfish: electric blue with a yellow tail and belly.
        col = mix(a.rgb, b.rgb, max(smoothstep(0.35, 0.2, t), smoothstep(-0.3, -0.7, h) * 0.8));
        col += c.rgb * 0.25 * band(h, 0.4, 0.2, 0.2);
    } else if (species == 11) {
        // Wrasse: green with magenta stripes and a blue head.
        float stripes = max(band(h, 0.35, 0.07, 0.03), band(h, -0.15, 0.06, 0.03));
        col = mix(col, b.rgb, stripes);
        col = mix(col, c.rgb, smoothstep(0.78, 0.88, t) * 0.8);
    }
    return col;
}

vec3 finColor(int species, vec4 a, vec4 b, vec4 c, int part, float s, float v) {
    vec3 body = fishPattern(species, a, b, c, part == 1 ? 0.02 : 0.5, part == 3 ? -0.8 : 0.8, 0.0, vec3(0.0));
    vec3 col = mix(body, c.rgb, c.w * 0.6);
    if (species == 0) col = mix(b.rgb, c.rgb, 0.5) * 0.8;
    if (species == 2) col = a.rgb;
    if (species == 3) col = part == 1 ? c.rgb : mix(a.rgb, b.rgb, smoothstep(0.4, 0.9, v));
    if (species == 4) col = mix(a.rgb, c.rgb, smoothstep(0.6, 0.9, v));
    if (species == 5) col = mix(b.rgb, c.rgb, band(v, 0.85, 0.05, 0.02));
    if (species == 7) col = mix(a.rgb, vec3(0.1, 0.2, 0.9), smoothstep(0.6, 0.85, v));
    if (species == 8) col = part == 2 ? mix(c.rgb, a.rgb, smoothstep(0.55, 0.75, 1.0 - s)) : c.rgb;
    if (species == 10) col = part == 1 ? b.rgb : a.rgb;
    return col;
}

void fishFragment() {
    vec2 pixel = gl_FragCoord.xy;
    vec3 p = vWorld;
    int species = int(vFlat.x + 0.5);
    float seed = vFlat.y;
    int part = int(vParams.y + 0.5);
    int base = species * 6;
    vec4 a = looks[base + 1];
    vec4 b = looks[base + 2];
    vec4 c = looks[base + 3];
    vec4 fins = looks[base + 4];
    vec3 n = normalize(vNormal);
    vec3 view = normalize(R.eyeTime.xyz - p);
    if (dot(n, view) < 0.0) n = -n;
    vec3 l = -R.lightDirection.xyz;

    float alpha = 1.0;
    vec3 albedo;
    float shine = a.w;
    // Height on the body for the moon's top light: the flanks of thin fish face sideways, so
    // their normals alone would leave them flat.
    float height = part == 2 ? 1.0 : (part == 3 ? -0.8 : 0.0);
    if (part == 0) {
        float t = vParams.x;
        // Height round the body ring (-1 belly, 1 back), so markings follow the outline.
        float h = sin(6.2831853 * vColor.y);
        height = h;
        albedo = fishPattern(species, a, b, c, t, h, seed, p);
        // Countershading: every fish is a little darker on top.
        albedo *= 0.8 + 0.35 * smoothstep(0.8, -0.8, h);
        // Rounding: the flanks darken towards the outline, so the body reads as solid.
        float edgeOn = 1.0 - abs(dot(n, view));
        albedo *= 1.0 - 0.4 * edgeOn * edgeOn;
        // The eye, on both flanks: dark pupil in a pale ring.
        float e = length(vec2((t - 0.885) * 2.6, vParams.z - 0.2));
        albedo = mix(albedo, vec3(0.7, 0.62, 0.4), 1.0 - smoothstep(0.05, 0.062, e));
        albedo = mix(albedo, vec3(0.005), 1.0 - smoothstep(0.032, 0.044, e));
    } else {
        float s = vColor.x;
        float v = vColor.y;
        albedo = finColor(species, a, b, c, part, s, v);
        // Rays in the membrane, a thinner edge.
        albedo *= 0.85 + 0.15 * sin(s * 40.0);
        alpha = fins.z * (1.0 - 0.45 * v * v);
        shine = 0.2;
    }
    vec3 color = lit(albedo, n, p, 1.0, 0.8);
    // By moonlight fish turn to dark blue-grey bodies, lit softly from above with a cool rim.
    float night = deepNight();
    float edge = 1.0 - abs(dot(n, view));
    float top = mix(0.7, 3.4, smoothstep(-0.9, 0.9, height)) * (0.8 + 0.3 * max(n.y, 0.0));
    float rods = dot(color, vec3(0.04, 0.56, 0.40));
    // Bluer than the floor's grey: against the blue water a plain grey body reads as olive.
    vec3 moonlit = mix(color * 0.35, vec3(rods) * vec3(0.3, 0.6, 1.65), 0.85) * top;
    vec3 rimLight = (R.sunColor.rgb * 0.6 + R.ambientTop.rgb) * vec3(0.7, 0.92, 1.15);
    moonlit += rimLight * pow(edge, 2.5) * (0.35 + 0.65 * smoothstep(-0.4, 0.8, n.y)) * 1.1;
    color = mix(color, moonlit, night);
    // Scales catch the light: a tight highlight, and for the silversides a flash as they turn.
    vec3 h = normalize(l + view);
    float highlight = pow(max(dot(n, h), 0.0), 24.0) * shine * 0.6;
    if (species == 0 && part == 0) {
        float flash = pow(max(dot(reflect(-view, n), l), 0.0), 5.0);
        float flicker = 0.5 + 0.5 * sin(vFlat2.x * 0.5 + seed * 40.0);
        highlight += flash * (0.6 + 1.6 * flicker) * 0.9 + 0.15;
        color += mix(R.ambientTop.rgb, R.surfaceColor.rgb, 0.5) * 0.8 * max(n.y, 0.0);
    }
    color += sunAt(p) * highlight * (0.4 + 0.6 * caustic(p));
    // At night some fish give off a faint glow.
    // Only a trace on the rest: an even glow over a whole body washes it into a flat grey veil.
    bool glower = species == 1 || species == 10 || species == 0;
    float glow = nightness() * (glower ? 1.0 : mix(0.35, 0.06, deepNight()));
    vec3 glowTint = c.rgb * 0.3 + vec3(0.0, 0.3, 0.36);
    color += glowTint * glow * 0.045 * (0.6 + 0.4 * sin(loopAngle(1.1) + seed * 30.0));
    fragColor = vec4(finish(applyWater(color, p, pixel), pixel), alpha);
}
#endif

// ---- background water ----------------------------------------------------------------------

#ifdef VERTEX_STAGE
void backgroundVertex() {
    vec2 corner = coverTarget(1.0);
    vParams = vec4(corner * 2.0 - 1.0, corner);
}
#endif

#ifdef FRAGMENT_STAGE
void backgroundFragment() {
    vec2 pixel = gl_FragCoord.xy;
    vec2 ndc = vParams.xy;
    vec3 dir = normalize(R.cameraForward.xyz + R.cameraRight.xyz * ndc.x * R.cameraRight.w +
                         R.cameraUp.xyz * ndc.y * R.cameraUp.w);
    vec3 color = waterColor(dir) + inScatter(R.eyeTime.xyz, R.eyeTime.xyz + dir * 60.0, pixel);
    // The rippled surface far above, seen through the water.
    if (dir.y > 0.0) {
        vec3 s = R.eyeTime.xyz + dir * ((surfaceHeight() - R.eyeTime.y) / max(dir.y, 0.05));
        float ripple = texture(map0, s.xz * 0.05).r;
        float fade = smoothstep(0.05, 0.5, dir.y);
        color += R.surfaceColor.rgb * ripple * fade * 0.25;
    }
    fragColor = vec4(finish(color, pixel), 1.0);
}
#endif

// ---- marine snow ---------------------------------------------------------------------------

#ifdef VERTEX_STAGE
void snowVertex() {
    int id = gl_VertexID;
    vec3 h = hash33(vec3(float(id) * 0.731, float(id) * 1.377 + 3.1, 7.7));
    vec3 box = vec3(18.0, 9.0, 22.0);
    // Each particle sinks and drifts by a whole number of boxes per loop, so it wraps unseen.
    float loopFraction = R.eyeTime.w / 1800.0;
    vec3 drift = vec3(floor(h.z * 3.0) - 1.0, -(2.0 + floor(h.x * 4.0)), 1.0) * loopFraction * vec3(4.0, 2.0, 2.0);
    vec3 centre = R.eyeTime.xyz + R.cameraForward.xyz * 10.0;
    vec3 local = fract(h + drift + vec3(0.1 * sin(loopAngle(0.3) + h.y * 9.0), 0.0, 0.0) / box) - 0.5;
    vec3 p = centre + local * box;
    vec4 clip = R.viewProjection * vec4(p, 1.0);
    float dist = length(p - R.eyeTime.xyz);
    float size = (0.006 + 0.012 * hash11(float(id) + 0.5)) * R.targetSize.y / max(clip.w, 0.1) * 2.6;
    gl_PointSize = clamp(size, 1.0, 6.0 * R.extra.z);
    // Particles near the edges of the box fade so none pops in.
    vec3 edge = abs(local) * 2.0;
    float fade = (1.0 - smoothstep(0.75, 1.0, max(max(edge.x, edge.y), edge.z))) * exp(-dist * 0.06);
    float lightHere = 0.4 + 0.6 * textureLod(map1, surfacePoint(p) * SHAFT_SCALE, 2.0).r;
    vParams = vec4(fade * lightHere, hash11(float(id) * 3.3), size, 0.0);
    vWorld = p;
    gl_Position = clip;
}
#endif

#ifdef FRAGMENT_STAGE
void snowFragment() {
    vec2 q = gl_PointCoord * 2.0 - 1.0;
    float disc = max(1.0 - dot(q, q), 0.0);
    disc *= disc;
    vec3 light = R.sunColor.rgb * 0.35 + R.ambientTop.rgb * 1.2;
    // At night one speck in six is glowing plankton, flaring and fading on its own beat.
    float plankton = step(0.83, vParams.y) * nightness();
    float flare = pow(0.5 + 0.5 * sin(loopAngle(0.7) + vParams.y * 80.0), 6.0);
    light += vec3(0.05, 0.6, 0.75) * plankton * (0.25 + 1.5 * flare);
    vec3 color = light * disc * vParams.x * 0.22 * R.deepColor.w;
    fragColor = vec4(linearToSRGB(color) * 0.6, 0.0);
}
#endif

// ---- depth of field --------------------------------------------------------------------------

#ifdef FRAGMENT_STAGE
layout(std140, binding = REEF_DEPTH_OF_FIELD_SLOT) uniform DepthOfField {
    vec4 focusBlur;  // focus (m), blur radius (pixels), near, far
    vec4 size;       // width, height, 1 / width, 1 / height
} D;

float linearDepth(float d) {
    float near = D.focusBlur.z, far = D.focusBlur.w;
    return near * far / (far - d * (far - near));
}

// Blur radius in pixels for a depth sample: sharp at the focus, growing behind and in front.
float circleOfConfusion(float depth) {
    float z = linearDepth(depth);
    float focus = D.focusBlur.x;
    float behind = clamp((z - focus) / (z + 6.0) * 1.6, 0.0, 1.0);
    float front = clamp((focus - z) / max(z, 0.2) * 0.9, 0.0, 1.6);
    return D.focusBlur.y * max(behind, front);
}

void dofFragment() {
    vec2 pixel = gl_FragCoord.xy;
    vec2 uv = pixel * D.size.zw;
    vec3 centre = texture(map0, uv).rgb;
    float coc = circleOfConfusion(texture(map1, uv).r);
    if (D.focusBlur.y <= 0.0 || coc < 0.3) {
        fragColor = vec4(centre, 1.0);
        return;
    }
    // A golden-angle disc, the same for every pixel (per-pixel rotation shows as grain on
    // edges); a sample counts where its own blur reaches this pixel.
    const int TAPS = 28;
    float maxRadius = D.focusBlur.y * 1.6;
    float rotation = 0.0;
    vec3 sum = centre;
    float weight = 1.0;
    for (int i = 1; i < TAPS; ++i) {
        float r = sqrt(float(i) / float(TAPS)) * maxRadius;
        float a = float(i) * 2.39996 + rotation;
        vec2 offset = vec2(cos(a), sin(a)) * r;
        vec2 suv = uv + offset * D.size.zw;
        float sampleCoc = circleOfConfusion(texture(map1, suv).r);
        float w = clamp(min(sampleCoc, coc * 1.3 + 0.5) - r + 1.0, 0.0, 1.0);
        sum += texture(map0, suv).rgb * w;
        weight += w;
    }
    vec3 color = sum / weight;
    float n = hash12(pixel) - hash12(pixel + 17.31);
    fragColor = vec4(color + n / 255.0, 1.0);
}
#endif
