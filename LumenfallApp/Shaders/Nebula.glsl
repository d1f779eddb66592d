// Nebula Flythrough: a slow flight through glowing gas and dark dust.
//
// The compute kernel fills a tileable 128^3 volume once (red: glowing gas, green: dust). The
// half-resolution layer ray-marches it along the flight path; the main pass lays the layer over
// a star field and adds the glow of a few young stars.
//
// uParams[0] = camera position (xyz), palette number (w: 0 rose/teal, 1 ember/gold, 2 ice/violet)
// uParams[1] = forward, uParams[2] = right, uParams[3] = up

const float VOLUME_SIZE = 128.0;

// ---- the volume ------------------------------------------------------------------------------

#ifdef COMPUTE_STAGE
layout(local_size_x = 4, local_size_y = 4, local_size_z = 4) in;
layout(binding = 0, rg8) uniform writeonly image3D nebulaVolumeOut;

// Value noise on a lattice that wraps every `period` cells, so the volume tiles without seams.
float periodicNoise(vec3 p, float period) {
    vec3 i = floor(p);
    vec3 f = fract(p);
    vec3 u = f * f * (3.0 - 2.0 * f);
    vec3 i0 = mod(i, period);
    vec3 i1 = mod(i + 1.0, period);
    float a = hash13(vec3(i0.x, i0.y, i0.z));
    float b = hash13(vec3(i1.x, i0.y, i0.z));
    float c = hash13(vec3(i0.x, i1.y, i0.z));
    float d = hash13(vec3(i1.x, i1.y, i0.z));
    float e = hash13(vec3(i0.x, i0.y, i1.z));
    float g = hash13(vec3(i1.x, i0.y, i1.z));
    float h = hash13(vec3(i0.x, i1.y, i1.z));
    float k = hash13(vec3(i1.x, i1.y, i1.z));
    return mix(mix(mix(a, b, u.x), mix(c, d, u.x), u.y), mix(mix(e, g, u.x), mix(h, k, u.x), u.y), u.z);
}

// Fractal sum over the unit cube [0, 1)^3, periodic in every axis.
float periodicFbm(vec3 q, float baseCells, int octaves, vec3 offset) {
    float sum = 0.0;
    float amplitude = 0.5;
    float norm = 0.0;
    float cells = baseCells;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * periodicNoise(q * cells + offset * cells, cells);
        norm += amplitude;
        amplitude *= 0.5;
        cells *= 2.0;
    }
    return sum / norm;
}

void nebulaVolume() {
    ivec3 texel = ivec3(gl_GlobalInvocationID);
    if (any(greaterThanEqual(texel, ivec3(VOLUME_SIZE)))) return;
    vec3 q = (vec3(texel) + 0.5) / VOLUME_SIZE;

    // A periodic warp gives the gas its billowing, filamentary look.
    vec3 warp = vec3(periodicFbm(q, 4.0, 3, vec3(0.13, 0.71, 0.37)),
                     periodicFbm(q, 4.0, 3, vec3(0.59, 0.23, 0.91)),
                     periodicFbm(q, 4.0, 3, vec3(0.87, 0.41, 0.05))) - 0.5;
    vec3 w = fract(q + warp * 0.22);

    float base = periodicFbm(w, 4.0, 5, vec3(0.0));
    float ridge = 1.0 - abs(periodicFbm(w, 8.0, 4, vec3(0.31, 0.17, 0.53)) * 2.0 - 1.0);
    float gas = smoothstep(0.42, 0.78, base * 0.75 + ridge * ridge * 0.35);

    float dustNoise = periodicFbm(fract(q + warp * 0.35), 4.0, 5, vec3(0.47, 0.83, 0.29));
    float dust = smoothstep(0.50, 0.75, dustNoise) * (0.35 + 0.65 * smoothstep(0.2, 0.6, base));

    imageStore(nebulaVolumeOut, texel, vec4(gas, dust, 0.0, 0.0));
}
#endif

// ---- shared by the passes ----------------------------------------------------------------------

#ifdef FRAGMENT_STAGE
layout(binding = 1) uniform sampler3D nebulaVolume;

struct Palette {
    vec3 hot;    // dense, bright gas
    vec3 cool;   // thin, outer gas
    vec3 star1;  // young star tints
    vec3 star2;
    vec3 space;  // the darkness between
};

Palette palette() {
    int index = int(uParams[0].w + 0.5);
    if (index == 1) {  // ember and gold
        return Palette(vec3(1.00, 0.55, 0.18), vec3(0.55, 0.12, 0.06), vec3(1.0, 0.82, 0.55),
                       vec3(1.0, 0.62, 0.35), vec3(0.010, 0.006, 0.006));
    }
    if (index == 2) {  // ice and violet
        return Palette(vec3(0.55, 0.80, 1.00), vec3(0.42, 0.20, 0.75), vec3(0.75, 0.88, 1.0),
                       vec3(0.85, 0.70, 1.0), vec3(0.005, 0.006, 0.014));
    }
    // rose and teal
    return Palette(vec3(1.00, 0.38, 0.52), vec3(0.10, 0.55, 0.60), vec3(0.70, 0.85, 1.0),
                   vec3(1.0, 0.85, 0.60), vec3(0.008, 0.006, 0.012));
}

vec3 viewRay(vec2 uv, float aspect) {
    vec2 ndc = uv * 2.0 - 1.0;
    return normalize(uParams[1].xyz * 1.55 + uParams[2].xyz * ndc.x * aspect + uParams[3].xyz * ndc.y);
}

// Gas and dust at a world position: a large and a detail scale, both tiling every 160 units of
// flight so the wrap of the path is invisible.
vec2 sampleNebula(vec3 p) {
    vec2 large = texture(nebulaVolume, p / 80.0).rg;
    vec2 detail = texture(nebulaVolume, p / 32.0 + vec3(0.37, 0.11, 0.73)).rg;
    float gas = large.r * (0.55 + 0.65 * detail.r);
    float dust = large.g * 0.7 + detail.g * 0.45 * large.r;
    return vec2(gas, dust);
}

// ---- the layer: half resolution ray march ------------------------------------------------------

void layerFragment() {
    float aspect = uResolution.x * uResolution.w;
    vec3 origin = uParams[0].xyz;
    vec3 ray = viewRay(sceneUV, aspect);
    Palette pal = palette();

    // Offset each pixel's samples differently (and each frame) so steps never line up into bands.
    float jitter = interleavedGradient(gl_FragCoord.xy + vec2(fract(uTime.x * 7.31) * 61.0, 0.0));

    const int STEPS = 64;
    vec3 light = vec3(0.0);
    float transmittance = 1.0;
    float t = 0.6;
    for (int i = 0; i < STEPS; ++i) {
        float stepLength = 0.35 + float(i) * 0.032;
        vec3 p = origin + ray * (t + stepLength * jitter);
        vec2 cloud = sampleNebula(p);

        // Fade in what is right in front of the camera so clouds never pop.
        float nearFade = smoothstep(0.6, 5.0, t);
        float gas = cloud.x * nearFade;
        float dust = cloud.y * nearFade;

        float heat = smoothstep(0.15, 0.75, gas);
        vec3 glow = mix(pal.cool, pal.hot, heat) * (gas * 0.55 + gas * gas * 1.6);
        // Dense knots are lit from within, as if by the young stars they are forming.
        glow += pal.star1 * pow(max(gas - 0.55, 0.0) * 2.2, 3.0) * 2.0;
        glow *= 1.0 - 0.65 * smoothstep(0.1, 0.6, dust);

        float extinction = dust * 1.25 + gas * 0.10;
        float absorbed = exp(-extinction * stepLength);
        light += transmittance * glow * stepLength * 0.22;
        transmittance *= absorbed;
        t += stepLength;
        if (transmittance < 0.01) break;
    }
    // Distant haze keeps the far end from being an empty black wall.
    light += transmittance * mix(pal.cool, pal.hot, 0.35) * 0.025;
    fragColor = vec4(light, transmittance);
}

// ---- the main pass: stars behind, the layer over them -------------------------------------------

// Faint background stars on a direction grid, a few per cell.
vec3 starField(vec3 ray, Palette pal) {
    vec3 color = vec3(0.0);
    for (int layer = 0; layer < 2; ++layer) {
        float scale = layer == 0 ? 90.0 : 220.0;
        vec3 p = ray * scale;
        vec3 cell = floor(p);
        vec3 h = hash33(cell + float(layer) * 17.0);
        vec3 center = cell + 0.2 + 0.6 * h;
        float d = length(p - center);
        float brightness = pow(hash13(cell + 3.1), 18.0) * (layer == 0 ? 3.0 : 1.2);
        vec3 tint = mix(pal.star1, pal.star2, h.z);
        color += tint * brightness * exp(-d * d * (layer == 0 ? 70.0 : 110.0));
    }
    return color;
}

// A handful of young bright stars far ahead, with soft halos.
vec3 brightStars(vec3 ray, Palette pal) {
    vec3 color = vec3(0.0);
    for (int i = 0; i < 9; ++i) {
        vec3 h = hash33(vec3(float(i) * 7.13, 3.7, 11.3));
        vec3 direction = normalize(h * 2.0 - 1.0);
        float c = max(dot(ray, direction), 0.0);
        float angle = acos(min(c, 1.0));
        vec3 tint = mix(pal.star1, pal.star2, step(0.5, h.x));
        float core = exp(-angle * angle * 9.0e5);
        float halo = exp(-angle * 34.0) * 0.05 + exp(-angle * angle * 2.0e3) * 0.18;
        color += tint * (core * 4.0 + halo) * (0.5 + h.y);
    }
    return color;
}

void sceneFragment() {
    vec2 uv = sceneUV;
    float aspect = uResolution.x * uResolution.w;
    vec3 ray = viewRay(uv, aspect);
    Palette pal = palette();

    vec4 cloud = texture(layerTexture, uv);
    vec3 background = pal.space + starField(ray, pal) + brightStars(ray, pal);
    vec3 color = background * cloud.a + cloud.rgb;

    // A gentle vignette draws the eye into the flight.
    vec2 centered = uv * 2.0 - 1.0;
    color *= 1.0 - 0.22 * dot(centered * vec2(0.8, 1.0), centered * vec2(0.8, 1.0));

    fragColor = vec4(encodeOutput(toneMap(color * 1.15), gl_FragCoord.xy), 1.0);
}
#endif
