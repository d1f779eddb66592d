// Zen Koi Pond: a garden pond seen from above.
//
// uParams[0] = season (0 spring, 1 summer, 2 autumn, 3 winter), rain (0...1), 1 on odd displays,
// pond time mod 3600.
// uData[0] = fish count, ripple count; then per fish (length, pattern, wag, depth) and its eight
// bent spine points two a vector, head first; then per ripple (x, y, age, strength).
//
// Pond space: x across [-aspect, aspect], y up [-1, 1], z up out of the water. The eye hangs above
// the middle, so glints move across the surface as the ripples tilt it. Everything that drifts on
// its own repeats a whole number of times per hour of pond time, so the hourly wrap never shows.

#ifdef FRAGMENT_STAGE

const float HOUR = 3600.0;
const int FISH_VECTORS = 5;
const vec3 ABSORB = vec3(1.35, 0.52, 0.42);  // per unit of water: red goes first

struct Light {
    vec3 key;      // sun or moon, whichever rules, as it reaches the water
    vec3 dir;      // towards it, pond space
    vec3 ambient;  // sky light from the whole dome
    vec3 skyTop;   // the sky straight up, for reflections
    vec3 skyLow;   // the sky near the trees
    vec3 moonKey;  // moonlight alone, for silver glints at night
    vec3 moonDir;
    float day;
    float night;
};

float pondTime() {
    return uParams[0].w;
}

float hourWave(float cyclesPerHour, float phase) {
    return sin(pondTime() * (2.0 * PI * cyclesPerHour / HOUR) + phase);
}

const mat2 OCTAVE = mat2(1.62, 1.18, -1.18, 1.62);

// Gradient noise around 0.5: smoother than value noise, with no square cells to give it away.
float smoothNoise(vec2 p) {
    vec2 i = floor(p);
    vec2 f = fract(p);
    vec2 u = f * f * f * (f * (f * 6.0 - 15.0) + 10.0);
    vec2 g00 = hash33(vec3(i, 1.7)).xy * 2.0 - 1.0;
    vec2 g10 = hash33(vec3(i + vec2(1.0, 0.0), 1.7)).xy * 2.0 - 1.0;
    vec2 g01 = hash33(vec3(i + vec2(0.0, 1.0), 1.7)).xy * 2.0 - 1.0;
    vec2 g11 = hash33(vec3(i + 1.0, 1.7)).xy * 2.0 - 1.0;
    float lower = mix(dot(g00, f), dot(g10, f - vec2(1.0, 0.0)), u.x);
    float upper = mix(dot(g01, f - vec2(0.0, 1.0)), dot(g11, f - 1.0), u.x);
    return clamp(0.5 + 0.75 * mix(lower, upper, u.y), 0.0, 1.0);
}

// Octaves at double the frequency and half the weight, turned so their grids never line up.
float layeredNoise(vec2 p, int octaves) {
    float total = 0.0;
    float weight = 1.0;
    for (int i = 0; i < octaves; ++i, weight *= 0.5, p = OCTAVE * p + 7.3) total += weight * smoothNoise(p);
    return total / (2.0 - 2.0 * weight);
}

mat2 turn(float a) {
    float c = cos(a), s = sin(a);
    return mat2(c, s, -s, c);
}

// ---- light ---------------------------------------------------------------------------------

Light pondLight() {
    Light l;
    float e = uSky.z;
    float cloud = uWeather.x;
    vec3 sunDir = normalize(vec3(uSun.x, -uSun.z, uSun.y));
    vec3 moonDir = normalize(vec3(uMoon.x, -uMoon.z, uMoon.y));
    float sunUp = smoothstep(-1.0, 4.0, e);
    vec3 sunColour = mix(vec3(1.0, 0.52, 0.24), vec3(1.0, 0.95, 0.86), smoothstep(4.0, 35.0, e));
    vec3 sun = sunColour * 2.4 * sunUp * (1.0 - 0.72 * cloud);
    float night = 1.0 - smoothstep(-10.0, -1.0, e);
    float moonUp = smoothstep(-2.0, 8.0, degrees(asin(clamp(moonDir.z, -1.0, 1.0))));
    l.moonKey = vec3(0.6, 0.7, 0.95) * 0.42 * moonUp * (0.25 + 0.75 * uSky.w) * night * (1.0 - 0.6 * cloud);
    l.moonDir = moonDir;
    l.day = uSky.y;
    l.night = night;
    bool sunRules = luminance(sun) > luminance(l.moonKey);
    l.key = sunRules ? sun : l.moonKey;
    l.dir = sunRules ? sunDir : moonDir;
    vec3 dayAmbient = mix(vec3(0.36, 0.48, 0.66), vec3(0.5, 0.52, 0.55), cloud) * 0.5;
    vec3 dusk = vec3(0.4, 0.28, 0.3) * 0.14;
    vec3 dark = vec3(0.036, 0.054, 0.1);
    l.ambient = mix(mix(dark, dusk, smoothstep(-12.0, -2.0, e)), dayAmbient, smoothstep(-1.0, 14.0, e));
    l.ambient += l.moonKey * 0.15;
    l.skyTop = mix(l.ambient * vec3(0.7, 0.95, 1.5), vec3(0.55, 0.58, 0.62) * l.day, cloud * 0.7);
    l.skyLow = l.ambient * mix(vec3(1.3, 1.1, 0.95), vec3(1.0), l.day) + sun * 0.06;
    return l;
}

// ---- the surface ---------------------------------------------------------------------------

// Rings spread from each ripple: a short wave train whose slope bends the view of the bed.
vec2 rippleSlope(vec2 p) {
    vec2 slope = vec2(0.0);
    int count = int(uData[0].y);
    int first = 1 + int(uData[0].x) * FISH_VECTORS;
    for (int j = 0; j < count; ++j) {
        vec4 r = uData[first + j];
        float age = r.z;
        vec2 d = p - r.xy;
        float dist = length(d);
        float radius = 0.05 + age * 0.21;
        float width = 0.02 + 0.014 * age;
        float x = dist - radius;
        if (abs(x) > 3.0 * width) continue;
        float fade = r.w * exp(-0.65 * age) / (1.0 + 5.0 * radius) * smoothstep(0.0, 0.25, age);
        float packet = exp(-x * x / (2.0 * width * width));
        float k = 95.0 / (1.0 + 0.35 * age);
        slope += d / max(dist, 1e-4) * fade * packet * sin(x * k) * 0.4;
    }
    return slope;
}

// Little drops all over the water when it rains: one ring per cell at a time.
vec2 rainSlope(vec2 p, float rain) {
    if (rain <= 0.0) return vec2(0.0);
    vec2 slope = vec2(0.0);
    for (int layer = 0; layer < 2; ++layer) {
        vec2 q = p * (7.0 + 3.0 * float(layer)) + float(layer) * 17.3;
        vec2 cell = floor(q);
        float h = hash12(cell);
        float period = HOUR / floor(HOUR / (1.1 + h));
        float phase = pondTime() / period + hash12(cell + 5.1);
        float age = fract(phase) * period;
        vec2 centre = cell + 0.25 + 0.5 * hash33(vec3(cell, floor(phase))).xy;
        if (hash12(cell + floor(phase) * 1.7) > rain) continue;
        vec2 d = q - centre;
        float dist = length(d);
        float x = dist - age * 0.9;
        float packet = exp(-x * x * 60.0) * exp(-2.8 * age);
        slope += d / max(dist, 1e-4) * packet * sin(x * 40.0) * 0.18;
    }
    return slope;
}

// Breeze on the water: a few long, slow swells, calm enough to read the bed through.
vec2 breezeSlope(vec2 p) {
    vec2 s = vec2(0.0);
    s += vec2(0.8, 0.6) * hourWave(344.0, 7.0 * dot(p, vec2(0.8, 0.6)));
    s += vec2(-0.5, 0.86) * hourWave(-430.0, 9.0 * dot(p, vec2(-0.5, 0.86)) + 1.3);
    s += vec2(0.96, -0.28) * hourWave(516.0, 12.0 * dot(p, vec2(0.96, -0.28)) + 2.1);
    return s * 0.0045 * (0.5 + uWeather.w * 0.08);
}

// ---- the bed -------------------------------------------------------------------------------

// How deep the water is: shallow towards the banks, deepest in the middle.
float bedDepth(vec2 p, float aspect) {
    vec2 edge = vec2(aspect, 1.0) - abs(p);
    float toBank = min(edge.x, edge.y);
    return mix(0.35, 1.25, smoothstep(0.0, 0.75, toBank)) + 0.15 * (layeredNoise(p * 1.3, 2) - 0.5);
}

// The stone of a packed bed around q (in cells): (gap to the next stone, 0 on the crevice; id),
// and how its centre lies from q, for rounding it.
vec3 stoneCell(vec2 q, out vec2 fromCentre) {
    vec2 cell = floor(q);
    float best = 9.0, second = 9.0;
    vec2 bestCell = cell;
    fromCentre = vec2(0.0);
    for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i) {
            vec2 c = cell + vec2(i, j);
            vec3 h = hash33(vec3(c, 11.0));
            vec2 centre = c + 0.15 + 0.7 * h.xy;
            // Weighted by size, so big and small stones lie side by side.
            float dist = length(q - centre) * (1.25 - 0.5 * h.z);
            if (dist < best) {
                bestCell = c;
                fromCentre = q - centre;
            }
            second = min(second, max(best, dist));
            best = min(best, dist);
        }
    }
    return vec3(second - best, hash12(bestCell + 0.37), hash12(bestCell + 5.9));
}

// A network of light the surface focuses onto the bed: bright where wandering cells meet.
float causticLayer(vec2 q, float speed) {
    vec2 cell = floor(q);
    float best = 9.0, second = 9.0;
    for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i) {
            vec2 c = cell + vec2(i, j);
            vec3 h = hash33(vec3(c, 3.0));
            float a = pondTime() * (2.0 * PI * floor(20.0 + 24.0 * h.z) * speed / HOUR) + h.x * 6.28;
            vec2 centre = c + 0.5 + 0.36 * vec2(cos(a), sin(a * 0.9 + h.y * 6.28));
            float dist = length(q - centre);
            second = min(second, max(best, dist));
            best = min(best, dist);
        }
    }
    float gap = second - best;
    return exp(-gap * 9.0);
}

float caustics(vec2 p) {
    float a = causticLayer(p * 5.5, 1.0);
    float b = causticLayer(p * 8.3 + 4.7, 1.0);
    return pow(a * 0.6 + b * 0.4, 2.2) * 2.2 + 0.08;
}

struct Stones {
    vec3 tint;
    float cover;
    float hollow;  // silt gathered dark between them
    float facing;  // how their domes turn to the light
};

// One size of round stones, packed shoulder to shoulder where `shallow` says, each an egg of its
// own shape, lie and colour.
Stones stoneLayer(vec2 sp, float scale, float shallow, float patchy, float depth, Light l, float pixel) {
    vec2 fromCentre;
    vec3 st = stoneCell(sp * scale, fromCentre);
    float present = step(st.y, 0.15 + 0.8 * shallow + 0.35 * (patchy - 0.5));
    float radius = 0.36 + 0.12 * st.z;
    float soft = pixel * scale * 1.2;
    vec2 egg = turn(st.z * 31.0) * fromCentre * vec2(1.0, 1.1 + 0.5 * fract(st.z * 13.0));
    float round_ = length(egg) / radius;
    Stones s;
    s.cover = present * smoothstep(1.0 + soft, 1.0 - soft, round_) * smoothstep(0.0, 0.05 + soft, st.x);
    vec3 tint = mix(vec3(0.3, 0.29, 0.27), vec3(0.36, 0.28, 0.2), st.z);
    tint = mix(tint, vec3(0.2, 0.2, 0.19), step(0.75, fract(st.z * 7.3)));
    tint = mix(tint, vec3(0.44, 0.36, 0.26), step(0.88, fract(st.z * 3.1)));
    vec3 n = normalize(vec3(fromCentre / radius * 0.8, sqrt(max(1.0 - round_ * round_, 0.05))));
    s.facing = clamp(dot(n, normalize(vec3(l.dir.xy, max(l.dir.z, 0.2)))), 0.0, 1.0);
    tint *= 0.85 + 0.3 * smoothNoise(sp * scale * 4.0);
    // Algae greens the stones in deeper water.
    s.tint = mix(tint, vec3(0.09, 0.13, 0.05), 0.55 * smoothstep(0.55, 1.1, depth) * smoothstep(0.3, 0.7, patchy));
    s.hollow = present * smoothstep(1.5, 1.0, round_) * (1.0 - s.cover);
    return s;
}

// The bed as lit through the water, before the water's own colour; `light` is how the key light
// falls on its bumps (0 facing away ... 1 facing it).
vec3 bedColour(vec2 p, float depth, Light l, float season, float decor, float pixel, out float light) {
    vec2 sp = p + vec2(decor * 13.7, decor * 5.1);
    float silt = layeredNoise(sp * 3.0, 4);
    vec3 colour = mix(vec3(0.1, 0.085, 0.055), vec3(0.19, 0.16, 0.1), silt);
    colour *= 0.85 + 0.3 * smoothNoise(sp * 26.0);
    light = 0.6;

    // Gravel in some stretches, larger cobbles in others; both thin out over the silt of the deep.
    float shallow = smoothstep(1.15, 0.55, depth);
    float patchy = layeredNoise(sp * 2.2 + 17.0, 2);
    float coarse = smoothstep(0.42, 0.58, layeredNoise(sp * 0.9 + 40.0, 2));
    Stones stones = Stones(vec3(0.0), 0.0, 0.0, 0.0);
    if (coarse < 1.0) stones = stoneLayer(sp, 17.0, shallow, patchy, depth, l, pixel);
    if (coarse > 0.0) {
        Stones big = stoneLayer(sp + 3.7, 8.5, shallow + 0.1, patchy, depth, l, pixel);
        stones = Stones(mix(stones.tint, big.tint, coarse), mix(stones.cover, big.cover, coarse),
                        mix(stones.hollow, big.hollow, coarse), mix(stones.facing, big.facing, coarse));
    }
    colour = mix(colour * (1.0 - 0.3 * stones.hollow), stones.tint, stones.cover);
    light = mix(light, stones.facing, stones.cover);

    // Weed in clumps, strands combed one way and swaying a little.
    float clump = smoothstep(0.56, 0.72, layeredNoise(sp * 1.5 + 31.0, 3)) * (0.4 + 0.6 * smoothstep(0.5, 1.0, depth));
    if (clump > 0.0) {
        float sway = 0.06 * hourWave(90.0, sp.x * 2.0);
        vec2 w = turn(0.6 + 0.9 * smoothNoise(sp * 1.7) + sway) * sp;
        float strand = smoothNoise(vec2(w.x * 75.0, w.y * 5.0));
        strand = smoothstep(0.45, 0.8, strand) * clump;
        vec3 weed = mix(vec3(0.025, 0.07, 0.02), vec3(0.13, 0.24, 0.05), strand);
        float cover = clamp(clump * 0.55 + strand * 0.5, 0.0, 1.0);
        colour = mix(colour, weed, cover);
        light = mix(light, 0.5 + 0.5 * strand, cover);
    }
    // Winter leaves a brown, bare bed.
    if (season > 2.5) colour = mix(colour, vec3(luminance(colour)) * vec3(1.05, 0.95, 0.85), 0.4);
    return colour;
}

// ---- koi -----------------------------------------------------------------------------------

struct FishHit {
    float cover;  // 0...1
    vec3 colour;  // lit, before the water over it
    float depth;
};

vec2 spinePoint(int fish, int k) {
    vec4 v = uData[1 + fish * FISH_VECTORS + 1 + k / 2];
    return (k % 2 == 0) ? v.xy : v.zw;
}

// Point j (0...13) of the spine with its corners cut twice, so a tight turn bends smoothly
// instead of folding at the links.
vec2 smoothSpinePoint(int fish, int j) {
    if (j == 0) return spinePoint(fish, 0);
    if (j == 13) return spinePoint(fish, 7);
    int k = j / 2;
    vec2 a = spinePoint(fish, k), b = spinePoint(fish, k + 1);
    return (j % 2 == 1) ? mix(a, b, 0.75) : mix(a, b, 0.25);
}

// Where q lies along the spine: (distance, fraction of the length from head 0 to tail 1, signed
// side).
vec3 alongSpine(vec2 q, int fish) {
    float best = 9.0, at = 0.0, side = 0.0, walked = 0.0;
    vec2 a = smoothSpinePoint(fish, 0);
    for (int j = 1; j < 14; ++j) {
        vec2 b = smoothSpinePoint(fish, j);
        vec2 ba = b - a;
        float span = length(ba);
        float h = clamp(dot(q - a, ba) / max(span * span, 1e-8), 0.0, 1.0);
        vec2 off = q - a - ba * h;
        float d = length(off);
        if (d < best) {
            best = d;
            at = walked + h * span;
            side = sign(ba.x * off.y - ba.y * off.x);
        }
        walked += span;
        a = b;
    }
    return vec3(best, at / max(walked, 1e-5), side);
}

// Half width of the body, in body lengths: a rounded head, the widest point behind it and a
// slim tail root.
float bodyWidth(float t) {
    float head = 0.05 + 0.062 * sqrt(max(1.0 - pow(1.0 - clamp(t / 0.32, 0.0, 1.0), 2.0), 0.0));
    return t < 0.32 ? head : 0.112 - 0.086 * smoothstep(0.32, 1.0, t);
}

// Coverage of the body and fins of one fish at q; `body` returns its coordinates.
float fishShape(vec2 q, int fish, float len, float wag, float soft, out vec3 body, out float finOnly, out float rays) {
    body = alongSpine(q, fish);
    float w = bodyWidth(body.y) * len;
    float shape = smoothstep(w + soft, w - soft, body.x);
    finOnly = 0.0;

    // Tail: a forked fan beyond the last point, swinging with the wave.
    vec2 p6 = spinePoint(fish, 6), p7 = spinePoint(fish, 7);
    vec2 back = normalize(p7 - p6 + 1e-6);
    back = turn(0.35 * sin(wag - 7.0)) * back;
    vec2 rel = q - p7;
    float u = dot(rel, back) / len;
    float v = (back.x * rel.y - back.y * rel.x) / len;
    float spread = 0.016 + 0.52 * max(u, 0.0);
    float fork = 0.15 + 0.08 * abs(v) / max(spread, 1e-3);
    float tail = smoothstep(-0.02, 0.01, u) * smoothstep(spread + soft / len, spread - soft / len, abs(v)) *
                 smoothstep(fork + 0.02, fork - 0.02, u);
    // Clearer towards the trailing edge, with rays fanning from the root.
    finOnly = tail * (0.75 - 0.35 * smoothstep(0.05, 0.2, u));
    rays = abs(sin(atan(v, u + 0.04) * 13.0));

    // Pectoral and pelvic fins: broad paddles behind the head, sweeping with a slow beat.
    for (int f = 0; f < 2; ++f) {
        float at = f == 0 ? 1.5 : 3.5;
        int k = int(at);
        vec2 a = spinePoint(fish, k), b = spinePoint(fish, k + 1);
        vec2 fwd = normalize(a - b + 1e-6);
        vec2 base = mix(a, b, fract(at));
        vec2 sideDir = vec2(-fwd.y, fwd.x);
        float flap = 0.25 * sin(wag * 0.35 + float(f) * 1.7);
        for (int s = -1; s <= 1; s += 2) {
            float fs = float(s);
            vec2 root = base + sideDir * fs * bodyWidth(fract(at) * 0.14 + float(k) / 7.0) * len * 0.8;
            vec2 axis = normalize(-fwd + sideDir * fs * (f == 0 ? 1.1 + flap : 0.7 + flap * 0.5));
            vec2 fr = q - root;
            float fu = dot(fr, axis) / len;
            float fv = (axis.x * fr.y - axis.y * fr.x) / len;
            float finLen = f == 0 ? 0.2 : 0.1;
            float finWide = f == 0 ? 0.06 : 0.035;
            float e = (fu - finLen * 0.5) / (finLen * 0.5);
            float r = e * e + pow(fv / (finWide * (0.6 + 0.4 * (1.0 - e))), 2.0);
            float fin = smoothstep(1.0 + soft * 12.0 / len, 1.0 - soft * 12.0 / len, r) * (0.7 - 0.3 * max(e, 0.0));
            if (fin > finOnly) {
                finOnly = fin;
                rays = abs(sin(atan(fv, fu + 0.02) * 9.0));
            }
        }
    }
    finOnly *= 1.0 - shape;
    return max(shape, finOnly);
}

// Patches by pattern: 0 kohaku, 1 showa, 2 sanke, 3 ogon, 4 asagi, 5 tancho.
vec3 koiSkin(int pattern, vec2 b, float seed, float detail, out float metal) {
    const vec3 white = vec3(0.86, 0.84, 0.78);
    const vec3 red = vec3(0.8, 0.09, 0.025);
    const vec3 black = vec3(0.018, 0.018, 0.022);
    vec2 q = vec2(b.x * 6.5, b.y * 1.4) + seed * 41.0;
    float blot = layeredNoise(q, 3);
    float spot = layeredNoise(q * 2.7 + 7.0, 2);
    metal = 0.0;
    if (pattern == 0) {
        float hi = smoothstep(0.46, 0.5, blot + 0.25 * smoothstep(0.25, 0.05, abs(b.x - 0.12)) - 0.2 * smoothstep(0.05, 0.0, b.x));
        return mix(white, red, hi * smoothstep(0.9, 0.8, b.x));
    }
    if (pattern == 1) {
        float hi = smoothstep(0.5, 0.54, blot);
        float shiro = smoothstep(0.62, 0.66, spot) * (1.0 - hi);
        vec3 c = mix(black, red, hi);
        return mix(c, white, shiro);
    }
    if (pattern == 2) {
        float hi = smoothstep(0.5, 0.54, blot) * smoothstep(0.92, 0.82, b.x);
        float sumi = smoothstep(0.7, 0.73, spot) * step(0.18, b.x);
        return mix(mix(white, red, hi), black, sumi);
    }
    if (pattern == 3) {
        metal = 1.0;
        return vec3(0.95, 0.62, 0.14) * (0.85 + 0.25 * blot);
    }
    if (pattern == 4) {
        // Blue-grey back netted by darker scale edges, orange along the flanks and cheeks.
        vec2 s = vec2(b.x * 34.0, b.y * 5.0 + b.x * 17.0);
        float net = mix(0.35, smoothstep(0.32, 0.48, max(abs(fract(s.x) - 0.5), abs(fract(s.y) - 0.5))), detail);
        vec3 c = mix(vec3(0.32, 0.42, 0.52), vec3(0.14, 0.2, 0.28), net * 0.7);
        float flank = smoothstep(0.62, 0.95, abs(b.y)) + smoothstep(0.16, 0.04, b.x) * 0.7;
        return mix(c, vec3(0.85, 0.3, 0.08), clamp(flank, 0.0, 1.0));
    }
    // Tancho: white with one round red crown.
    float crown = length(vec2((b.x - 0.11) * 7.0, b.y * 0.6));
    return mix(white, red, smoothstep(0.36, 0.3, crown));
}

vec3 finTint(int pattern) {
    if (pattern == 3) return vec3(0.9, 0.6, 0.2);
    if (pattern == 4) return vec3(0.8, 0.38, 0.15);
    if (pattern == 1) return vec3(0.35, 0.32, 0.3);
    return vec3(0.85, 0.82, 0.78);
}

FishHit drawFish(vec2 q, int fish, Light l, float pixel, vec2 slope) {
    FishHit hit;
    hit.cover = 0.0;
    vec4 head = uData[1 + fish * FISH_VECTORS];
    float len = head.x;
    int pattern = int(head.y + 0.5);
    float depth = head.w;
    hit.depth = depth;
    // The surface bends the fish less than the bed: it swims closer to it.
    q += slope * (0.08 + 0.35 * depth);
    vec2 mid = spinePoint(fish, 3);
    if (length(q - mid) > len * 0.85) return hit;
    float soft = pixel * 0.8 + depth * 0.012;
    vec3 body;
    float fin, rays = 0.0;
    float cover = fishShape(q, fish, len, head.z, soft, body, fin, rays);
    if (cover <= 0.0) return hit;
    float seed = hash11(float(fish) * 7.31 + 2.0);
    float w = bodyWidth(body.y);
    float across = clamp(body.x / max(w * len, 1e-4), 0.0, 1.0) * body.z;
    float metal;
    // Scales only where a pixel is small enough to hold them; smaller they would shimmer.
    float detail = smoothstep(3.0, 6.0, 0.012 / pixel);
    vec3 skin = koiSkin(pattern, vec2(body.y, across), seed, detail, metal);

    // A rounded back: light falls across it, the flanks roll away into shade.
    vec2 a = spinePoint(fish, int(min(body.y * 7.0, 6.0)));
    vec2 b = spinePoint(fish, int(min(body.y * 7.0, 6.0)) + 1);
    vec2 fwd = normalize(a - b + 1e-6);
    vec2 side = vec2(-fwd.y, fwd.x);
    float up = sqrt(max(1.0 - across * across, 0.0));
    vec3 n = normalize(vec3(side * across * 0.9, up));
    float diffuse = max(dot(n, l.dir), 0.0);
    vec3 lit = skin * (l.key * diffuse * 0.85 + l.ambient * (0.55 + 0.45 * up));
    // Scales catch the light in a fine net; gold ones shine.
    // Scales as a diamond net running along the body.
    vec2 sc = vec2(body.y * len * 45.0, across * w * len * 45.0);
    float scale = smoothstep(0.0, 0.14, min(abs(fract(sc.x + sc.y) - 0.5), abs(fract(sc.x - sc.y) - 0.5)));
    vec3 h = normalize(l.dir + vec3(0.0, 0.0, 1.0));
    float sheen = pow(max(dot(n, h), 0.0), mix(18.0, 40.0, metal));
    lit *= 0.93 + 0.09 * mix(0.6, scale, detail) * smoothstep(0.1, 0.2, body.y);
    lit += l.key * sheen * mix(0.12, 0.7, metal) * mix(vec3(1.0), skin, metal);
    // A back that breaks the surface is wet and catches the sky.
    lit += (l.skyTop * 0.08 + l.key * 0.2 * sheen) * smoothstep(0.08, 0.02, depth) * up;
    // Eyes and the dark seam of the dorsal fin along the back.
    vec2 eye = vec2((body.y - 0.075) * len, (abs(across) - 0.78) * w * len);
    lit *= 1.0 - 0.7 * smoothstep(0.018 * len, 0.01 * len, length(eye));
    float dorsal = smoothstep(0.3, 0.36, body.y) * smoothstep(0.75, 0.68, body.y);
    lit *= 1.0 - 0.22 * dorsal * smoothstep(0.12, 0.0, abs(across));
    // Fins: thin and glassy, with rays.
    if (fin > 0.0) {
        vec3 tint = finTint(pattern);
        vec3 finLit = tint * (l.key * 0.45 + l.ambient * 0.9) * (0.8 + 0.25 * smoothstep(0.6, 1.0, rays));
        lit = mix(lit, finLit, fin / max(cover, 1e-4));
    }
    hit.cover = cover;
    hit.colour = lit;
    return hit;
}

// The soft shadow fish lay on the bed, away from the light.
float fishShadow(vec2 p, float bed, Light l) {
    float shade = 0.0;
    int count = int(uData[0].x);
    vec2 away = l.dir.xy / max(l.dir.z, 0.6);
    for (int i = 0; i < count; ++i) {
        vec4 head = uData[1 + i * FISH_VECTORS];
        float drop = max(bed - (0.05 + 0.7 * head.w), 0.0);
        vec2 q = p + away * drop * 0.5;
        if (length(q - spinePoint(i, 3)) > head.x * 0.7 + drop * 0.1) continue;
        vec3 body = alongSpine(q, i);
        float w = bodyWidth(body.y) * head.x;
        float blur = 0.01 + drop * 0.06;
        shade = max(shade, smoothstep(w + blur, w - blur, body.x) * (0.75 - 0.3 * drop));
    }
    return shade;
}

// ---- things on the water -------------------------------------------------------------------

const int PADS = 9;

// Lily pads: centre, radius, notch angle. Laid mostly along the banks, leaving open water.
vec4 padAt(int i, float decor) {
    vec3 h = hash33(vec3(float(i) * 3.1, decor * 7.0 + 1.0, 5.0));
    float side = (i % 2 == 0) ? 1.0 : -1.0;
    vec2 c = vec2(side * (0.95 + 0.72 * h.x), -0.95 + 1.9 * fract(float(i) * 0.382 + h.y * 0.3));
    if (i >= 7) c = vec2(-0.45 + 0.9 * h.x, side * (0.78 + 0.12 * h.y));
    c += 0.05 * vec2(hourWave(2.0, h.z * 6.28), hourWave(3.0, h.x * 6.28));
    float radius = 0.1 + 0.1 * h.z;
    float notch = h.y * 6.28 + 0.15 * hourWave(1.0, h.z * 9.0);
    return vec4(c, radius, notch);
}

// A flower seen from above: three rings of cupped petals, each inner ring shorter, paler and
// shading the one below it, round a golden heart. Lotus petals are broad, lily petals pointed.
vec4 flower(vec2 d, float size, float seed, bool lotus, Light l, float pixel) {
    float r = length(d) / size;
    if (r > 1.05) return vec4(0.0);
    float ang = atan(d.y, d.x) + seed * 6.28;
    float edge = pixel / size * 1.5;
    vec4 result = vec4(0.0);
    float innerCover = 0.0;
    for (int ring = 2; ring >= 0; --ring) {
        float count = lotus ? 8.0 : 11.0;
        float sector = 2.0 * PI / count;
        float local = mod(ang + float(ring) * 0.5 * sector + float(ring) * 0.3, sector) - 0.5 * sector;
        float reach = 1.0 - 0.24 * float(ring);
        float u = r * cos(local) / reach;
        float v = r * sin(local) / reach;
        float width = (lotus ? 0.36 : 0.24) * pow(sin(PI * clamp(u, 0.0, 1.0)), lotus ? 0.7 : 1.0) * (1.0 - 0.25 * u);
        float petal = smoothstep(width + edge, width - edge, abs(v)) * step(0.0, u) * smoothstep(1.0 + edge, 1.0 - edge, u);
        vec3 tip = lotus ? vec3(0.93, 0.32, 0.52) : vec3(0.95, 0.62, 0.74);
        vec3 colour = mix(vec3(0.98, 0.95, 0.9), tip, smoothstep(0.3, 1.0, u) * (1.0 - 0.3 * float(ring)));
        // Cupped: darker along the edges and the midrib, the tip turned up to the light.
        float across = abs(v) / max(width, 1e-3);
        vec3 n = normalize(vec3(vec2(cos(ang), sin(ang)) * (0.2 + 0.5 * u) + vec2(-sin(ang), cos(ang)) * sign(v) * across * 0.5, 1.0));
        float shade = (0.72 + 0.28 * max(dot(n, l.dir), 0.0)) * (1.0 - 0.18 * smoothstep(0.6, 1.0, across));
        shade *= 1.0 - 0.1 * smoothstep(0.06, 0.0, abs(v));
        // The petals above throw a soft shade on this ring.
        shade *= 1.0 - 0.3 * innerCover;
        vec3 lit = colour * shade;
        float under = petal * (1.0 - result.a);
        result.rgb += lit * under;
        result.a += under;
        innerCover = smoothstep(reach - 0.12, reach - 0.32, r);
    }
    float heart = smoothstep(0.19 + edge, 0.19 - edge, r);
    vec3 gold = lotus ? mix(vec3(0.75, 0.72, 0.2), vec3(0.95, 0.75, 0.2), smoothstep(0.1, 0.16, r))
                      : vec3(0.95, 0.72, 0.15);
    gold *= 0.75 + 0.25 * hash12(floor(d * 300.0 / size));
    result.rgb = mix(result.rgb, gold, heart);
    result.a = max(result.a, heart);
    result.rgb *= l.key * 0.8 + l.ambient * 1.1;
    return result;
}

// Pads and their flowers: colour and cover; `shadowOf` only asks for the cover.
vec4 lilyPads(vec2 p, float season, float decor, Light l, float pixel, bool shadowOnly, out float meniscus) {
    vec4 result = vec4(0.0);
    meniscus = 0.0;
    int count = season > 2.5 ? 4 : PADS;
    for (int i = 0; i < count; ++i) {
        vec4 pad = padAt(i, decor);
        vec2 d = p - pad.xy;
        float r = length(d);
        float size = pad.z * (season < 0.5 ? 0.8 : 1.0);
        if (r > size * 1.4) continue;
        float ang = atan(d.y, d.x) - pad.w;
        float wedge = abs(mod(ang + PI, 2.0 * PI) - PI);
        float notch = smoothstep(0.16, 0.2, wedge + 0.3 * smoothstep(size * 0.1, 0.0, r));
        float cover = smoothstep(size + pixel, size - pixel, r + 0.008 * sin(ang * 7.0)) * notch;
        // The water curls up against the rim and darkens in a thin ring.
        meniscus = max(meniscus, smoothstep(size * 1.1, size, r) * notch);
        bool hasFlower = season < 1.5 && hash11(float(i) * 5.7 + decor) < (season > 0.5 ? 0.55 : 0.45);
        vec2 fc = pad.xy + vec2(cos(pad.w + 2.6), sin(pad.w + 2.6)) * size * 0.25;
        float fsize = size * (season > 0.5 ? 0.85 : 0.55);
        if (shadowOnly) {
            float fl = hasFlower ? smoothstep(fsize, fsize * 0.6, length(p - fc)) : 0.0;
            result.a = max(result.a, max(cover, fl));
            continue;
        }
        if (cover > 0.0) {
            float h = hash11(float(i) + 0.5);
            vec3 green = mix(vec3(0.07, 0.2, 0.04), vec3(0.14, 0.28, 0.05), h);
            // Autumn yellows the pads from the rim in, each at its own pace.
            if (season > 1.5) green = mix(green, vec3(0.45, 0.32, 0.06), smoothstep(0.2, 1.0, h + r / size * 0.6 - 0.3) * 0.9);
            // Winter's few pads are dark and spent, spotted with decay.
            if (season > 2.5) green = mix(vec3(0.24, 0.19, 0.1), vec3(0.12, 0.09, 0.05), layeredNoise(d * 25.0 + h * 5.0, 2));
            // Veins run out from the stem; the rim curls up and shows its red underside.
            float veins = 1.0 - 0.1 * smoothstep(0.8, 1.0, abs(sin(ang * 11.0))) * smoothstep(0.1, 0.4, r / size);
            float rim = smoothstep(size * 0.86, size, r);
            vec3 c = green * veins * (0.85 + 0.3 * layeredNoise(d * 40.0 + h * 9.0, 2));
            c = mix(c, vec3(0.35, 0.08, 0.06), rim * 0.45);
            vec3 n = normalize(vec3(d / size * 0.35 * (rim * 2.0 + 0.3), 1.0));
            vec3 half_ = normalize(l.dir + vec3(0.0, 0.0, 1.0));
            vec3 lit = c * (l.key * max(dot(n, l.dir), 0.0) + l.ambient * 1.1);
            lit += l.key * pow(max(dot(n, half_), 0.0), 60.0) * 0.12;
            result.rgb = mix(result.rgb, lit, cover);
            result.a = max(result.a, cover);
        }
        if (hasFlower) {
            // Raised a little above the water, so it shades the pad beside it.
            vec2 away = l.dir.xy / max(l.dir.z, 0.6);
            float drop = smoothstep(fsize, fsize * 0.5, length(p + away * 0.025 - fc));
            result.rgb *= 1.0 - 0.4 * drop * result.a;
            vec4 f = flower(p - fc, fsize, hash11(float(i) * 2.3), season > 0.5, l, pixel);
            result.rgb = mix(result.rgb, f.rgb, f.a);
            result.a = max(result.a, f.a);
        }
    }
    return result;
}

// Things afloat: blossom petals in spring, maple leaves in autumn. One per cell at most, kept
// inside their cell as they circle slowly.
vec4 floaters(vec2 p, float season, Light l, float pixel, bool shadowOnly, float drifting) {
    bool spring = season < 0.5;
    bool autumn = season > 1.5 && season < 2.5;
    if (!spring && !autumn) return vec4(0.0);
    float cellSize = spring ? 0.11 : 0.3;
    vec2 q = p / cellSize;
    vec2 cell = floor(q);
    vec3 h = hash33(vec3(cell, spring ? 21.0 : 42.0));
    // They gather in drifts along slow eddies rather than spreading evenly.
    float drift = layeredNoise(cell * cellSize * 1.3 + vec2(3.0, 8.0), 2);
    float chance = spring ? 0.75 * smoothstep(0.45, 0.68, drift) : 0.45 * smoothstep(0.4, 0.65, drift);
    if (h.x > chance) return vec4(0.0);
    float a = hash12(cell + 3.3) * 6.28;
    vec2 centre = cell + 0.5 + 0.22 * vec2(sin(a + drifting * hourWave(4.0, h.y * 6.28)), cos(a + drifting * hourWave(3.0, h.z * 6.28)));
    float angle = h.z * 6.28 + 0.6 * drifting * hourWave(2.0, h.x * 9.0);
    vec2 d = turn(angle) * (q - centre) * cellSize;
    vec4 result = vec4(0.0);
    if (spring) {
        float size = 0.017 + 0.008 * h.y;
        vec2 e = d / vec2(size, size * 0.7);
        float notchCut = smoothstep(0.05, 0.0, length(e - vec2(1.0, 0.0)) - 0.25);
        float petal = smoothstep(1.0 + pixel / size, 1.0 - pixel / size, length(e)) * (1.0 - notchCut);
        vec3 pink = mix(vec3(0.98, 0.78, 0.82), vec3(0.95, 0.55, 0.66), h.y) * (0.85 + 0.15 * e.x);
        result = vec4(pink * (l.key * 0.75 + l.ambient * 1.15), petal);
    } else {
        float size = 0.06 + 0.025 * h.y;
        float r = length(d) / size;
        float ang = atan(d.y, d.x);
        // Seven pointed lobes, the middle one longest, finely toothed; a short stem behind.
        float lobeAt = ang * 7.0 / (2.0 * PI) * 1.15;
        float tri = abs(fract(lobeAt + 0.5) - 0.5) * 2.0;
        float reachOut = mix(0.55, 1.0, 0.5 + 0.5 * cos(ang));
        float shape = (0.55 + 0.45 * pow(1.0 - tri, 1.3)) * reachOut + 0.02 * abs(sin(ang * 44.0));
        shape *= step(abs(ang), 0.86 * PI);
        float leaf = smoothstep(shape + pixel / size * 1.5, shape - pixel / size * 1.5, r);
        float stem = smoothstep(0.06, 0.02, abs(d.y) / size) * step(d.x, 0.0) * step(-1.0, d.x / size);
        leaf = max(leaf, stem);
        vec3 colour = mix(vec3(0.62, 0.06, 0.02), vec3(0.88, 0.32, 0.04), h.y);
        colour = mix(colour, vec3(0.85, 0.6, 0.08), step(0.82, h.z) * 0.8);
        colour *= 0.8 + 0.25 * smoothNoise(d * 300.0);
        // Veins run from the stem to each tip.
        float vein = smoothstep(0.1, 0.0, tri * r * 1.4) * step(0.15, r);
        colour *= 1.0 - 0.3 * vein;
        vec3 n = normalize(vec3(d / size * 0.25, 1.0));
        result = vec4(colour * (l.key * (0.5 + 0.4 * max(dot(n, l.dir), 0.0)) + l.ambient * 1.1), leaf);
    }
    if (shadowOnly) result.rgb = vec3(0.0);
    return result;
}

// Ice along the banks: a hairline in most places, broad ragged shelves in a few, clear at the
// rim and whiter and snowier towards the bank, with a bright edge and a few cracks.
vec4 frost(vec2 p, float aspect, Light l, float pixel) {
    vec2 edge = vec2(aspect, 1.0) - abs(p);
    float toBank = min(edge.x, edge.y);
    float reach = 0.012 + 0.3 * smoothstep(0.42, 0.78, layeredNoise(p * 0.9 + 4.0, 4));
    reach += 0.025 * (layeredNoise(p * 9.0, 2) - 0.5);
    float beyond = toBank - reach;
    if (beyond > 0.02) return vec4(0.0);
    float shelf = smoothstep(pixel, -pixel, beyond);
    float rim = smoothstep(0.008, 0.0, abs(beyond + 0.004));
    float inward = clamp(-beyond / max(reach, 0.02), 0.0, 1.0);
    float snow = smoothstep(0.35, 0.7, layeredNoise(p * 6.0 + 2.0, 3)) * inward;
    float crack = smoothstep(0.012, 0.0, abs(layeredNoise(p * 7.0 + 9.0, 2) - 0.5)) * (1.0 - snow);
    vec3 ice = mix(vec3(0.72, 0.8, 0.9), vec3(0.93, 0.95, 0.98), snow) * (1.0 - 0.3 * crack);
    float cover = shelf * (0.4 + 0.35 * inward + 0.25 * snow);
    vec3 colour = mix(ice, vec3(0.95, 0.97, 1.0), rim) * (l.key * 0.55 + l.ambient * 1.3);
    return vec4(colour, clamp(cover + rim * 0.35, 0.0, 0.95));
}

// Dappled shade from a maple leaning over the bank past one corner: the crown's leaves sit above
// the water, so their shadow slides with the light's direction, and they stir in the breeze.
float treeShade(vec2 p, float aspect, float decor, Light l) {
    vec2 q = p + l.dir.xy / max(l.dir.z, 0.25) * 0.5;
    vec2 corner = vec2(aspect * (decor > 0.5 ? -1.08 : 1.08), 1.12);
    float outward = length((q - corner) / vec2(1.25, 0.95));
    float crown = smoothstep(1.0, 0.55, outward + 0.35 * (layeredNoise(q * 1.3, 2) - 0.5));
    if (crown <= 0.0) return 0.0;
    vec2 stir = 0.015 * vec2(hourWave(160.0, q.y * 3.0), hourWave(130.0, q.x * 3.0));
    float leaves = smoothstep(0.4, 0.62, layeredNoise(q * 6.5 + stir * 6.5, 3));
    return crown * mix(0.35, 0.85, leaves);
}

// Where the pointer rests on the first display, a few pellets float and slowly spread.
vec3 foodPellets(vec2 p, vec3 colour, float aspect, Light l, float pixel) {
    if (uTime.w > 0.5 || uView.z > 2.0) return colour;
    vec2 at = uView.zw * vec2(aspect, 1.0);
    if (length(p - at) > 0.12) return colour;
    for (int i = 0; i < 7; ++i) {
        vec3 h = hash33(vec3(float(i), 4.0, 9.0));
        float a = h.x * 6.28 + hourWave(6.0, h.y * 6.28) * 0.6;
        vec2 c = at + vec2(cos(a), sin(a)) * (0.015 + 0.06 * h.z);
        float r = 0.009 + 0.003 * h.y;
        float d = length(p - c);
        float pellet = smoothstep(r + pixel, r - pixel, d);
        vec3 brown = vec3(0.45, 0.26, 0.1) * (0.7 + 0.5 * smoothstep(r, 0.0, length(p - c + vec2(0.003))));
        colour = mix(colour, brown * (l.key * 0.8 + l.ambient * 1.1), pellet);
    }
    return colour;
}

// ---- the frame -----------------------------------------------------------------------------

void sceneFragment() {
    Light l = pondLight();
    float aspect = uResolution.x * uResolution.w;
    vec2 p = (sceneUV * 2.0 - 1.0) * vec2(aspect, 1.0);
    float pixel = 2.0 * uResolution.w;
    float season = uParams[0].x;
    float rain = uParams[0].y;
    float decor = uParams[0].z;
    // Odd displays see the pond from its other bank, so the fish there are not a copy of the
    // main display's.
    if (decor > 0.5) p.x = -p.x;

    // A stone lantern on the bank beyond the top left corner warms the water after dark.
    vec2 lantern = vec2(-aspect - 0.15, 1.12);
    float glowNear = l.night / (1.0 + 2.2 * dot(p - lantern, p - lantern));
    vec3 lanternLight = vec3(1.0, 0.55, 0.22) * 0.55 * glowNear * glowNear;
    l.ambient += lanternLight;

    l.key *= 1.0 - treeShade(p, aspect, decor, l);

    vec2 slope = rippleSlope(p) + rainSlope(p, rain) + breezeSlope(p);
    vec3 normal = normalize(vec3(-slope, 1.0));

    // The bed, seen through the bent surface and lit by focused light.
    float depth = bedDepth(p, aspect);
    vec2 bedP = p + slope * depth * 0.6;
    float bump;
    vec3 bed = bedColour(bedP, depth, l, season, decor, pixel, bump);
    // Autumn's older leaves have sunk and lie dark and still among the stones.
    if (season > 1.5 && season < 2.5) {
        vec4 sunk = floaters(bedP * 1.2 + vec2(7.7, 3.3), season, l, pixel * 1.2, false, 0.0);
        bed = mix(bed, vec3(0.32, 0.14, 0.06) * (0.6 + 0.5 * luminance(sunk.rgb) / max(luminance(l.key + l.ambient), 0.05)), sunk.a * 0.85);
    }
    // By night the eye loses the bed's detail long before its shape.
    bed = mix(bed, vec3(0.15, 0.135, 0.1), 0.6 * l.night);
    bump = mix(bump, 0.6, 0.6 * l.night);
    float clearSky = 1.0 - 0.75 * uWeather.x;
    float focus = caustics(bedP + slope * 0.4) * clearSky;
    float shade = fishShadow(bedP, depth, l);
    vec2 away = l.dir.xy / max(l.dir.z, 0.6);
    float unused;
    float padShade = lilyPads(bedP + away * depth * 0.8, season, decor, l, pixel * 6.0, true, unused).a;
    padShade = max(padShade, floaters(bedP + away * depth * 0.8, season, l, pixel * 6.0, true, 1.0).a * 0.8);
    float direct = (1.0 - shade) * (1.0 - 0.85 * padShade);
    vec3 onBed = l.key * max(l.dir.z, 0.0) * (0.2 + 0.3 * bump + focus * smoothstep(1.5, 0.3, depth)) * direct +
                 l.ambient * (0.45 + 0.3 * bump) * (1.0 - 0.3 * padShade);
    vec3 colour = bed * onBed;

    // The water between: it takes red first and glows faintly with the light it scatters.
    vec3 through = exp(-ABSORB * depth);
    // Summer water is green with life; winter's is clear and cold.
    vec3 waterTint = season < 1.5 ? vec3(0.05, 0.17, 0.13) : season < 2.5 ? vec3(0.06, 0.15, 0.12) : vec3(0.045, 0.12, 0.16);
    vec3 glow = waterTint * (l.key * max(l.dir.z, 0.1) * 0.6 + l.ambient);
    colour = colour * through + glow * (1.0 - through);

    // Koi, the deeper ones first; each one veiled by the water above it.
    int count = int(uData[0].x);
    int order[9];
    int found = 0;
    for (int i = 0; i < count && i < 9; ++i) {
        vec4 head = uData[1 + i * FISH_VECTORS];
        if (length(p - spinePoint(i, 3)) > head.x * 0.95) continue;
        int at = found++;
        while (at > 0 && uData[1 + order[at - 1] * FISH_VECTORS].w < head.w) {
            order[at] = order[at - 1];
            --at;
        }
        order[at] = i;
    }
    for (int n = 0; n < found; ++n) {
        FishHit hit = drawFish(p, order[n], l, pixel, slope);
        if (hit.cover <= 0.0) continue;
        float z = 0.04 + 0.75 * hit.depth;
        vec3 veil = exp(-ABSORB * z * 1.3);
        vec3 seen = hit.colour * veil + glow * (1.0 - veil);
        colour = mix(colour, seen, hit.cover);
    }

    // Ring crests facing the sky and the light catch it; their backs fall dark.
    float relief = dot(slope, normalize(l.dir.xy + vec2(1e-4, 0.0))) * 3.5 + length(slope) * 0.3;
    colour += (l.skyTop * 0.35 + l.key * 0.04) * clamp(relief, -0.6, 0.8);

    // The surface: sky and garden mirrored faintly, sharp glints off the ripples.
    vec3 eye = normalize(vec3(-p * 0.35, 1.0));
    vec3 mirror = reflect(-eye, normal);
    float fresnel = 0.03 + 0.4 * pow(1.0 - max(dot(normal, eye), 0.0), 5.0);
    float canopy = smoothstep(0.45, 0.7, layeredNoise((p + mirror.xy) * 1.4 + decor * 3.0 + 50.0, 3));
    canopy *= smoothstep(0.2, 1.0, length(p / vec2(aspect, 1.0)));
    // The garden's trees in the mirror take the season's colour: blossom, leaf, fire, bare.
    vec3 trees = season < 0.5 ? vec3(1.2, 0.85, 0.95) : season < 1.5 ? vec3(0.75, 1.1, 0.7)
               : season < 2.5 ? vec3(1.35, 0.8, 0.45) : vec3(0.9, 0.9, 0.95);
    vec3 sky = mix(l.skyTop, l.skyLow * 0.35 * trees, canopy);
    colour = mix(colour, sky, clamp(fresnel + 0.05 * (1.0 - canopy), 0.0, 1.0));
    float glint = pow(max(dot(mirror, l.dir), 0.0), 700.0);
    colour += l.key * glint * 6.0;
    colour += l.moonKey * pow(max(dot(mirror, l.moonDir), 0.0), 300.0) * 5.0 * (1.0 - l.day);
    // Its glow on the water itself, a little stronger where ripples tilt the surface towards it.
    colour += lanternLight * (0.2 + 0.6 * max(dot(normalize(-slope + 1e-5), normalize(lantern - p)), 0.0) * length(slope) * 20.0);

    // On the surface: pads, flowers, petals or leaves, frost.
    float meniscus;
    vec4 pads = lilyPads(p, season, decor, l, pixel, false, meniscus);
    colour *= 1.0 - 0.3 * meniscus;
    colour = mix(colour, pads.rgb, pads.a);
    vec4 floating = floaters(p, season, l, pixel, false, 1.0);
    colour = mix(colour, floating.rgb, floating.a);
    colour = foodPellets(p, colour, aspect, l, pixel);
    if (season > 2.5) {
        vec4 ice = frost(p, aspect, l, pixel);
        colour = mix(colour, ice.rgb, ice.a);
    }
    if (rain > 0.0) colour *= 1.0 - 0.12 * rain;
    // Mist lying on the water on foggy days, thicker in slow drifting banks.
    float mist = uWeather.z * (0.12 + 0.2 * layeredNoise(p * 0.8 + vec2(hourWave(1.0, 0.0), hourWave(1.0, 1.57)), 2));
    colour = mix(colour, (l.ambient * 1.4 + l.key * 0.25) * vec3(0.95, 0.97, 1.0), mist);

    vec2 c = sceneUV * 2.0 - 1.0;
    colour *= 1.0 - 0.16 * dot(c, c) * 0.5;
    fragColor = vec4(encodeOutput(toneMapHue(colour, 4.0), gl_FragCoord.xy), 1.0);
}

#endif
