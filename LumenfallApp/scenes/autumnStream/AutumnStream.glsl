// Autumn Forest Stream: a brook running towards the eye between birches and maples in autumn.
//
// uParams[0] = parallax xy, display side offset (metres sideways along the bank), falling leaves
// (0 none ... 1 many).
//
// One pass. The forest is a stack of vertical planes across the view, each holding trunks and a
// canopy; the water and the banks are two horizontal planes, the stones flattened ellipsoids.
// The water mirrors the same planes. Sunlight reaching the floor through gaps in the canopy uses
// one gap pattern for the dapples and for the shafts in the air, so they agree. Every motion
// repeats a whole number of times per hour of uTime.x, so the hourly wrap never shows.

#ifdef FRAGMENT_STAGE

const float TAN_HALF_FOV = 0.56;
const float PITCH = -0.10;
const float EYE_HEIGHT = 1.55;
const float BANK_HEIGHT = 0.2;
const float HOUR = 3600.0;
const int TREE_PLANES = 7;
const float FLOW = 0.3;  // m/s; 0.3 * 3600 is a whole number of 1.5 m leaf cells

float hourPhase(float cyclesPerHour) {
    return uTime.x * (2.0 * PI * cyclesPerHour / HOUR);
}

float noise2(vec2 p) {
    vec2 i = floor(p);
    vec2 f = fract(p);
    vec2 u = f * f * (3.0 - 2.0 * f);
    return mix(mix(hash12(i), hash12(i + vec2(1, 0)), u.x), mix(hash12(i + vec2(0, 1)), hash12(i + vec2(1, 1)), u.x), u.y);
}

float fbm2(vec2 p, int octaves) {
    float sum = 0.0, amp = 0.5, norm = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * noise2(p);
        norm += amp;
        p = mat2(1.6, 1.2, -1.2, 1.6) * p + vec2(5.3, 1.7);
        amp *= 0.5;
    }
    return sum / norm;
}

// ---- the stream's course ------------------------------------------------------------------------

float streamX(float z) {
    return 0.9 * sin(z * 0.09 + 0.6) + 0.45 * sin(z * 0.21 + 2.0) - 0.55;
}

float streamHalfWidth(float z) {
    return 1.7 + 0.35 * sin(z * 0.15 + 1.0) - 0.012 * z;
}

// ---- light of the hour ----------------------------------------------------------------------------

struct Light {
    vec3 sunDir;
    vec3 sun;      // radiance from the sun, 0 once it is down
    vec3 moonDir;
    vec3 moon;
    vec3 ambient;  // sky light on an upward surface
    vec3 haze;     // the colour distance fades to
    float night;
};

Light hourLight() {
    Light l;
    l.sunDir = normalize(uSun.xyz);
    l.moonDir = normalize(uMoon.xyz);
    float e = uSky.z;
    float up = smoothstep(-1.5, 3.0, e);
    vec3 low = vec3(1.0, 0.5, 0.2);
    vec3 high = vec3(1.0, 0.93, 0.8);
    l.sun = mix(low, high, smoothstep(3.0, 35.0, e)) * 2.6 * up;
    float moonUp = smoothstep(-2.0, 6.0, degrees(asin(clamp(l.moonDir.y, -1.0, 1.0))));
    l.night = 1.0 - smoothstep(-12.0, -2.0, e);
    l.moon = vec3(0.5, 0.62, 0.95) * 0.4 * moonUp * (0.3 + 0.7 * uSky.w) * l.night;
    vec3 day = vec3(0.42, 0.5, 0.62) * 0.55;
    vec3 dusk = vec3(0.42, 0.3, 0.32) * 0.16;
    vec3 dark = vec3(0.03, 0.048, 0.1);
    l.ambient = mix(mix(dark, dusk, smoothstep(-12.0, -2.0, e)), day, smoothstep(-1.0, 15.0, e));
    // Under the canopy the daylight has bounced off orange leaves: the shade itself is warm.
    l.ambient *= mix(vec3(1.0), vec3(1.2, 0.98, 0.7), smoothstep(-2.0, 10.0, e));
    l.ambient += l.moon * 0.12;
    // The air glows with the light that is in it: gold in the afternoon, dim at dusk.
    vec3 tint = mix(vec3(1.0, 0.82, 0.62), vec3(0.9, 0.95, 1.0), smoothstep(10.0, 45.0, e));
    l.haze = tint * (l.ambient * 1.35 + l.sun * 0.15) + l.moon * 0.05;
    return l;
}

// Sunlight through the canopy at a point: 1 in a gap, 0 in full shade. The gap pattern lives on
// the canopy's underside, reached along the sun's direction.
float canopyGap(vec3 p, Light l) {
    float sy = max(l.sunDir.y, 0.08);
    vec2 q = p.xz + l.sunDir.xz * ((7.0 - p.y) / sy);
    float n = fbm2(q * 0.28 + vec2(3.1, 7.7), 3);
    // The canopy opens over the water.
    n += 0.22 * smoothstep(3.5, 0.5, abs(q.x - streamX(q.y)));
    return smoothstep(0.55, 0.68, n);
}

// ---- sky -----------------------------------------------------------------------------------------

vec3 skyColour(vec3 rd, Light l, bool full) {
    float h = max(rd.y, 0.0);
    float e = uSky.z;
    vec3 day = mix(vec3(0.62, 0.72, 0.86), vec3(0.2, 0.38, 0.78), pow(h, 0.6));
    vec3 dusk = mix(vec3(0.95, 0.55, 0.3), vec3(0.25, 0.25, 0.45), pow(h, 0.5)) * 0.5;
    vec3 dark = mix(vec3(0.05, 0.075, 0.15), vec3(0.015, 0.025, 0.065), pow(h, 0.5));
    vec3 c = mix(mix(dark, dusk, smoothstep(-12.0, -1.0, e)), day, smoothstep(2.0, 18.0, e));
    float cs = max(dot(rd, l.sunDir), 0.0);
    c += l.sun * (pow(cs, 8.0) * 0.25 + pow(cs, 90.0) * 0.8 + pow(cs, 2000.0) * 4.0);
    float cm = max(dot(rd, l.moonDir), 0.0);
    c += l.moon * (pow(cm, 20.0) * 0.4 + smoothstep(0.99985, 0.99993, cm) * 6.0);
    if (full && l.night > 0.3) {
        vec2 cell = floor(rd.xy / (rd.z - 1.2) * 260.0);
        float star = step(0.994, hash12(cell));
        c += vec3(0.8, 0.85, 1.0) * star * hash12(cell + 3.7) * 0.35 * l.night;
    }
    return c;
}

// ---- the forest ------------------------------------------------------------------------------------

vec3 autumnHue(float k) {
    vec3 red = vec3(0.55, 0.06, 0.025);
    vec3 orange = vec3(0.78, 0.26, 0.03);
    vec3 yellow = vec3(0.8, 0.56, 0.08);
    vec3 c = mix(red, orange, smoothstep(0.1, 0.45, k));
    return mix(c, yellow, smoothstep(0.5, 0.85, k));
}

float planeDepth(int k) {
    return 3.5 + float(k) * 4.2 + float(k * k) * 0.35;
}

// Trunk i of plane k's cells along x: its centre at the bank top and its radius; 0 radius for an
// empty cell or one that would stand in the water.
vec2 trunkOf(float c, int k) {
    float seed = float(k) * 17.13;
    float z = -planeDepth(k);
    float cellWidth = 2.1 + float(k) * 0.35;
    if (hash12(vec2(c, seed)) < 0.25) return vec2(0.0);
    float cx = (c + 0.2 + 0.6 * hash12(vec2(seed, c))) * cellWidth;
    if (abs(cx - streamX(z)) < streamHalfWidth(z) + 0.5) return vec2(0.0);
    return vec2(cx, 0.1 + 0.14 * hash11(c * 3.1 + seed));
}

// Weight of a noise octave of frequency `freq` (cycles per metre) where a pixel spans `px` metres:
// octaves finer than about two pixels fade out instead of shimmering.
float octaveFade(float freq, float px) {
    return 1.0 - smoothstep(0.2, 0.6, freq * px);
}

// Leaf-scale break-up of a crown: sprays, then single leaves. Each octave fades with distance;
// what it no longer resolves softens the outline a little (`blur`), never into a see-through veil.
float leafDetail(vec2 p, float seed, float px, out float blur) {
    const vec4 freq = vec4(1.9, 5.3, 13.0, 31.0);
    const vec4 amp = vec4(0.32, 0.26, 0.22, 0.18);
    float d = 0.0;
    blur = 0.02;
    for (int i = 0; i < 4; ++i) {
        float w = octaveFade(freq[i], px);
        blur += amp[i] * (1.0 - w) * 0.04;
        if (w <= 0.0) continue;
        // Each octave turned a little, so no grid axis survives.
        float a = float(i) * 1.1 + seed;
        vec2 q = mat2(cos(a), sin(a), -sin(a), cos(a)) * p * freq[i];
        d += (noise2(q + seed * 3.0) - 0.5) * amp[i] * w;
    }
    return d;
}

// Autumn colour by kind: birches go gold, maples orange to crimson.
vec3 crownHue(float k, float birch) {
    vec3 gold = mix(vec3(0.72, 0.52, 0.07), vec3(0.62, 0.6, 0.12), smoothstep(0.75, 1.0, k));
    return mix(autumnHue(k * 0.75), gold, birch);
}

// The colour and cover of tree plane k along a ray; `cheap` drops fine detail for reflections.
vec4 treePlane(vec3 ro, vec3 rd, int k, Light l, float pixel, bool cheap, out float t) {
    float z = -planeDepth(k);
    t = (z - ro.z) / rd.z;
    if (t <= 0.0) return vec4(0.0);
    vec3 p = ro + rd * t;
    float px = pixel * t;  // one pixel's width in metres on this plane
    float seed = float(k) * 17.13;
    float water = abs(p.x - streamX(z)) - streamHalfWidth(z);
    vec3 colour = vec3(0.0);
    float cover = 0.0;

    // Canopy: crowns built of leaf tufts, thinning over the water and towards the ground; the
    // farthest planes carry undergrowth down to the floor.
    float far = float(k) / float(TREE_PLANES - 1);
    // Each crown hangs lowest over its own trunk, so the canopy's underside is a row of domes,
    // not one level line.
    float cellWidth = 2.1 + float(k) * 0.35;
    float cell = floor(p.x / cellWidth);
    float nearTrunk = 0.0;
    // A crown takes the colour of the trunks it grows from, blended where crowns meet.
    vec2 birchWeight = vec2(0.5, 1.0) * 0.05;
    for (int i = -1; i <= 1; ++i) {
        vec2 trunk = trunkOf(cell + float(i), k);
        if (trunk.y <= 0.0) continue;
        float reach = exp(-pow((p.x - trunk.x) / (cellWidth * 0.45), 2.0));
        birchWeight += reach * vec2(step(hash12(vec2(cell + float(i), seed)), 0.55), 1.0);
        nearTrunk = max(nearTrunk, reach);
    }
    float crownBirch = smoothstep(0.2, 0.8, birchWeight.x / birchWeight.y);
    float base = mix(3.2, 1.0, far) + 1.4 * noise2(vec2(p.x * 0.35, seed)) + 0.9 * (1.0 - nearTrunk) + 0.5 * noise2(vec2(p.x * 1.7, seed + 3.0)) - 0.5;
    float crown = fbm2(p.xy * mix(0.5, 0.75, far) + seed, cheap ? 2 : 3);
    float mass = crown + 0.25 * smoothstep(base, base + 2.0, p.y) - 0.6 * smoothstep(base, base - 1.2, p.y);
    if (k < TREE_PLANES - 1) mass -= 0.4 * smoothstep(2.5, -1.5, water) * (1.0 - far * 0.4) * smoothstep(2.0, 7.0, p.y);
    if (k == TREE_PLANES - 1) {
        // The far wood closes the view, under a ragged line of young trees.
        float top = 3.6 + 1.6 * noise2(vec2(p.x * 0.45, 2.0)) + 0.6 * noise2(vec2(p.x * 2.1, 5.0));
        mass += 1.2 * smoothstep(top, top - 1.5, p.y);
    }
    if (mass > 0.36) {
        float blur;
        float detail = cheap ? 0.0 : leafDetail(p.xy, seed, px, blur);
        if (cheap) blur = 0.25;
        float leaves = mass + detail - 0.56;
        float coverage = smoothstep(-blur, blur, leaves);
        if (coverage > 0.0) {
            // How deep inside the foliage: the rims are thin and let light through, the middle
            // is dark with leaves shading leaves.
            float inner = smoothstep(0.0, 0.35, leaves);
            // The tops of sprays catch the light, their undersides fall into shade.
            float top = clamp(0.55 + detail * 3.0, 0.0, 1.0);
            float underside = smoothstep(base + 1.6, base - 0.2, p.y);
            float leafId = hash12(floor(p.xy * vec2(26.0, 30.0) + detail * 9.0) + seed);
            float leafScale = octaveFade(26.0, px);
            float hue = noise2(p.xy * 0.35 + seed * 0.37) * 0.7 + 0.3 * noise2(p.xy * 2.3 - seed);
            hue += (leafId - 0.5) * 0.35 * leafScale;
            vec3 albedo = crownHue(clamp(hue, 0.0, 1.0), crownBirch);
            // Sun on the foliage itself: patches where outer crowns let it in, more towards the
            // tops. (The floor's gap pattern seen edge-on would smear into horizontal bands.)
            float sunPatch = smoothstep(0.35, 0.7, noise2(p.xy * 0.5 + seed * 1.3) + 0.08 * (p.y - base));
            float sunlit = sunPatch * 0.75 + 0.25;
            float shade = mix(1.0, 0.55, inner) * mix(1.0, 0.8, underside * (1.0 - top)) * mix(0.7, 1.15, top);
            shade *= mix(1.0, 0.7 + 0.6 * leafId, leafScale);
            vec3 light = l.ambient * (0.55 + 0.25 * top) * mix(1.0, 0.65, inner) * mix(1.0, 0.8, underside);
            light += l.sun * sunlit * (0.12 + 0.5 * top) * shade;
            light += l.moon * (0.45 + 0.25 * top);
            colour = albedo * light;
            // Against the sun the leaves glow: light through a leaf comes out deeper in hue, and
            // strongest through the thin rims of the sprays.
            float through = pow(max(dot(rd, l.sunDir), 0.0), 4.0);
            vec3 transmitted = albedo * albedo * vec3(2.2, 1.9, 1.2);
            colour += transmitted * l.sun * sunlit * through * mix(0.9, 0.15, inner) * (1.0 - 0.6 * underside);
            cover = coverage;
        }
    }

    // Trunks: one per cell at most, kept off the water; each flares into roots where it meets
    // the bank.
    for (int i = -1; i <= 1; ++i) {
        float c = cell + float(i);
        vec2 trunk = trunkOf(c, k);
        if (trunk.y <= 0.0) continue;
        float hs = hash12(vec2(c, seed));
        float above = p.y - BANK_HEIGHT;
        float cx = trunk.x + above * (hash11(c + seed) - 0.5) * 0.06;  // a slight lean
        float flare = 1.0 + 1.3 * exp(-max(above, 0.0) * 5.0) * (0.8 + 0.4 * noise2(vec2(p.x * 12.0, c)));
        float radius = trunk.y * flare;
        float d = abs(p.x - cx);
        float on = smoothstep(radius + px, radius - px, d);
        if (on <= 0.0) continue;
        float s = clamp((p.x - cx) / radius, -1.0, 1.0);
        vec3 n = vec3(s, 0.0, sqrt(1.0 - s * s));
        bool birch = hs < 0.55;
        vec3 bark;
        if (birch) {
            // Short dark dashes across the white bark, and a darker foot.
            float marks = smoothstep(0.66, 0.74, noise2(vec2(s * 1.6 + c * 7.0, p.y * 14.0)));
            marks = max(marks, smoothstep(1.4, 0.6, above) * 0.7);
            bark = mix(vec3(0.72, 0.7, 0.64), vec3(0.05, 0.045, 0.04), marks);
        } else {
            float streak = noise2(vec2(s * 3.0 + c, p.y * 0.7));
            bark = vec3(0.13, 0.1, 0.08) * (0.7 + 0.6 * streak);
        }
        // Moss and damp darken the foot, where litter has piled against it.
        bark *= mix(0.45, 1.0, smoothstep(0.0, 0.5, above));
        float sunny = max(dot(n, l.sunDir), 0.0) * canopyGap(vec3(cx, p.y, z), l);
        float rim = pow(1.0 - n.z, 3.0) * pow(max(dot(rd, l.sunDir), 0.0), 2.0);
        vec3 light = l.ambient * (0.6 + 0.3 * n.z) + l.sun * (sunny * 0.8 + rim * 0.6) + l.moon * (0.3 + max(dot(n, l.moonDir), 0.0));
        vec3 trunkColour = bark * light;
        // In front of this plane's own leaves.
        colour = mix(colour, trunkColour, on);
        cover = max(cover, on);
    }
    // Distance hazes the far planes towards the light of the air.
    colour = mix(colour, l.haze, 1.0 - exp(-t * 0.016));
    return vec4(colour, cover);
}

// The forest and sky along a ray up to distance tMax: colour, and what fraction passes.
vec4 forest(vec3 ro, vec3 rd, float tMax, Light l, float pixel, bool cheap) {
    vec3 colour = vec3(0.0);
    float transmit = 1.0;
    for (int k = 0; k < TREE_PLANES; ++k) {
        if (cheap && (k & 1) == 1 && k < TREE_PLANES - 1) continue;
        float t;
        vec4 layer = treePlane(ro, rd, k, l, pixel, cheap, t);
        if (t > tMax) break;
        colour += transmit * layer.a * layer.rgb;
        transmit *= 1.0 - layer.a;
        if (transmit < 0.01) break;
    }
    return vec4(colour, transmit);
}

// ---- the stream's edges and stones --------------------------------------------------------------------

// How far a point lies outside the water, in metres (negative in the water). Each bank wanders
// on its own, so the stream never reads as a channel of even width.
float waterEdge(vec2 xz) {
    float dx = xz.x - streamX(xz.y);
    float side = dx < 0.0 ? 0.0 : 1.0;
    float wander = 0.5 * (noise2(vec2(xz.y * 0.45, side * 7.0)) - 0.5) + 0.16 * (noise2(vec2(xz.y * 1.9, side * 3.0 + 11.0)) - 0.5);
    return abs(dx) - streamHalfWidth(xz.y) - wander;
}

// 0 in mid-stream, 1 at the water's edge.
float acrossStream(vec2 xz) {
    return clamp(1.0 + waterEdge(xz) / streamHalfWidth(xz.y), 0.0, 1.0);
}

// Riffles: stretches where the bed rises and the surface breaks into small standing waves.
float riffle(float z) {
    return smoothstep(0.5, 0.78, noise2(vec2(z * 0.3, 4.0)));
}

const int STONES = 11;

// Centre (x relative to the stream, y, z) and radii of stone i: boulders of every size, most of
// their bulk under water.
void stone(int i, out vec3 centre, out vec3 radii) {
    float fi = float(i);
    float z = -3.6 - fi * 1.9 - fi * fi * 0.12;
    float side = (hash11(fi * 7.3) - 0.5) * 1.9 * streamHalfWidth(z);
    float size = 0.55 + 0.7 * hash11(fi + 12.4);
    centre = vec3(streamX(z) + side, -0.08 * size, z);
    radii = vec3(0.3 + 0.22 * hash11(fi + 2.1), 0.2 + 0.08 * hash11(fi + 5.7), 0.26 + 0.2 * hash11(fi + 9.2)) * size;
}

// A lone ellipsoid reads as a mushroom cap: each stone leans on a smaller one beside it.
void stonePart(int i, int part, out vec3 centre, out vec3 radii) {
    stone(i, centre, radii);
    if (part == 0) return;
    float fi = float(i);
    float side = hash11(fi + 31.7) < 0.5 ? -1.0 : 1.0;
    centre += vec3(side * radii.x * 0.9, 0.0, (hash11(fi + 17.3) - 0.3) * radii.z * 1.2);
    radii *= vec3(0.62, 0.85, 0.7);
}

// Nearest stone along a ray: distance, and the normal in `n`.
float hitStones(vec3 ro, vec3 rd, out vec3 n, out float which) {
    float best = 1e9;
    for (int j = 0; j < STONES * 2; ++j) {
        int i = j >> 1;
        vec3 c, r;
        stonePart(i, j & 1, c, r);
        vec3 o = (ro - c) / r;
        vec3 d = rd / r;
        float a = dot(d, d);
        float b = dot(o, d);
        float disc = b * b - a * (dot(o, o) - 1.0);
        if (disc < 0.0) continue;
        float t = (-b - sqrt(disc)) / a;
        if (t > 0.0 && t < best) {
            best = t;
            n = normalize((ro + rd * t - c) / (r * r));
            which = float(i);
        }
    }
    return best;
}

// How close a water point lies to a stone's waterline (0 far, 1 touching), for the foam.
float stoneWake(vec3 p) {
    float wake = 0.0;
    for (int i = 0; i < STONES; ++i) {
        vec3 c, r;
        stone(i, c, r);
        float waterline = r.x * sqrt(max(1.0 - c.y * c.y / (r.y * r.y), 0.0));
        vec2 q = (p.xz - c.xz) / vec2(1.0, r.z / r.x);
        // The current trails a wake downstream, towards the eye.
        q.y -= clamp(q.y, 0.0, 1.4) * 0.6;
        float d = length(q) - waterline;
        wake = max(wake, exp(-max(d, 0.0) * 9.0) * step(-0.05, d));
    }
    return wake;
}

// A smooth ellipsoid reads as a mushroom cap: knock its normal about into a worn, lumpy boulder.
vec3 lumpy(vec3 p, vec3 n, float which) {
    vec3 b = vec3(noise2(p.yz * 4.0 + which * 5.1), noise2(p.xz * 4.0 + which * 2.3), noise2(p.xy * 4.0 + which * 8.7));
    b += 0.5 * vec3(noise2(p.yz * 11.0 - which), noise2(p.xz * 11.0 + which), noise2(p.xy * 11.0 + which * 3.0));
    return normalize(n + (b - 0.75) * 0.6);
}

vec3 stoneColour(vec3 p, vec3 n, float which, vec3 rd, Light l) {
    n = lumpy(p, n, which);
    float grain = noise2(p.xz * 14.0 + which) * 0.5 + noise2(p.xy * 31.0 + which) * 0.5;
    vec3 rock = mix(vec3(0.24, 0.23, 0.21), vec3(0.4, 0.38, 0.34), hash11(which * 3.7)) * (0.8 + 0.4 * grain);
    // Lichen freckles the dry tops; some stones carry moss in patches, never as a cap.
    float lichen = smoothstep(0.7, 0.8, noise2(p.xz * 22.0 + which * 4.0)) * smoothstep(0.3, 0.7, n.y);
    rock = mix(rock, vec3(0.52, 0.5, 0.42), lichen * 0.45);
    // Moss grows on the tops the floods do not scour: thick on some stones, patchy on others.
    float mossy = hash11(which + 0.7);
    float moss = smoothstep(0.55, 0.75, noise2(p.xz * 5.0 + which * 3.0) * 0.6 + 0.55 * n.y + 0.3 * mossy - 0.25);
    moss *= smoothstep(0.04, 0.12, p.y) * step(0.35, mossy);
    rock = mix(rock, vec3(0.17, 0.24, 0.06) * (0.7 + 0.6 * grain), moss * 0.85);
    // Dark and wet a hand's width above the water, where the current splashes.
    float wet = 1.0 - smoothstep(0.02, 0.1 + 0.06 * noise2(p.xz * 9.0 + which), p.y);
    rock *= mix(1.0, 0.42, wet);
    // Faces tucked in near the water see less of the sky.
    float open = mix(0.45, 1.0, smoothstep(-0.02, 0.16, p.y));
    float gap = canopyGap(p, l);
    // Sky from above, light thrown back by the bright water from below, the sun where it reaches.
    vec3 light = (l.ambient * (0.75 + 0.45 * n.y) + l.moon * max(dot(n, l.moonDir), 0.0)) * open;
    light += l.ambient * 0.35 * max(-n.y, 0.0) + l.sun * max(dot(n, l.sunDir), 0.0) * gap;
    vec3 c = rock * light;
    // Against the low sun the rounded edges light up.
    float rim = pow(1.0 - max(dot(n, -rd), 0.0), 3.0) * pow(max(dot(rd, l.sunDir), 0.0), 2.0);
    c += l.sun * rim * 0.25 * (0.4 + 0.6 * gap);
    // The wet band mirrors the sky and shines where the sun finds it.
    vec3 h = normalize(l.sunDir - rd);
    c += (l.ambient * 0.12 * pow(1.0 - max(dot(n, -rd), 0.0), 2.0) + l.sun * gap * pow(max(dot(n, h), 0.0), 60.0) * 0.35) * wet;
    return c;
}

// ---- floor and water ---------------------------------------------------------------------------------

// Fallen leaves lying flat: one per cell of a jittered grid, turned every way, each its own size
// and pointed at both ends. x: cover, y: a random value for its colour, z: across the leaf from
// -1 to 1, for its curl.
vec3 fallenLeaf(vec2 q, float size, float seed, float px) {
    vec2 g = q / size;
    vec2 cell = floor(g);
    vec2 h = vec2(hash12(cell + seed), hash12(cell + seed + 3.3));
    float a = h.x * 6.28;
    float scale = 0.7 + 0.3 * fract(h.y * 13.0);
    // Centred within 0.4..0.6 and at most 0.38 long each way, so no leaf is cut by its cell.
    vec2 d = mat2(cos(a), sin(a), -sin(a), cos(a)) * (fract(g) - 0.4 - 0.2 * h) / scale;
    float shape = length(d / vec2(0.38, 0.21)) - 1.0 + 0.55 * abs(d.x) / 0.38;
    float aa = px / (size * scale) * 4.0 + 0.05;
    return vec3(smoothstep(aa, -aa, shape) * step(0.15, h.y), fract(h.y * 7.0), clamp(d.y / 0.21, -1.0, 1.0));
}

// How much of the sky a point on the bank loses to the nearest trunks: the dark ring at each foot.
float trunkShade(vec2 g) {
    float shade = 1.0;
    for (int k = 0; k < TREE_PLANES; ++k) {
        float dz = g.y + planeDepth(k);
        if (abs(dz) > 1.2) continue;
        float cellWidth = 2.1 + float(k) * 0.35;
        float cell = floor(g.x / cellWidth);
        for (int i = -1; i <= 1; ++i) {
            vec2 trunk = trunkOf(cell + float(i), k);
            if (trunk.y <= 0.0) continue;
            vec2 d = vec2(g.x - trunk.x, dz) / (trunk.y * 3.5);
            shade *= 1.0 - 0.6 * exp(-dot(d, d));
        }
    }
    return shade;
}

vec3 leafLitter(vec3 p, Light l, float px) {
    float big = fbm2(p.xz * 1.3, 3);
    // Beneath, older leaves gone brown; the patches of colour follow where each kind of tree shed.
    float fine = mix(noise2(p.xz * 11.0), 0.5, smoothstep(0.03, 0.12, px));  // no shimmer below a pixel
    vec3 albedo = mix(autumnHue(big) * 0.55, vec3(0.22, 0.13, 0.06), 0.3 + 0.4 * fine);
    float moss = smoothstep(0.64, 0.78, fbm2(p.xz * 0.5 + 9.0, 2));
    albedo = mix(albedo, vec3(0.1, 0.16, 0.04), moss * 0.6);
    // Whole leaves on top, overlapping in three layers, where they are big enough to see. Each
    // keeps close to the colour of its patch, so the floor reads as a carpet, not as dots.
    float sharp = 1.0 - smoothstep(0.008, 0.025, px);
    if (sharp > 0.0) {
        for (int layer = 0; layer < 3; ++layer) {
            float fl = float(layer);
            vec3 leaf = fallenLeaf(p.xz + fl * vec2(0.37, 0.19), 0.17 - fl * 0.03, fl * 19.0, px);
            float k = clamp(big + (leaf.y - 0.5) * 0.5, 0.0, 1.0);
            vec3 hue = mix(autumnHue(k), vec3(0.3, 0.17, 0.07), step(0.7, fract(leaf.y * 5.0)) * 0.7);
            hue *= (0.7 + 0.45 * leaf.y) * (0.8 + 0.2 * leaf.z);
            albedo = mix(albedo, hue, leaf.x * sharp * (1.0 - moss * 0.6));
        }
    }
    vec3 light = l.ambient + l.sun * (0.15 + max(l.sunDir.y, 0.0)) * canopyGap(p, l) * 1.8 + l.moon * max(l.moonDir.y, 0.0);
    return albedo * light * trunkShade(p.xz);
}

// Water surface height for the ripples, carried downstream by the current. Two copies half a
// cycle apart blend so the flowing pattern never has to jump back.
float rippleHeight(vec2 q, float phase, float seed) {
    vec2 flow = vec2(0.0, phase * 8.0 * FLOW);
    vec2 m = q - flow;
    // Wavelets across, and fine ribs drawn out along the current.
    return fbm2(m * vec2(4.2, 2.2) + seed, 2) + 0.35 * noise2(m * vec2(11.0, 1.8) + seed * 2.0);
}

// `gain` roughens the surface (riffles); ripples finer than a pixel flatten out instead of
// shimmering, and the caller dulls the mirror there instead.
vec3 waterNormal(vec3 p, float px, float gain) {
    float cyclePhase = fract(uTime.x / 8.0);  // 8 s cycles: 450 to the hour
    float strength = 0.022 * gain * (1.0 - smoothstep(0.02, 0.15, px));
    vec3 n = vec3(0.0, 1.0, 0.0);
    for (int j = 0; j < 2; ++j) {
        float ph = fract(cyclePhase + 0.5 * float(j));
        float w = 1.0 - abs(2.0 * ph - 1.0);
        float seed = float(j) * 13.7;
        float h0 = rippleHeight(p.xz, ph, seed);
        float hx = rippleHeight(p.xz + vec2(0.05, 0.0), ph, seed);
        float hz = rippleHeight(p.xz + vec2(0.0, 0.05), ph, seed);
        n.xz -= vec2(hx - h0, hz - h0) / 0.05 * strength * w;
    }
    return normalize(n);
}

// A point of the surface in the frame of the water carried down by the current.
vec2 onCurrent(vec3 p) {
    return vec2(p.x - streamX(p.z), p.z - uTime.x * FLOW);
}

// `gap`: the canopy's opening at p (canopyGap), which the caller has already.
vec3 floatingLeaves(vec3 p, Light l, float gap, float amount, float px, vec3 water, out float cover) {
    cover = 0.0;
    vec2 q = onCurrent(p);
    vec2 cell = floor(q / vec2(0.9, 1.5));
    vec2 local = q - (cell + 0.5) * vec2(0.9, 1.5);
    // An hour of current moves the cells by a whole number of rows: the same leaves come round.
    cell.y = mod(cell.y, HOUR * FLOW / 1.5);
    if (hash12(cell + 41.0) > amount * 0.6) return water;
    vec2 jitter = (vec2(hash12(cell), hash12(cell + 7.0)) - 0.5) * vec2(0.5, 1.0);
    float a = hash12(cell + 3.0) * 6.28 + 0.4 * sin(hourPhase(60.0) + hash12(cell + 9.0) * 6.28);  // slow turning in the current
    vec2 d = mat2(cos(a), sin(a), -sin(a), cos(a)) * (local - jitter);
    float shape = length(d / vec2(0.11, 0.065)) - 1.0 + 0.3 * abs(d.x) / 0.11;
    cover = smoothstep(0.2 + px * 10.0, -0.2 - px * 10.0, shape);
    vec3 albedo = autumnHue(hash12(cell + 5.0));
    vec3 leaf = albedo * (l.ambient + l.sun * max(l.sunDir.y, 0.0) * gap + l.moon * 0.5);
    return mix(water, leaf, cover);
}

// The stream's bed seen from above: silt and sand, dark weed in the slow middle, pebbles lying
// on it (more of them and bigger towards the banks), each with the dark gap of its own contact.
vec3 streamBed(vec2 q, float across, float px) {
    float silt = noise2(q * 1.7) * 0.6 + noise2(q * 5.0) * 0.4;
    vec3 bed = mix(vec3(0.11, 0.085, 0.05), vec3(0.32, 0.25, 0.14), silt);
    float weed = smoothstep(0.6, 0.8, noise2(q * 0.9 + 17.0)) * (1.0 - across);
    bed = mix(bed, vec3(0.07, 0.09, 0.035), weed * 0.7);
    float detail = octaveFade(3.5, px);
    if (detail > 0.0) {
        vec2 g = q * 3.5;
        vec2 cell = floor(g);
        float id = hash12(cell + 13.0);
        vec2 centre = vec2(hash12(cell + 1.0), hash12(cell + 2.0)) * 0.4 + 0.3;
        float radius = 0.22 + 0.16 * hash12(cell + 3.0) + 0.08 * across;
        float dist = length((fract(g) - centre) * vec2(1.0, 1.25)) / radius;
        float present = step(mix(0.6, 0.25, across), id) * detail;
        float dome = sqrt(max(1.0 - dist * dist, 0.0));
        // Close to the silt in tone: a carpet of pebbles, not dots on a floor.
        vec3 pebble = bed * mix(0.75, 1.35, fract(id * 7.3));
        pebble *= mix(vec3(1.0), vec3(0.85, 0.92, 1.0), step(0.75, fract(id * 13.0))) * (0.7 + 0.3 * dome);
        bed *= 1.0 - 0.2 * smoothstep(1.3, 1.0, dist) * present;
        bed = mix(bed, pebble, smoothstep(1.0, 0.75, dist) * present);
    }
    // Leaves that sank, lying where the current is slack.
    vec3 sunk = fallenLeaf(q + 0.61, 0.2, 53.0, px);
    return mix(bed, autumnHue(sunk.y) * 0.6, sunk.x * smoothstep(0.3, 0.85, across) * 0.7);
}

vec3 waterColour(vec3 ro, vec3 rd, vec3 p, float t, Light l, float pixel) {
    float px = pixel * t;
    float across = acrossStream(p.xz);
    float rough = riffle(p.z) * (1.0 - 0.5 * across);
    vec3 n = waterNormal(p, px, 1.0 + 2.5 * rough);
    float wake = stoneWake(p);
    // Slick and quick beside the stones.
    n = normalize(n + vec3(0.0, 0.0, 0.12) * wake * sin(p.z * 20.0 - hourPhase(900.0)));

    // The mirror image wavers less than the light on the bed: long ripples only.
    vec3 r = reflect(rd, normalize(mix(vec3(0.0, 1.0, 0.0), n, 0.6)));
    r.y = max(r.y, 0.02);
    vec4 mirrored = forest(p, r, 1e9, l, pixel * 1.5, true);
    // Seen from below, the crowns show their shaded undersides, and the air between holds the
    // glow of the light in it: the mirror is dark wood under a silvery-gold sheen, not foliage.
    vec3 reflection = mix(mirrored.rgb * 0.6, l.haze * 1.2, 0.2 * (1.0 - 0.7 * l.night)) + mirrored.a * skyColour(r, l, false);

    // Through the water: the bed, shallower by the banks and over the riffles.
    float depth = mix(0.5, 0.06, across * across) * mix(1.0, 0.6, rough);
    // Seen through the moving surface the bed wavers a little.
    vec2 bedPoint = p.xz + rd.xz / max(-rd.y, 0.2) * depth * 0.75 + n.xz * depth * 0.25;
    vec3 bed = streamBed(bedPoint, across, px);
    // The ripples gather sunlight into a moving net of bright lines on the bed.
    // Two ridged layers at an angle cross into a fine mesh instead of one wobbly loop.
    float net = (1.0 - abs(2.0 * noise2(bedPoint * 7.0 + n.xz * 4.0) - 1.0)) * (1.0 - abs(2.0 * noise2(mat2(0.8, 0.6, -0.6, 0.8) * bedPoint * 9.0 - n.xz * 3.0 + 5.0) - 1.0));
    float caustic = mix(1.0, 0.8 + 0.7 * smoothstep(0.45, 0.85, net), octaveFade(9.0, px));
    vec3 bedLight = l.ambient + l.sun * max(l.sunDir.y, 0.0) * canopyGap(vec3(bedPoint.x, 0.0, bedPoint.y), l) * 1.4 * caustic + l.moon * 0.15;
    // Forest water carries a little tannin: the deep middle goes olive-brown, never blue.
    float path = depth / max(-rd.y, 0.2);
    vec3 absorb = exp(-vec3(0.6, 0.7, 1.1) * path);
    vec3 below = bed * bedLight * absorb + vec3(0.035, 0.04, 0.02) * (l.ambient + l.moon * 0.3) * (1.0 - absorb.g);

    float cosI = clamp(dot(-rd, n), 0.0, 1.0);
    float fresnel = 0.02 + 0.98 * pow(1.0 - cosI, 5.0);
    // Ripples too fine to draw, and the broken water of riffles, scatter the mirror into a dimmer
    // sheen; over the shallows the pebbles break the surface too.
    fresnel *= mix(1.0, 0.6, max(smoothstep(0.03, 0.2, px), rough * 0.7));
    fresnel *= mix(1.0, 0.5, smoothstep(0.55, 0.95, across));
    vec3 c = mix(below, reflection, fresnel);
    // Sun glints where the canopy lets it through. Ripples too fine to draw spread the sun's image
    // into a wider, dimmer lobe (the same light over more surface), and the light breaks into
    // sparkles carried by the current: a glitter path, never a solid pale patch.
    vec3 h = normalize(l.sunDir - rd);
    float gap = canopyGap(p, l);
    float sharpness = mix(1200.0, 150.0, smoothstep(0.005, 0.08, px));
    float lobe = pow(max(dot(n, h), 0.0), sharpness) * sharpness / 1200.0;
    float glint = lobe * gap * (1.0 - across);
    // Most of the water is far from the sun's path: its sparkles are only worked out near it.
    if (glint > 1e-6) {
        vec2 g = onCurrent(p) * vec2(40.0, 16.0);
        float glitter = smoothstep(0.5, 0.95, noise2(g) * noise2(g * 1.9 + vec2(7.0, hourPhase(1800.0))) * 2.2);
        glitter = mix(0.3, glitter * 3.0, octaveFade(40.0, px));
        c += l.sun * min(lobe * glitter * 3.0, 1.5) * gap * (1.0 - across);
    }
    // Flecks of white water in the riffles and behind the stones, carried down by the current.
    float cyclePhase = fract(uTime.x / 8.0);
    float flecks = 0.0;
    for (int j = 0; j < 2; ++j) {
        float ph = fract(cyclePhase + 0.5 * float(j));
        vec2 m = vec2(p.x - streamX(p.z), p.z - ph * 8.0 * FLOW);
        flecks += (1.0 - abs(2.0 * ph - 1.0)) * smoothstep(0.62, 0.85, noise2(m * vec2(6.0, 3.5) + float(j) * 31.0));
    }
    float foam = clamp(wake * (0.45 + 0.55 * flecks) + rough * flecks * 0.55, 0.0, 1.0);
    foam *= 1.0 - 0.5 * smoothstep(0.01, 0.06, px);
    vec3 foamLight = l.ambient + l.sun * 0.35 * max(l.sunDir.y, 0.1) * gap + l.moon * 0.5;
    c = mix(c, vec3(0.7) * foamLight, foam * 0.6);
    // Pebbles break the surface along the edge: wet and dark, catching a little light on top.
    float stones = smoothstep(0.55, 0.75, noise2(p.xz * 11.0)) * smoothstep(0.85, 0.99, across) * (1.0 - smoothstep(0.02, 0.06, px));
    c = mix(c, vec3(0.09, 0.08, 0.065) * (l.ambient * 1.2 + l.sun * 0.3 * max(l.sunDir.y, 0.0) + l.moon * 0.3), stones * 0.7);
    float leafCover;
    return floatingLeaves(p, l, gap, uParams[0].w, px, c, leafCover);
}

// The bank between water and litter: dark wet mud at the water, drier and mossy further up, with
// clods, root ends and leaves blown onto its upper edge.
vec3 bankColour(vec3 p, Light l, float px) {
    float rise = clamp(waterEdge(p.xz) / 0.3, 0.0, 1.0);
    float clods = noise2(p.xz * vec2(14.0, 5.0)) * 0.6 + noise2(p.xz * 37.0) * 0.4;
    vec3 earth = mix(vec3(0.09, 0.065, 0.04), vec3(0.16, 0.11, 0.068), rise);
    earth *= 0.65 + 0.7 * mix(0.5, clods, octaveFade(37.0, px));
    earth = mix(earth, vec3(0.09, 0.13, 0.035), smoothstep(0.55, 0.75, noise2(p.xz * vec2(2.0, 6.0) + 3.0)) * rise * 0.8);
    // Root ends poke out of the face, pale where the water washed them.
    float root = smoothstep(0.8, 0.9, noise2(vec2(p.z * 9.0, p.x * 30.0))) * octaveFade(9.0, px);
    earth = mix(earth, vec3(0.2, 0.14, 0.09), root * 0.7);
    vec3 leaf = fallenLeaf(p.xz, 0.13, 7.0, px);
    earth = mix(earth, autumnHue(leaf.y) * 0.45, leaf.x * smoothstep(0.3, 0.9, rise) * 0.8);
    // The face slopes up from the water: it gets less sky than the floor, but the sun still finds it.
    vec3 light = l.ambient * mix(0.7, 0.95, rise) + l.moon * 0.3 + l.sun * mix(0.3, 0.8, rise) * max(l.sunDir.y, 0.0) * canopyGap(p, l);
    return earth * light;
}

// ---- falling leaves ------------------------------------------------------------------------------------

vec3 fallingLeaves(vec2 uv, vec3 colour, Light l, float amount) {
    float aspect = uResolution.x * uResolution.w;
    for (int layer = 0; layer < 3; ++layer) {
        float fl = float(layer);
        float size = 0.11 - fl * 0.025;  // screen heights per cell
        // Cells per second, each a whole number of cells per hour.
        float cellsPerHour = floor((0.10 - fl * 0.02) / size * HOUR);
        float fall = cellsPerHour / HOUR;
        vec2 q = vec2(uv.x * aspect, uv.y) / size + vec2(fl * 3.3, 0.0);
        float column = floor(q.x);
        q.y += uTime.x * fall + hash11(column + fl * 11.0) * 9.0;
        vec2 cell = floor(q);
        vec2 local = fract(q) - 0.5;
        cell.y = mod(cell.y, cellsPerHour);  // the hour wrap brings back the same leaves
        if (hash12(cell + fl * 31.0) > amount * 0.13) continue;
        float sway = sin(hourPhase(900.0 - fl * 180.0) + hash12(cell) * 6.28);
        local.x -= sway * 0.22 + (hash12(cell + 2.0) - 0.5) * 0.4;
        float a = hourPhase(600.0 + fl * 120.0) * (hash12(cell + 4.0) > 0.5 ? 1.0 : -1.0) + hash12(cell + 5.0) * 6.28;
        vec2 d = mat2(cos(a), sin(a), -sin(a), cos(a)) * local;
        // Tumbling: the leaf shows its edge as it turns.
        float flip = 0.35 + 0.65 * abs(sin(a * 0.5 + hash12(cell + 6.0) * 3.0));
        float shape = length(d / vec2(0.16, 0.09 * flip)) - 1.0;
        float blur = 0.12 + 1.5 / (uResolution.y * size);
        float cover = smoothstep(blur, -blur, shape) * (0.85 - fl * 0.15);
        if (cover <= 0.0) continue;
        vec3 albedo = autumnHue(hash12(cell + 8.0));
        vec3 leaf = albedo * (l.ambient * 0.9 + l.sun * 0.45 * (0.6 + 0.4 * flip) + l.moon * 0.5);
        leaf = mix(leaf, l.haze, fl * 0.15);
        colour = mix(colour, leaf, cover);
    }
    return colour;
}

// ---- shafts of light -----------------------------------------------------------------------------------

vec3 lightShafts(vec3 ro, vec3 rd, float tEnd, Light l) {
    if (l.sun.r <= 0.0) return vec3(0.0);
    float reach = min(tEnd, 24.0);
    float jitter = interleavedGradient(gl_FragCoord.xy);
    float sum = 0.0;
    const int STEPS = 8;
    for (int i = 0; i < STEPS; ++i) {
        float s = (float(i) + jitter) / float(STEPS) * reach;
        vec3 p = ro + rd * s;
        sum += canopyGap(vec3(p.x, min(p.y, 6.5), p.z), l);
    }
    float phase = 0.08 + 1.6 * pow(max(dot(rd, l.sunDir), 0.0), 8.0);
    return l.sun * sum / float(STEPS) * reach * 0.0018 * phase;
}

// ---- the frame ---------------------------------------------------------------------------------------

void sceneFragment() {
    Light l = hourLight();
    float aspect = uResolution.x * uResolution.w;
    vec2 ndc = sceneUV * 2.0 - 1.0;
    vec3 ro = vec3(uParams[0].z + 0.25 * uParams[0].x, EYE_HEIGHT + 0.08 * uParams[0].y, 0.0);
    vec3 rd = normalize(vec3(ndc.x * aspect * TAN_HALF_FOV, ndc.y * TAN_HALF_FOV, -1.0));
    float cp = cos(PITCH), sp = sin(PITCH);
    rd = vec3(rd.x, rd.y * cp - rd.z * sp, rd.y * sp + rd.z * cp);
    float pixel = 2.0 * TAN_HALF_FOV / uResolution.y;

    // The floor: the water's surface, or the bank top beside it, or the bank's cut face.
    float tGround = 1e9;
    vec3 ground = vec3(0.0);
    if (rd.y < 0.0) {
        float tBank = (BANK_HEIGHT - ro.y) / rd.y;
        vec3 pb = ro + rd * tBank;
        float edgeB = waterEdge(pb.xz) - 0.08 - 0.27 * noise2(pb.xz * 1.5);
        float tWater = -ro.y / rd.y;
        vec3 pw = ro + rd * tWater;
        float edgeW = waterEdge(pw.xz);
        if (edgeB > 0.0) {
            tGround = tBank;
            ground = leafLitter(pb, l, pixel * tBank);
        } else if (edgeW < 0.0) {
            tGround = tWater;
            ground = waterColour(ro, rd, pw, tWater, l, pixel);
        } else {
            tGround = tWater;
            ground = bankColour(pw, l, pixel * tWater);
        }
        if ((ro + rd * tGround).z < -planeDepth(TREE_PLANES - 1)) tGround = 1e9;  // behind the far wood
        vec3 sn;
        float which;
        float tStone = hitStones(ro, rd, sn, which);
        if (tStone < tGround) {
            tGround = tStone;
            ground = stoneColour(ro + rd * tStone, sn, which, rd, l);
        }
        ground = mix(ground, l.haze, 1.0 - exp(-tGround * 0.022));
    }

    vec4 trees = forest(ro, rd, tGround, l, pixel, false);
    vec3 behind = tGround < 1e8 ? ground : skyColour(rd, l, true);
    vec3 colour = trees.rgb + trees.a * behind;
    colour += lightShafts(ro, rd, tGround, l);
    colour = fallingLeaves(sceneUV, colour, l, uParams[0].w);

    vec2 c = sceneUV * 2.0 - 1.0;
    colour *= 1.0 - 0.2 * dot(c * vec2(0.7, 1.0), c * vec2(0.7, 1.0));
    // The eye opens up in the dark: a moonlit wood reads in blues, never as black.
    colour *= 1.0 + 0.8 * l.night;
    // By moonlight colours fade towards blue-grey.
    colour = mix(colour, luminance(colour) * vec3(0.65, 0.8, 1.15), 0.55 * l.night);
    fragColor = vec4(encodeOutput(toneMapHue(colour, 4.0), gl_FragCoord.xy), 1.0);
}

#endif
