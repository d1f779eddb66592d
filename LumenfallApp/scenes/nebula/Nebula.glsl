// Nebula Flythrough: a slow flight through glowing gas and dark dust, past young stars.
//
// The compute kernel fills a tileable 128^3 volume once (red: glowing gas, green: dust). The
// half-resolution layer ray-marches it along the flight path, lighting the gas around young
// stars; the main pass lays the layer over distant stars and adds the young stars' sharp cores.
//
// uParams[0] = camera position (xyz), palette number (w: 0 rose/teal, 1 ember/gold, 2 ice/violet)
// uParams[1] = forward, uParams[2] = right, uParams[3] = up
//
// Everything the camera sees repeats every 160 units along z, the length of the flight path's
// loop, so the wrap of the flight distance is invisible.

const float VOLUME_SIZE = 128.0;
const float LOOP = 160.0;

// ---- the volume ------------------------------------------------------------------------------

#ifdef COMPUTE_STAGE
layout(local_size_x = 4, local_size_y = 4, local_size_z = 4) in;
layout(binding = NEBULA_VOLUME_IMAGE_SLOT, rg8) uniform writeonly image3D nebulaVolumeOut;

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
float periodicFbm(vec3 q, float baseCells, int octaves, float seed) {
    float sum = 0.0;
    float amplitude = 0.5;
    float norm = 0.0;
    float cells = baseCells;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * periodicNoise(q * cells + seed * 17.0 + float(i) * 31.0, cells);
        norm += amplitude;
        amplitude *= 0.5;
        cells *= 2.0;
    }
    return sum / norm;
}

// Stretches a fractal sum (which crowds around 0.5) over the whole 8-bit range.
float spread(float value, float contrast) {
    return clamp((value - 0.5) * contrast + 0.5, 0.0, 1.0);
}

void nebulaVolume() {
    ivec3 texel = ivec3(gl_GlobalInvocationID);
    if (any(greaterThanEqual(texel, ivec3(VOLUME_SIZE)))) return;
    vec3 q = (vec3(texel) + 0.5) / VOLUME_SIZE;

    // A periodic warp gives the gas its billowing, filamentary look.
    vec3 warp = vec3(periodicFbm(q, 3.0, 3, 1.0), periodicFbm(q, 3.0, 3, 2.0), periodicFbm(q, 3.0, 3, 3.0)) - 0.5;
    vec3 w = fract(q + warp * 0.3);

    float base = periodicFbm(w, 4.0, 5, 4.0);
    // Ridges of a second sum become the bright filaments and sheets.
    float ridge = 1.0 - abs(periodicFbm(w, 4.0, 4, 5.0) * 2.0 - 1.0);
    float gas = spread(base * 0.7 + ridge * ridge * 0.3 - 0.02, 2.6);

    float dustNoise = periodicFbm(fract(q - warp * 0.4), 4.0, 5, 6.0);
    float dust = spread(dustNoise, 2.8);

    // Both channels are smooth fields; the shader chooses where they turn into clouds.
    imageStore(nebulaVolumeOut, texel, vec4(gas, dust, 0.0, 0.0));
}
#endif

// ---- shared by the passes ----------------------------------------------------------------------

#ifdef FRAGMENT_STAGE
layout(binding = SCENE_TEXTURE0_SLOT) uniform sampler3D nebulaVolumeTexture;

struct Palette {
    vec3 gasA;      // the emission of one kind of region
    vec3 gasB;      // the emission of the other
    vec3 hot;       // what the densest, most excited gas burns towards
    vec3 starA;     // young star tints
    vec3 starB;
    vec3 backdrop;  // the far band of the galaxy behind everything
};

Palette palette() {
    int index = int(uParams[0].w + 0.5);
    if (index == 1) {  // ember and gold
        return Palette(vec3(0.90, 0.05, 0.02), vec3(1.00, 0.15, 0.02), vec3(1.0, 0.55, 0.12),
                       vec3(1.0, 0.86, 0.62), vec3(1.0, 0.62, 0.38), vec3(0.9, 0.45, 0.2));
    }
    if (index == 2) {  // ice and violet
        return Palette(vec3(0.42, 0.22, 1.00), vec3(0.18, 0.72, 1.00), vec3(0.80, 0.92, 1.0),
                       vec3(0.72, 0.86, 1.0), vec3(0.86, 0.74, 1.0), vec3(0.35, 0.4, 1.0));
    }
    // rose and teal
    return Palette(vec3(1.00, 0.12, 0.35), vec3(0.06, 0.70, 0.68), vec3(1.0, 0.80, 0.78),
                   vec3(0.70, 0.85, 1.0), vec3(1.0, 0.85, 0.60), vec3(0.55, 0.3, 0.7));
}

const float FOCAL = 1.55;

vec3 viewRay(vec2 uv, float aspect) {
    vec2 ndc = uv * 2.0 - 1.0;
    return normalize(uParams[1].xyz * FOCAL + uParams[2].xyz * ndc.x * aspect + uParams[3].xyz * ndc.y);
}

// The flight path's sideways and vertical offset at z = s (the scene's pathPoint).
vec2 flightPath(float s) {
    const float w = PI / 80.0;
    return vec2(14.0 * sin(w * s) + 5.0 * sin(2.0 * w * s + 1.3), 9.0 * cos(w * s + 0.7) + 3.0 * sin(3.0 * w * s));
}

struct Cloud {
    float gas;     // glowing gas density
    float dust;    // dark dust density
    float tint;    // 0: the first emission, 1: the second
    float excite;  // how strongly the region is lit by its stars
    float fronts;  // thin glowing sheets at the edges of the gas
    float shape;   // the coarse gas field the lighting compares against
};

// Where the light of the nebula's brightest cluster comes from: ahead, above and to the right.
const vec3 LIGHT_DIRECTION = vec3(0.38, 0.55, -0.74);

// The coarse gas field alone (the two larger octaves of sampleNebula), for the lighting's
// second look.
float coarseShape(vec3 p) {
    const mat2 turn = mat2(0.8, 0.6, -0.6, 0.8);
    float large = texture(nebulaVolumeTexture, vec3(p.x / 85.0, p.y / 65.0, p.z * 2.0 / LOOP)).r;
    float medium = texture(nebulaVolumeTexture, vec3(turn * p.xy / 28.0, p.z * 6.0 / LOOP) + vec3(0.37, 0.11, 0.73)).r;
    return large - (1.0 - medium) * 0.45;
}

// The nebula at a world position seen from `viewDistance` away. Far off, the finest octave fades out
// and the glowing sheets thicken, so the longer steps there sample them without sparkling noise.
// x and y are free to scale and turn; z always maps a whole number of volume periods onto the
// 160-unit loop.
Cloud sampleNebula(vec3 p, float viewDistance) {
    const mat2 turn = mat2(0.8, 0.6, -0.6, 0.8);
    const mat2 turn2 = mat2(0.28, 0.96, -0.96, 0.28);
    vec2 region = texture(nebulaVolumeTexture, vec3(turn * p.xy / 290.0, p.z / LOOP) + vec3(0.5, 0.21, 0.5)).rg;
    vec2 large = texture(nebulaVolumeTexture, vec3(p.x / 85.0, p.y / 65.0, p.z * 2.0 / LOOP)).rg;
    vec2 medium = texture(nebulaVolumeTexture, vec3(turn * p.xy / 28.0, p.z * 6.0 / LOOP) + vec3(0.37, 0.11, 0.73)).rg;
    vec2 detail = vec2(0.5);
    float detailWeight = smoothstep(50.0, 15.0, viewDistance);
    if (detailWeight > 0.0) {
        vec3 dp = vec3(turn2 * p.xy / 9.5, p.z * 16.0 / LOOP) + vec3(0.61, 0.29, 0.17);
        detail = mix(detail, texture(nebulaVolumeTexture, dp).rg, detailWeight);
    }
    // The large field carved by the finer ones: crisp, detailed edges around soft interiors.
    float shape = large.r - (1.0 - medium.r) * 0.45 - (1.0 - detail.r) * 0.2;
    float dustShape = large.g * 0.45 + medium.g * 0.35 + detail.g * 0.2;
    // A clear channel along the flight path, so the camera flies between the clouds; its ragged
    // wall never frames a round tunnel.
    float open = smoothstep(3.0, 10.0, length(p.xy - flightPath(p.z)) + (medium.g - 0.5) * 8.0);

    Cloud c;
    c.gas = smoothstep(0.3, 0.66, shape) * open;
    c.dust = smoothstep(0.56, 0.8, dustShape) * open;
    c.tint = smoothstep(0.35, 0.65, region.r);
    c.excite = 0.3 + 0.7 * smoothstep(0.3, 0.8, region.g);
    // Where the gas field crosses a level: seen edge-on these sheets are bright filaments.
    float front = (shape - 0.26) / (0.03 + viewDistance * 0.0012);
    c.fronts = exp(-front * front) * smoothstep(0.45, 0.7, large.r) * open;
    c.shape = large.r - (1.0 - medium.r) * 0.45;
    return c;
}

// ---- young stars ---------------------------------------------------------------------------------
// One possible star per 20-unit cell, kept near the cell's centre so that its light (reaching
// STAR_REACH) never leaves the cell: a march sample only asks its own cell.

const float STAR_CELL = 20.0;
const float STAR_REACH = 6.0;
const float STAR_PERIOD = LOOP / STAR_CELL;

// xyz: position, w: brightness (0 for an empty cell).
vec4 cellStar(vec3 cell) {
    vec3 key = vec3(cell.xy, mod(cell.z, STAR_PERIOD));
    vec3 h = hash33(key + 11.7);
    float present = step(0.72, hash13(key + 4.3));
    vec3 position = (cell + 0.5 + (h - 0.5) * 0.4) * STAR_CELL;
    // Never in the flight's way.
    present *= step(5.0, length(position.xy - flightPath(position.z)));
    return vec4(position, present * (0.4 + 1.6 * h.x * h.x));
}

vec3 starTint(vec3 cell, Palette pal) {
    float h = hash13(vec3(cell.xy, mod(cell.z, STAR_PERIOD)) + 9.1);
    return h < 0.5 ? pal.starA : pal.starB;
}

// ---- the layer: half resolution ray march ------------------------------------------------------

const float MARCH_FAR = 140.0;

// Fades in what is right in front of the camera so clouds never pop, and lets the far end fade
// out instead of ending in a wall.
float marchFade(float t) {
    return smoothstep(0.5, 4.0, t) * smoothstep(MARCH_FAR, 80.0, t);
}

// Near clouds glow less than far ones: dark shapes in front of bright ones give depth.
float depthGlow(float t) {
    return mix(0.12, 1.0, smoothstep(8.0, 55.0, t));
}

// Light lost per unit of distance; near gas also hides more of what lies behind it.
float extinctionAt(Cloud cloud, float t) {
    return (cloud.dust * 0.45 + cloud.gas * (0.12 + 0.25 * (1.0 - depthGlow(t)))) * marchFade(t);
}

void layerFragment() {
    float aspect = uResolution.x * uResolution.w;
    vec3 origin = uParams[0].xyz;
    vec3 ray = viewRay(sceneUV, aspect);
    Palette pal = palette();

    // Offset each pixel's samples so the steps never line up into bands: a low-discrepancy
    // pattern, which the main pass's filter smooths better than white noise.
    float jitter = fract(dot(gl_FragCoord.xy, vec2(0.7548776662, 0.5698402910)));

    const int STEPS = 96;
    vec3 light = vec3(0.0);
    float transmittance = 1.0;
    float t = 0.4;
    for (int i = 0; i < STEPS; ++i) {
        float stepLength = 0.25 + float(i) * 0.026;
        vec3 p = origin + ray * (t + stepLength * jitter);
        Cloud cloud = sampleNebula(p, t);

        float fade = marchFade(t);
        float gas = cloud.gas * fade;
        float dust = cloud.dust * fade;

        vec3 hue = mix(pal.gasA, pal.gasB, cloud.tint);
        // The most excited, densest gas burns brightest and towards white.
        float core = gas * gas * cloud.excite * cloud.excite;
        hue = mix(hue, pal.hot, core * core * 0.6);
        vec3 emission = hue * cloud.excite * (gas * gas * (0.06 + 1.3 * core) + cloud.fronts * fade * 0.08);
        // Sides facing the cluster that lights the nebula glow; the far sides stay dim.
        if (gas > 0.02) {
            float towards = coarseShape(p + LIGHT_DIRECTION * 2.0);
            float lit = clamp((cloud.shape - towards) * 3.0 + 0.45, 0.0, 1.6);
            emission *= 0.25 + lit;
        }
        emission *= depthGlow(t);

        // Light of the cell's young star: bright gas and lit dust around it.
        vec3 cell = floor(p / STAR_CELL);
        vec4 star = cellStar(cell);
        if (star.w > 0.0) {
            vec3 toStar = star.xyz - p;
            float d2 = dot(toStar, toStar);
            float reach = max(1.0 - d2 / (STAR_REACH * STAR_REACH), 0.0);
            float lit = star.w * reach * reach / (1.0 + d2 * 1.5);
            emission += starTint(cell, pal) * lit * (gas * 0.4 + dust * 0.25);
        }
        emission *= 1.0 - 0.8 * dust;

        light += transmittance * emission * stepLength;
        transmittance *= exp(-extinctionAt(cloud, t) * stepLength);
        t += stepLength;
        if (transmittance < 0.01) break;
    }
    fragColor = vec4(light, transmittance);
}

// ---- the main pass: the far galaxy and stars behind, the layer over them ---------------------------

// The plane of the galaxy, seen as a faint band across the sky.
const vec3 BAND_NORMAL = vec3(0.28, 0.93, 0.24);

float bandWeight(vec3 ray) {
    float d = dot(ray, normalize(BAND_NORMAL));
    return exp(-d * d * 9.0);
}

// Faint clouds of the far band, infinitely far away: they turn with the view but never move.
vec3 backdrop(vec3 ray, Palette pal) {
    float band = bandWeight(ray);
    vec2 a = texture(nebulaVolumeTexture, ray * 0.55 + vec3(0.13, 0.57, 0.31)).rg;
    vec2 b = texture(nebulaVolumeTexture, ray * 1.9 + vec3(0.71, 0.05, 0.44)).rg;
    float glow = smoothstep(0.35, 0.9, a.r * 0.7 + b.r * 0.3) * band;
    float lanes = smoothstep(0.5, 0.8, a.g * 0.5 + b.g * 0.5);
    vec3 color = mix(pal.backdrop, pal.gasB, b.g) * glow * 0.05 + pal.backdrop * band * 0.006;
    return color * (1.0 - 0.85 * lanes);
}

// Distant stars, infinitely far away like the backdrop. Counts rise steeply towards the faint
// end (a dust of faint stars, a few bright ones), they crowd along the band and in clumps and
// thin out in voids, and their colour runs from orange to blue-white. Each is drawn at least a
// pixel wide and the faint ones fade by brightness, not size, so a turning view never makes them
// flicker or pop.
float starDensity(vec3 ray) {
    float clumps = valueNoise3(ray * 3.2 + 7.0) * 0.6 + valueNoise3(ray * 9.0 + 3.0) * 0.4;
    float lanes = smoothstep(0.35, 0.75, valueNoise3(ray * 6.0 + 19.0));
    return clamp(0.08 + bandWeight(ray) * (0.7 - 0.45 * lanes) + (clumps - 0.42) * 2.2, 0.02, 1.0);
}

vec3 starTemperature(float t) {
    vec3 orange = vec3(1.0, 0.68, 0.42);
    vec3 white = vec3(1.0, 0.95, 0.9);
    vec3 blue = vec3(0.7, 0.8, 1.0);
    return t < 0.5 ? mix(orange, white, smoothstep(0.0, 0.5, t)) : mix(white, blue, smoothstep(0.5, 1.0, t));
}

vec3 starField(vec3 ray, float pixelAngle) {
    vec3 color = vec3(0.0);
    float density = starDensity(ray);
    for (int layer = 0; layer < 3; ++layer) {
        float fl = float(layer);
        float scale = layer == 0 ? 38.0 : layer == 1 ? 95.0 : 230.0;
        vec3 cell = floor(ray * scale);
        vec3 h = hash33(cell + fl * 17.0);
        // The sparse bright layer barely follows the clustering; the faint ones trace it closely.
        float keep = layer == 0 ? 0.3 + 0.4 * density : (layer == 1 ? density : density * (0.3 + 0.7 * density));
        if (h.x > keep) continue;
        vec3 center = cell + 0.15 + 0.7 * hash33(cell + fl * 5.0 + 41.0);
        float d = length(normalize(center) - ray);  // radians, nearly
        // A steep power law: most stars sit near the layer's floor, a rare few far above it.
        float floorFlux = layer == 0 ? 0.12 : layer == 1 ? 0.045 : 0.025;
        float flux = min(floorFlux * pow(max(h.y, 1e-3), layer == 0 ? -1.6 : -1.35), layer == 0 ? 4.0 : 0.6);
        float size = pixelAngle * (0.95 + 0.15 * sqrt(flux));
        float d2 = d * d / (size * size);
        float glow = exp(-d2) + 0.03 * flux * exp(-sqrt(d2) * 1.2);
        color += starTemperature(h.z) * flux * glow;
    }
    // The unresolved light of the countless stars too faint to draw.
    return color + vec3(0.9, 0.85, 0.8) * density * density * 0.006;
}

// Transmittance from the camera to distance `far` along `ray`: a short march, only run for the
// few pixels that show a star's core.
float transmittanceTo(vec3 origin, vec3 ray, float far) {
    const int STEPS = 12;
    float optical = 0.0;
    float stepLength = far / float(STEPS);
    for (int i = 0; i < STEPS; ++i) {
        float t = (float(i) + 0.5) * stepLength;
        Cloud cloud = sampleNebula(origin + ray * t, 100.0);
        optical += extinctionAt(cloud, t) * stepLength;
    }
    return exp(-optical);
}

// The young stars, found by walking the star cells along the ray: a sharp core, a soft glow and,
// for the bright ones, four thin diffraction spikes along the view's axes.
vec3 starCores(vec3 origin, vec3 ray, Palette pal, float pixelAngle) {
    vec3 color = vec3(0.0);
    vec3 safeRay = mix(ray, vec3(1e-5), lessThan(abs(ray), vec3(1e-5)));
    vec3 cell = floor(origin / STAR_CELL);
    vec3 stepDir = sign(safeRay);
    vec3 tMax = ((cell + max(stepDir, 0.0)) * STAR_CELL - origin) / safeRay;
    vec3 tDelta = abs(STAR_CELL / safeRay);
    vec3 right = uParams[2].xyz;
    vec3 up = uParams[3].xyz;
    for (int i = 0; i < 24; ++i) {
        vec4 star = cellStar(cell);
        if (star.w > 0.0) {
            vec3 toStar = star.xyz - origin;
            float along = dot(toStar, ray);
            if (along > 0.5) {
                vec3 off = (toStar - ray * along) / along;  // angular offset from the ray
                vec2 a = vec2(dot(off, right), dot(off, up)) / pixelAngle;  // in pixels
                float r2 = dot(a, a);
                float closeness = clamp(45.0 / along, 0.35, 2.5);
                float brightness = star.w * closeness * smoothstep(MARCH_FAR + 30.0, 90.0, along);
                float glow = exp(-r2 / 1.4) * 5.0 + 1.2 / (1.0 + r2 * 0.15) * 0.5 + 0.06 * exp(-sqrt(r2) / 18.0);
                vec2 s = abs(a);
                float spikes = (exp(-s.y * 1.4) * exp(-s.x / 9.0) + exp(-s.x * 1.4) * exp(-s.y / 9.0)) *
                               smoothstep(0.9, 2.0, brightness) * 0.7;
                float total = (glow + spikes) * brightness;
                if (total > 0.004) {
                    color += starTint(cell, pal) * total * transmittanceTo(origin, ray, along);
                }
            }
        }
        if (min(tMax.x, min(tMax.y, tMax.z)) > MARCH_FAR + 30.0) break;
        if (tMax.x <= tMax.y && tMax.x <= tMax.z) {
            cell.x += stepDir.x;
            tMax.x += tDelta.x;
        } else if (tMax.y <= tMax.z) {
            cell.y += stepDir.y;
            tMax.y += tDelta.y;
        } else {
            cell.z += stepDir.z;
            tMax.z += tDelta.z;
        }
    }
    return color;
}

void sceneFragment() {
    vec2 uv = sceneUV;
    float aspect = uResolution.x * uResolution.w;
    vec3 ray = viewRay(uv, aspect);
    Palette pal = palette();
    float pixelAngle = 2.0 / (FOCAL * uResolution.y);

    // A tent filter over the half-resolution layer softens the march's per-pixel jitter.
    vec2 texel = 0.5 / vec2(textureSize(layerTexture, 0));
    vec4 cloud = 0.25 * (texture(layerTexture, uv + texel) + texture(layerTexture, uv + vec2(-texel.x, texel.y)) +
                         texture(layerTexture, uv + vec2(texel.x, -texel.y)) + texture(layerTexture, uv - texel));
    vec3 behind = backdrop(ray, pal) + starField(ray, pixelAngle);
    vec3 color = behind * cloud.a + cloud.rgb + starCores(uParams[0].xyz, ray, pal, pixelAngle);

    // A gentle vignette draws the eye into the flight.
    vec2 centered = uv * 2.0 - 1.0;
    color *= 1.0 - 0.2 * dot(centered * vec2(0.7, 1.0), centered * vec2(0.7, 1.0));

    fragColor = vec4(encodeOutput(toneMapHue(color * 1.5, 3.0), gl_FragCoord.xy), 1.0);
}
#endif
