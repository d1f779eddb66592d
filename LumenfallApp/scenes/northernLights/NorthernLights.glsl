// Northern Lights Cabin: a log cabin in deep snow by a frozen lake, spruces and snowy peaks under
// the aurora.
//
// uParams[0] = aurora intensity, snowfall amount, side offset, aurora clock (seconds mod 3600)
// uParams[1] = eye offset sideways (m), eye height (m), unused, view pitch (radians)
//
// The land is a set of cylinders around the eye (peaks, the far shore, spruces, the cabin) over a
// ground plane that is ice out on the lake and snow on the shore. The half-resolution layer
// marches the aurora's curtains for each view ray; the main pass lays them over the sky and
// mirrors them in the ice. Every motion repeats after exactly 3600 s of aurora clock, so the wrap
// of the clock never shows.

#ifdef FRAGMENT_STAGE

const float TAN_HALF_FOV = 0.5;
// How far each unit of side offset turns the view (radians): about one display width.
const float SIDE_TURN = 1.2;
const float HOUR = 3600.0;

float auroraTime() {
    return uParams[0].w;
}

// An angle that turns n whole times per hour of aurora clock.
float cycle(float n) {
    return auroraTime() * (2.0 * PI * n / HOUR);
}

vec3 viewRayAt(vec2 uv) {
    float aspect = uResolution.x * uResolution.w;
    vec2 ndc = uv * 2.0 - 1.0;
    vec3 r = normalize(vec3(ndc.x * aspect * TAN_HALF_FOV, ndc.y * TAN_HALF_FOV, -1.0));
    float pitch = uParams[1].w;
    float cp = cos(pitch), sp = sin(pitch);
    r = vec3(r.x, r.y * cp - r.z * sp, r.y * sp + r.z * cp);
    float yaw = uParams[0].z * SIDE_TURN;
    float cy = cos(yaw), sy = sin(yaw);
    return vec3(r.x * cy + r.z * sy, r.y, -r.x * sy + r.z * cy);
}

// Where a world direction lands on the screen (the inverse of viewRayAt).
vec2 screenOf(vec3 d) {
    float yaw = uParams[0].z * SIDE_TURN;
    float cy = cos(yaw), sy = sin(yaw);
    vec3 r = vec3(d.x * cy - d.z * sy, d.y, d.x * sy + d.z * cy);
    float pitch = uParams[1].w;
    float cp = cos(pitch), sp = sin(pitch);
    r = vec3(r.x, r.y * cp + r.z * sp, -r.y * sp + r.z * cp);
    float aspect = uResolution.x * uResolution.w;
    vec2 ndc = r.xy / (-r.z * TAN_HALF_FOV) / vec2(aspect, 1.0);
    return ndc * 0.5 + 0.5;
}

// 1D value noise whose lattice repeats every `period` cells.
float loopNoise(float x, float period, float seed) {
    float i = floor(x);
    float f = fract(x);
    float u = f * f * (3.0 - 2.0 * f);
    float a = hash11(mod(i, period) + seed * 113.0);
    float b = hash11(mod(i + 1.0, period) + seed * 113.0);
    return mix(a, b, u);
}

float noise2(vec2 p) {
    vec2 i = floor(p);
    vec2 f = fract(p);
    vec2 u = f * f * (3.0 - 2.0 * f);
    return mix(mix(hash12(i), hash12(i + vec2(1, 0)), u.x), mix(hash12(i + vec2(0, 1)), hash12(i + vec2(1, 1)), u.x), u.y);
}

// ---- the aurora ----------------------------------------------------------------------------------
// Curtains hang between heights 1 and 3.4 over the northern sky; each is a sheet above a wavy line
// in the horizontal plane, bright at its sharp lower edge and fading upwards, combed into rays.

const int CURTAINS = 3;

// Distance (along z) of a point from curtain k's line, and the line's brightness there.
vec2 curtain(vec2 p, int k) {
    float fk = float(k);
    float x = p.x;
    float line = -(7.0 + 5.5 * fk) +
                 1.8 * sin(0.21 * x + fk * 2.1 + cycle(3.0 + fk)) +
                 0.9 * sin(0.53 * x - fk * 1.3 - cycle(7.0 - fk)) +
                 2.2 * (loopNoise(x * 0.18 + fk * 37.0 + auroraTime() * (32.0 / HOUR) * (2.0 + fk), 32.0, fk) - 0.5);
    // Where the line doubles back the sheet folds; brightness varies slowly along it.
    float glow = smoothstep(0.15, 0.75, loopNoise(x * 0.09 - auroraTime() * (16.0 / HOUR) * (3.0 - fk), 16.0, fk + 5.0));
    return vec2(p.y - line, glow);
}

// The rays: fine vertical striations drifting along each curtain.
float rays(float x, int k) {
    float fk = float(k);
    float t = auroraTime() * (128.0 / HOUR);
    float a = loopNoise(x * 2.3 + t * (5.0 + fk), 128.0, fk + 9.0);
    float b = loopNoise(x * 6.1 - t * (9.0 - fk), 128.0, fk + 13.0);
    return 0.25 + 0.75 * smoothstep(0.2, 0.9, a * 0.6 + b * 0.4);
}

vec3 auroraColour(float h) {
    // h: height above the lower edge, 0...1.
    vec3 green = vec3(0.12, 1.0, 0.42);
    vec3 lime = vec3(0.45, 1.0, 0.3);
    vec3 red = vec3(0.85, 0.12, 0.28);
    vec3 violet = vec3(0.45, 0.15, 0.9);
    vec3 c = mix(lime, green, smoothstep(0.0, 0.12, h));
    c = mix(c, mix(violet, red, 0.55), smoothstep(0.35, 0.8, h));
    return c;
}

vec3 aurora(vec3 ray, float jitter) {
    if (ray.y < 0.02) return vec3(0.0);
    const int STEPS = 28;
    const float BASE = 1.0;
    const float TOP = 3.4;
    float t0 = BASE / ray.y;
    float t1 = min(TOP / ray.y, 60.0);
    if (t1 <= t0) return vec3(0.0);
    float dt = (t1 - t0) / float(STEPS);
    vec3 light = vec3(0.0);
    for (int i = 0; i < STEPS; ++i) {
        float t = t0 + (float(i) + jitter) * dt;
        vec3 p = ray * t;
        vec2 ground = vec2(p.x, p.z);
        for (int k = 0; k < CURTAINS; ++k) {
            vec2 c = curtain(ground, k);
            // The sheet thickens with distance so the long far steps never skip it.
            float width = 0.22 + 0.012 * t;
            float across = c.x / width;
            float sheet = exp(-across * across);
            if (sheet < 0.01) continue;
            float base = BASE + 0.25 * loopNoise(p.x * 0.4 + float(k) * 7.0, 64.0, 3.0);
            float h = (p.y - base) / (TOP - base);
            if (h < -0.05) continue;
            float profile = smoothstep(-0.05, 0.02, h) * (exp(-h * 3.2) + 0.25 * smoothstep(0.3, 0.7, h) * (1.0 - h));
            light += auroraColour(h) * sheet * profile * c.y * rays(p.x, k) * dt;
        }
    }
    // Far curtains sink into the low haze.
    return light * smoothstep(0.02, 0.2, ray.y) * 0.55;
}

void layerFragment() {
    vec3 ray = viewRayAt(sceneUV);
    float jitter = fract(dot(gl_FragCoord.xy, vec2(0.7548776662, 0.5698402910)));
    fragColor = vec4(aurora(ray, jitter) * uParams[0].x, 1.0);
}

// ---- light -----------------------------------------------------------------------------------

float night() {
    return 1.0 - uSky.y;
}

// The aurora's own light on the snow: only when it is out.
vec3 auroraGlow() {
    return vec3(0.01, 0.045, 0.028) * uParams[0].x * smoothstep(0.5, 0.95, night());
}

vec3 moonLight() {
    float up = smoothstep(-2.0, 6.0, degrees(asin(clamp(uMoon.y, -1.0, 1.0))));
    return vec3(0.55, 0.62, 0.8) * 0.09 * uSky.w * up * smoothstep(0.3, 0.8, night());
}

vec3 sunLight() {
    float e = uSky.z;
    vec3 warm = vec3(1.0, 0.55, 0.3);
    vec3 white = vec3(1.0, 0.96, 0.9);
    return mix(warm, white, smoothstep(2.0, 20.0, e)) * 1.7 * smoothstep(-1.0, 4.0, e);
}

// Light arriving from the whole sky on an upward surface.
vec3 skyAmbient() {
    vec3 day = vec3(0.42, 0.55, 0.8) * 0.42;
    vec3 dusk = vec3(0.35, 0.3, 0.45) * 0.08;
    vec3 dark = vec3(0.03, 0.045, 0.085);
    vec3 c = mix(dark, dusk, smoothstep(-14.0, -3.0, uSky.z));
    return mix(c, day, smoothstep(-2.0, 12.0, uSky.z)) + auroraGlow();
}

// Snow and ice lit by the sun, the moon, the sky and the aurora, for a surface with normal n.
vec3 lit(vec3 albedo, vec3 n) {
    vec3 direct = sunLight() * max(dot(n, uSun.xyz), 0.0) + moonLight() * max(dot(n, uMoon.xyz), 0.0);
    return albedo * (direct + skyAmbient() * (0.6 + 0.4 * n.y));
}

// ---- sky -------------------------------------------------------------------------------------

vec3 skyColour(vec3 ray) {
    float e = max(ray.y, 0.0);
    float sunE = uSky.z;
    vec3 zenithDay = vec3(0.12, 0.3, 0.75);
    vec3 horizonDay = vec3(0.62, 0.75, 0.92);
    vec3 day = mix(horizonDay, zenithDay, pow(e, 0.55));
    // Twilight: a warm band towards the sun under a deepening blue.
    float towards = max(dot(normalize(vec2(ray.x, ray.z) + 1e-5), normalize(uSun.xz + 1e-5)), 0.0);
    vec3 dusk = mix(vec3(0.55, 0.32, 0.25) * (0.4 + 0.6 * towards), vec3(0.08, 0.1, 0.25), pow(e, 0.4));
    vec3 deep = mix(vec3(0.018, 0.03, 0.06), vec3(0.002, 0.005, 0.016), pow(e, 0.5));
    vec3 c = mix(deep, dusk * 0.3, smoothstep(-16.0, -2.0, sunE));
    c = mix(c, day, smoothstep(-3.0, 10.0, sunE));
    // Sun glow and disc.
    float s = max(dot(ray, uSun.xyz), 0.0);
    c += sunLight() * (pow(s, 300.0) * 0.25 + pow(s, 12.0) * 0.08) + smoothstep(0.99993, 0.99997, s) * sunLight() * 8.0;
    // Moonlit haze and the moon itself.
    float m = max(dot(ray, uMoon.xyz), 0.0);
    c += moonLight() * (pow(m, 40.0) * 0.5 + pow(m, 4.0) * 0.08);
    float disc = smoothstep(0.99988, 0.99992, m);
    c += vec3(0.9, 0.92, 1.0) * disc * (0.15 + 1.6 * uSky.w) * (0.3 + 0.7 * night());
    return c;
}

// Stars on a direction grid, about one pixel across at any size; they twinkle gently.
vec3 stars(vec3 ray, float pixelAngle) {
    vec3 c = vec3(0.0);
    for (int layer = 0; layer < 2; ++layer) {
        float scale = layer == 0 ? 70.0 : 190.0;
        vec3 p = ray * scale;
        vec3 cell = floor(p);
        vec3 h = hash33(cell + float(layer) * 31.0);
        vec3 centre = cell + 0.2 + 0.6 * h;
        float d = length(normalize(centre) - ray);
        // Few bright stars, more faint ones; most cells stay empty.
        float lottery = hash13(cell + 7.7);
        float cut = layer == 0 ? 0.88 : 0.955;
        float bright = pow(max(lottery - cut, 0.0) / (1.0 - cut), 3.0) * (layer == 0 ? 1.6 : 0.5);
        bright *= 0.8 + 0.2 * sin(cycle(60.0 + floor(h.y * 120.0)) + h.x * 6.28);
        float size = pixelAngle * 0.7;
        vec3 tint = mix(vec3(1.0, 0.85, 0.7), vec3(0.75, 0.85, 1.0), h.z);
        c += tint * bright * exp(-d * d / (size * size));
    }
    return c * smoothstep(0.02, 0.12, ray.y);
}

// ---- land ------------------------------------------------------------------------------------

struct Hit {
    vec3 colour;
    float cover;  // 0...1, anti-aliased
};

float azimuthOf(vec3 ray) {
    return atan(ray.x, -ray.z);
}

float horizontalLength(vec3 ray) {
    return length(ray.xz);
}

// Ridge heights of the far range (m at 4 km), with ridged detail.
float peakHeight(float s) {
    // A few broad massifs, each carved by ridged detail into peaks and cols.
    float massif = noise2(vec2(s * 0.00035, 4.1));
    float h = 150.0 + 650.0 * massif * massif;
    float amp = 280.0;
    float f = 0.0011;
    for (int i = 0; i < 5; ++i) {
        float n = noise2(vec2(s * f, float(i) * 7.3));
        h += amp * (1.0 - abs(n * 2.0 - 1.0));
        amp *= 0.45;
        f *= 2.2;
    }
    return h - 110.0;
}

// The relief of the faces below the skyline (metres on the face), at depth d below the ridge.
// Spurs leave the summits and fall away diagonally on either side, the way aretes do: ridged noise
// read along lines leaning one way or the other, weighted by the side of the summit a point lies
// on (`left`: 1 left of it, 0 right). Blending the two readings, not their coordinates, keeps
// vertical lines out where the sides meet.
float spurs(float s, float d, float lean) {
    vec2 p = vec2((s + lean * d) * 0.0042, d * 0.0031);
    float r = 0.0;
    float amp = 0.55;
    for (int i = 0; i < 3; ++i) {
        r += amp * (1.0 - abs(noise2(p + float(i) * 5.7) * 2.0 - 1.0));
        p = mat2(1.6, 0.7, -0.7, 1.6) * p;
        amp *= 0.45;
    }
    return r;
}

float faceRelief(float s, float d, float left) {
    return mix(spurs(s, d, -0.85), spurs(s + 370.0, d, 0.85), left);
}

Hit peaks(vec3 ray, float tanE, float pixel) {
    const float D = 4000.0;
    float s = azimuthOf(ray) * D + 900.0;
    float y = uParams[1].y + tanE * D;
    float h = peakHeight(s);
    float cover = smoothstep(0.5, -0.5, (y - h) / (pixel * D));
    if (cover <= 0.0) return Hit(vec3(0.0), 0.0);
    // The skyline's slope, taken over a few pixels: the ridged noise has creases a one-sided
    // difference would smear down the face as streaks.
    float ridgeSlope = (peakHeight(s + 24.0) - peakHeight(s - 24.0)) / 48.0;
    float depth = clamp((h - y) / 260.0, 0.0, 1.0);
    // Which side of its summit this part of the face lies on, from the broad skyline slope.
    float side = smoothstep(-0.5, 0.5, (peakHeight(s + 140.0) - peakHeight(s - 140.0)) / 280.0);
    const float E = 30.0;
    float d = h - y;
    float r0 = faceRelief(s, d, side);
    vec2 grad = vec2(faceRelief(s + E, d, side) - r0, faceRelief(s, d - E, side) - r0) / E * 300.0;
    // Faces lean back from the eye; near the ridge they turn with the skyline, lower with the relief.
    vec3 n = normalize(vec3(mix(-ridgeSlope * 1.2, -grad.x, smoothstep(0.0, 0.35, depth)), 0.75 - grad.y * 0.3, 0.65));
    // Snow holds on the gentler faces; steep walls and gully sides show dark rock.
    float steep = length(grad) * 0.45 + abs(ridgeSlope) * 0.5 * (1.0 - depth);
    // Rock shows on the steep walls and along the spines of the spurs, where snow cannot lie.
    float rock = smoothstep(0.5, 0.62, steep * 0.6 + r0 * 0.75 + (noise2(vec2(s * 0.02, y * 0.008)) - 0.5) * 0.35);
    rock *= smoothstep(0.0, 0.04, depth);  // a snow cornice along the ridge
    vec3 albedo = mix(vec3(0.72, 0.76, 0.84), vec3(0.035, 0.037, 0.045), rock * 0.9);
    vec3 c = lit(albedo, n);
    // Gully floors see less of the sky and the low sun.
    c *= mix(0.62, 1.0, smoothstep(0.15, 0.6, r0));
    // Air between the eye and the range: thicker low down, towards the horizon sky's colour.
    vec3 haze = skyColour(normalize(vec3(ray.x, 0.02, ray.z)));
    c = mix(c, haze, mix(0.08, 0.24, smoothstep(0.0, 1.0, 1.0 - clamp((y - 30.0) / 700.0, 0.0, 1.0))));
    return Hit(c, cover);
}

// Where the shore meets the ice, metres from the eye, by azimuth: a spit reaches out on the left
// with the cabin on it, the near bank closes in on the right. Coves and points break the line up
// in proportion to its distance, so it curves as much far away as near.
float shoreDistance(float a) {
    float left = smoothstep(-0.02, -0.42, a);
    float right = smoothstep(0.22, 0.68, a);
    float base = mix(mix(25.0, 128.0, left), 108.0, right);
    float coves = (noise2(vec2(a * 4.5, 2.7)) - 0.5) * 0.42 + (noise2(vec2(a * 13.0, 8.1)) - 0.5) * 0.16 +
                  (noise2(vec2(a * 41.0, 5.3)) - 0.5) * 0.05;
    return base * (1.0 + coves);
}

// Spruce silhouette around x = 0 of height H: tiers of drooping branches, ragged edges.
float spruce(vec2 q, float H, float seed, float pixel) {
    float y = q.y / H;
    if (y < -0.02 || y > 1.05) return 0.0;
    float tiers = 9.0 + 3.0 * seed;
    // Branches droop towards their tips, so each tier's edge curves down and out.
    float tier = fract((y + 0.22 * abs(q.x) / H) * tiers + seed * 3.0);
    float width = (1.0 - y) * 0.32 * H * (0.72 + 0.28 * tier);
    width *= 0.85 + 0.3 * noise2(vec2(q.y * 3.0, seed * 50.0 + sign(q.x) * 9.0)) +
             0.12 * noise2(vec2(q.y * 11.0, seed * 31.0 + sign(q.x) * 5.0));
    width = max(width, 0.07 * H * (1.0 - y));
    float edge = (width - abs(q.x)) / pixel;
    return clamp(edge + 0.5, 0.0, 1.0) * clamp((1.05 - y) * H / pixel, 0.0, 1.0);
}

// A row of spruces on a cylinder at distance D: cells along the shore, some empty.
// Only where |azimuth| > clear, so the near rows frame the view and leave the cabin free.
Hit spruceRow(vec3 ray, float tanE, float D, float seed, float density, float clear, float pixel) {
    float a = azimuthOf(ray);
    float s = a * D + uParams[1].x;
    float y = uParams[1].y + tanE * D;
    float cellWidth = 5.5;
    float cell = floor(s / cellWidth);
    float cover = 0.0;
    float shade = 0.0;
    float tier = 0.5;
    float reach = 0.5;
    for (int j = -1; j <= 1; ++j) {
        float c = cell + float(j);
        float h = hash11(c * 1.37 + seed);
        // Trees only stand on land: beyond the shore at their own azimuth.
        float centre = (c + 0.2 + 0.6 * hash11(c + seed * 3.1)) * cellWidth;
        float at = (centre - uParams[1].x) / D;
        if (shoreDistance(at) < D + 2.0 || abs(at) < clear || h > density) continue;
        float H = 7.0 + 10.0 * hash11(c * 2.9 + seed);
        float treeSeed = hash11(c + seed * 7.0);
        float t = spruce(vec2(s - centre, y), H, treeSeed, pixel * D);
        if (t > cover) {
            cover = t;
            shade = clamp((s - centre) / (0.3 * H), -1.0, 1.0);
            tier = fract((y + 0.22 * abs(s - centre)) / H * (9.0 + 3.0 * treeSeed) + treeSeed * 3.0);
            // 0 at the trunk, 1 at the branch tips of this height.
            reach = clamp(abs(s - centre) / max(0.32 * H * (1.0 - y / H), 0.2), 0.0, 1.0);
        }
    }
    // Each tier is a skirt of branches: its upper face catches the light, its underside and the
    // hollow by the trunk stay dark, and the tips stand out against the shade within. Needle clumps
    // break every surface up.
    float clumps = noise2(vec2(s * 3.1, y * 2.3)) * 0.6 + noise2(vec2(s * 7.3, y * 5.9)) * 0.4;
    float form = mix(0.45, 1.15, smoothstep(0.05, 0.75, 1.0 - tier)) * mix(0.55, 1.1, reach) * mix(0.7, 1.25, clumps);
    vec3 needles = lit(vec3(0.012, 0.026, 0.02), normalize(vec3(shade * 0.8, 0.35 + 0.5 * (1.0 - tier), 0.7))) * form;
    // Snow lies in clumps along the top of each tier, thickest out on the branches.
    float snowy = smoothstep(0.78, 0.95, 1.0 - tier + 0.12 * (clumps - 0.5)) * smoothstep(0.4, 0.65, clumps + 0.2 * reach);
    vec3 snow = lit(vec3(0.75, 0.8, 0.85), normalize(vec3(shade * 0.5, 1.0, 0.4))) * mix(0.8, 1.0, clumps);
    return Hit(mix(needles, snow, snowy * 0.8), cover);
}

// The far shore: a dark band of forest tops over the ice.
Hit farShore(vec3 ray, float tanE, float pixel) {
    const float D = 900.0;
    float s = azimuthOf(ray) * D;
    float y = uParams[1].y + tanE * D;
    float tops = 9.0 + 6.0 * noise2(vec2(s * 0.02, 1.0)) + 5.0 * abs(fract(s * 0.25 + noise2(vec2(s * 0.1, 3.0))) - 0.5);
    // Standing on the water line: below it the ice in front is nearer than the far shore.
    float cover = smoothstep(0.5, -0.5, (y - tops) / (pixel * D)) * smoothstep(-0.5, 0.5, y / (pixel * D));
    if (cover <= 0.0) return Hit(vec3(0.0), 0.0);
    vec3 c = lit(vec3(0.05, 0.07, 0.07), vec3(0.0, 0.6, 0.8));
    c = mix(c, skyColour(normalize(vec3(ray.x, 0.03, ray.z))), 0.35);
    return Hit(c, cover);
}

// Snow lit for a surface normal: sunlit faces warm white, faces turned away take the sky's blue.
vec3 snowShade(vec3 n, vec3 ray, float footprint, vec2 g) {
    vec3 albedo = vec3(0.84, 0.87, 0.92);
    float sunFacing = dot(n, uSun.xyz);
    vec3 direct = sunLight() * max(sunFacing, 0.0) + moonLight() * max(dot(n, uMoon.xyz), 0.0);
    // Light scattered inside the snow: the shaded sides glow a little bluer than the sky alone.
    vec3 sky = skyAmbient() * (0.55 + 0.45 * n.y) * vec3(0.86, 0.95, 1.12);
    // The aurora lights the snow from the north: drifts facing it catch its green.
    direct += auroraGlow() * 1.3 * max(dot(n, normalize(vec3(0.0, 0.45, -1.0))), 0.0);
    vec3 c = albedo * (direct + sky);
    // Sparkle: a few ice grains catch the sun or the moon, held to the near snow they can belong to.
    vec2 cell = floor(g * 9.0);
    vec2 grain = fract(g * 9.0) - (0.25 + 0.5 * vec2(hash12(cell), hash12(cell + 3.1)));
    float lucky = step(0.93, hash12(cell + 7.7));
    float size = max(footprint * 9.0, 0.08);
    float glint = lucky * exp(-dot(grain, grain) / (size * size * 0.25)) * smoothstep(0.12, 0.02, footprint);
    vec3 h = normalize(uSun.xyz - ray);
    vec3 hm = normalize(uMoon.xyz - ray);
    c += glint * (sunLight() * pow(max(dot(n, h), 0.0), 8.0) * 1.6 + moonLight() * pow(max(dot(n, hm), 0.0), 8.0) * 8.0);
    return c;
}

// ---- the cabin -------------------------------------------------------------------------------

const float CABIN_D = 48.0;
const float CABIN_AZ = -0.36;

// The lit window's light at a point on the ground, for the glow on the snow.
vec3 windowSpill(vec2 ground) {
    vec2 cabin = vec2(sin(CABIN_AZ), -cos(CABIN_AZ)) * (CABIN_D - 4.0);
    vec2 d = ground - cabin;
    float fall = 1.0 / (1.0 + dot(d, d) * 0.06);
    return vec3(1.0, 0.55, 0.22) * fall * 0.35 * smoothstep(0.2, 0.7, night());
}

float box(vec2 q, vec2 lo, vec2 hi, float px) {
    vec2 a = clamp((q - lo) / px + 0.5, 0.0, 1.0);
    vec2 b = clamp((hi - q) / px + 0.5, 0.0, 1.0);
    return a.x * a.y * b.x * b.y;
}

Hit cabin(vec3 ray, float tanE, float pixel) {
    float s = (azimuthOf(ray) - CABIN_AZ) * CABIN_D + uParams[1].x * 0.9;
    float y = uParams[1].y + tanE * CABIN_D - 0.25;
    float px = pixel * CABIN_D;
    vec2 q = vec2(s, y);
    Hit hit = Hit(vec3(0.0), 0.0);
    if (abs(s) > 9.0 || y > 7.0 || y < -0.5) return hit;

    vec3 logs = vec3(0.16, 0.085, 0.045);
    float warm = smoothstep(0.2, 0.7, night());
    // Front wall: stacked logs, their rounded faces lit from above.
    float front = box(q, vec2(-4.6, -0.4), vec2(3.2, 2.9), px);
    float row = fract(y / 0.32);
    float logFace = 0.55 + 0.45 * sin(row * PI);
    vec3 wall = lit(logs * logFace * (0.85 + 0.3 * noise2(q * vec2(0.6, 3.1))), vec3(0.0, 0.35, 0.94));
    // Gable end, turned away from the light.
    float endWall = box(q, vec2(3.2, -0.4), vec2(6.4, 2.9), px);
    float gable = clamp(((1.7 - abs(s - 4.8) * 1.05) - (y - 2.9)) / px + 0.5, 0.0, 1.0) * box(q, vec2(3.2, 2.8), vec2(6.4, 5.0), px);
    vec3 endColour = lit(logs * 0.7 * logFace, vec3(0.8, 0.3, 0.5));
    // Roof: a snow slab from the eave to the ridge, its lip thick and rounded.
    float ridgeLine = 4.75;
    float roofLeft = -5.1 + (y - 2.7) * 0.55;
    float roofRight = 4.8 - max(y - 4.6, 0.0) * 4.0;
    float roof = box(q, vec2(-5.4, 2.65), vec2(5.2, ridgeLine + 0.2), px) * clamp((s - roofLeft) / px + 0.5, 0.0, 1.0) *
                 clamp((roofRight - s) / px + 0.5, 0.0, 1.0);
    float slope = clamp((y - 2.7) / (ridgeLine - 2.7), 0.0, 1.0);
    vec3 roofSnow = lit(vec3(0.86, 0.9, 0.96), normalize(vec3(-0.2, 0.55 + 0.3 * slope, 0.6)));
    roofSnow *= 0.9 + 0.1 * noise2(q * 2.0);
    // Chimney of stones at the back of the ridge.
    float chimney = box(q, vec2(1.6, 4.2), vec2(2.35, 5.8), px);
    vec3 stone = lit(vec3(0.18, 0.17, 0.16) * (0.7 + 0.5 * noise2(q * 6.0)), vec3(-0.3, 0.3, 0.9));
    float chimneyCap = box(q, vec2(1.5, 5.7), vec2(2.45, 5.95), px);

    // The window: warm light through four panes.
    vec2 w0 = vec2(-2.6, 1.0), w1 = vec2(-0.9, 2.2);
    float frame = box(q, w0 - 0.12, w1 + 0.12, px);
    float glass = box(q, w0, w1, px) * (1.0 - box(q, vec2((w0.x + w1.x) * 0.5 - 0.05, w0.y), vec2((w0.x + w1.x) * 0.5 + 0.05, w1.y), px)) *
                  (1.0 - box(q, vec2(w0.x, (w0.y + w1.y) * 0.5 - 0.05), vec2(w1.x, (w0.y + w1.y) * 0.5 + 0.05), px));
    vec2 inPane = (q - w0) / (w1 - w0);
    vec3 lamp = vec3(1.0, 0.58, 0.22) * (2.2 + 1.2 * (1.0 - length(inPane - vec2(0.4, 0.3))));
    // By day the glass is dark and shows the sky a little.
    vec3 glassColour = mix(vec3(0.05, 0.06, 0.08) + skyAmbient() * 0.15, lamp, warm);
    // The door beside it.
    float door = box(q, vec2(0.6, -0.4), vec2(1.7, 2.05), px);

    vec3 c = wall;
    float cover = front;
    // The window's glow warms the logs around it.
    vec2 toWindow = (q - (w0 + w1) * 0.5) / vec2(2.2, 1.6);
    c += logs * vec3(1.0, 0.6, 0.3) * 2.0 * warm * exp(-dot(toWindow, toWindow));
    c = mix(c, lit(vec3(0.1, 0.05, 0.03), vec3(0.0, 0.3, 0.95)), door);
    c = mix(c, lit(vec3(0.3, 0.2, 0.12), vec3(0.0, 0.3, 0.95)), frame);
    c = mix(c, glassColour, glass);
    c = mix(c, endColour, endWall * (1.0 - front));
    cover = max(cover, endWall);
    c = mix(c, endColour, gable);
    cover = max(cover, gable);
    c = mix(c, stone, chimney);
    c = mix(c, roofSnow, chimneyCap);
    cover = max(cover, max(chimney, chimneyCap));
    c = mix(c, roofSnow, roof);
    cover = max(cover, roof);
    // Snow drifted against the walls.
    // The wind piles it highest at the far corner and scoops it out under the eaves.
    float drift = 0.3 + 0.35 * noise2(vec2(s * 0.55, 1.0)) + 0.1 * noise2(vec2(s * 2.1, 4.0)) + 0.55 * smoothstep(2.5, 6.2, s);
    drift *= smoothstep(-5.2, -3.8, s) * smoothstep(7.0, 5.6, s);
    float bank = clamp((drift - y) / px + 0.5, 0.0, 1.0) * step(-0.5, y);
    // It rises from the level snow, faces the eye, and rounds over to the light at its crest.
    float crest = clamp((y + 0.25) / max(drift + 0.25, 0.1), 0.0, 1.0);
    vec3 bankColour = snowShade(normalize(vec3(-0.15, 1.0 - 0.6 * sin(PI * crest), 0.2 + 0.7 * sin(PI * crest))), ray, 1.0, vec2(0.0));
    c = mix(c, bankColour, bank);
    // Nothing of it shows below the snow it stands in.
    // The bank melts into the level snow in front rather than ending on a line.
    float foot = mix(1.0, smoothstep(-0.25, 0.25, y), bank);
    return Hit(c, cover * foot * clamp((y + 0.25) / px + 0.5, 0.0, 1.0));
}

// Value noise whose lattice repeats every `period` cells upwards, for smoke that rises for ever.
float risingNoise(vec2 p, float period) {
    vec2 i = floor(p);
    vec2 f = fract(p);
    vec2 u = f * f * (3.0 - 2.0 * f);
    vec2 j = vec2(i.x, mod(i.y, period));
    vec2 k = vec2(i.x, mod(i.y + 1.0, period));
    return mix(mix(hash12(j), hash12(j + vec2(1, 0)), u.x), mix(hash12(k), hash12(k + vec2(1, 0)), u.x), u.y);
}

// Wood smoke from the chimney: a soft plume leaning downwind, torn up as it rises and thins.
// It climbs a whole number of noise periods per hour of aurora clock.
Hit smoke(vec3 ray, float tanE) {
    float s = (azimuthOf(ray) - CABIN_AZ) * CABIN_D + uParams[1].x * 0.9;
    float y = uParams[1].y + tanE * CABIN_D - 0.25;
    float h = y - 5.95;
    if (h < 0.0 || h > 16.0) return Hit(vec3(0.0), 0.0);
    float centre = 1.975 + 0.22 * h + 0.035 * h * h;
    float width = 0.3 + 0.24 * h;
    float x = (s - centre) / width;
    if (abs(x) > 2.5) return Hit(vec3(0.0), 0.0);
    const float PERIOD = 16.0;
    float climb = auroraTime() * (PERIOD * 45.0 / HOUR);
    vec2 p = vec2(x * 1.3, h * 0.55 - climb);
    float billow = risingNoise(p, PERIOD) * 0.6 + risingNoise(p * 2.0 + vec2(5.0, 0.0), PERIOD * 2.0) * 0.4;
    float plume = exp(-x * x * 1.4) * smoothstep(0.0, 0.5, h) * pow(1.0 - h / 16.0, 1.5);
    float density = clamp(plume * smoothstep(0.2, 0.75, billow + 0.3 * exp(-h * 0.4)), 0.0, 1.0) * 0.75;
    // Lit by the sky and whatever sun or moon there is, a little warm from the lamp low down. At
    // night the fine particles scatter the aurora's light towards the eye, so the plume shows as
    // a faint pale-green breath rather than vanishing into the dark.
    vec3 c = lit(vec3(0.62, 0.64, 0.68), normalize(vec3(-0.3, 0.7, 0.6))) + windowSpill(vec2(0.0)) * 0.1 * exp(-h * 0.5);
    c += auroraGlow() * 3.0 + moonLight() * 0.4;
    return Hit(c, min(density * mix(1.0, 1.25, night()), 0.9));
}

// ---- ground: snow on the shore, ice on the lake ----------------------------------------------------

vec3 reflectedSky(vec3 ray) {
    vec3 m = vec3(ray.x, -ray.y, ray.z);
    vec3 c = skyColour(m);
    vec2 uv = screenOf(m);
    if (uv.y < 1.0) {
        // Frosted ice blurs the mirror image downwards.
        vec2 texel = 1.0 / vec2(textureSize(layerTexture, 0));
        vec3 a = texture(layerTexture, uv).rgb + texture(layerTexture, uv + vec2(0.0, 3.0) * texel).rgb +
                 texture(layerTexture, uv - vec2(0.0, 3.0) * texel).rgb;
        c += a / 3.0 * smoothstep(1.0, 0.97, uv.y) * night();
    }
    return c;
}

// The wind that shaped the snow blows from the left and away: drifts and sastrugi line up with it.
const vec2 WIND = vec2(0.8, -0.6);

// Height of the snow (m) at ground point g. Each band of detail fades out once a pixel covers
// about half its wavelength, so nothing finer than the screen can resolve ever aliases into bands.
float snowHeight(vec2 g, float footprint) {
    vec2 w = vec2(dot(g, WIND), dot(g, vec2(-WIND.y, WIND.x)));
    // Long soft drifts, stretched downwind.
    float h = 0.9 * noise2(w * vec2(0.025, 0.06)) + 0.35 * noise2(g * 0.11 + 3.0);
    // Sastrugi: sharp crests running with the wind, their sides scoured hollow.
    float ridge = 1.0 - abs(noise2(w * vec2(0.18, 0.75) + 11.0) * 2.0 - 1.0);
    h += 0.2 * ridge * ridge * smoothstep(0.5, 0.12, footprint);
    // Fine ripples across the wind.
    float ripple = sin(w.x * 5.0 + 3.0 * noise2(w * vec2(0.4, 0.9)));
    h += 0.025 * ripple * smoothstep(0.3, 0.08, footprint);
    return h;
}

vec3 snowNormal(vec2 g, float footprint) {
    const float E = 0.07;
    float h0 = snowHeight(g, footprint);
    float hx = snowHeight(g + vec2(E, 0.0), footprint) - h0;
    float hz = snowHeight(g + vec2(0.0, E), footprint) - h0;
    return normalize(vec3(-hx / E, 1.0, -hz / E));
}

vec3 ground(vec3 ray, float tanE, float pixel) {
    float t = uParams[1].y / max(-ray.y, 1e-4);
    vec3 p = vec3(uParams[1].x, uParams[1].y, 0.0) + ray * t;
    float dist = t * horizontalLength(ray);
    float a = azimuthOf(ray);
    float shore = shoreDistance(a);
    vec2 g = p.xz;
    // Ground length one pixel covers, in depth, where it is longest.
    float footprint = pixel * dist * dist / max(uParams[1].y, 0.5);
    float detail = smoothstep(3.0, 0.4, footprint);

    vec3 n = snowNormal(g, footprint);
    // The bank drops to the ice: its face leans towards the eye across the last metres of shore.
    float toShore = shore - dist;
    float bank = smoothstep(4.0, 0.5, toShore) * smoothstep(-0.5, 0.5, toShore);
    n = normalize(n + vec3(ray.x, 0.0, ray.z) / max(horizontalLength(ray), 1e-4) * -0.9 * bank);
    vec3 snow = snowShade(n, ray, footprint, g);
    snow += windowSpill(g) * vec3(0.95, 0.95, 1.0);

    // Ice: a dim mirror, with a few pale cracks, under snow the wind has combed into streaks.
    float fresnel = 0.04 + 0.5 * pow(1.0 - clamp(-ray.y, 0.0, 1.0), 5.0);
    vec3 iceBody = lit(vec3(0.04, 0.07, 0.09), vec3(0.0, 1.0, 0.0));
    vec3 ice = iceBody + reflectedSky(ray) * fresnel;
    vec2 w = vec2(dot(g, WIND), dot(g, vec2(-WIND.y, WIND.x)));
    float streaks = noise2(w * vec2(0.03, 0.16)) * 0.6 + noise2(w * vec2(0.12, 0.6) + 5.0) * 0.4 * detail;
    float crack = 1.0 - smoothstep(0.0, 0.04 + footprint * 0.03, abs(noise2(g * 0.08) - 0.5));
    ice = mix(ice, lit(vec3(0.5, 0.58, 0.66), vec3(0.0, 1.0, 0.0)), crack * 0.25 * detail);
    // Dust lies thick along the shore and thins out onto the lake.
    float fromShore = dist - shore;
    float dust = smoothstep(0.5, 0.85, streaks + 0.3 * exp(-fromShore / 8.0));
    vec3 dustSnow = snowShade(vec3(0.0, 1.0, 0.0), ray, footprint, g);
    ice = mix(ice, dustSnow * 0.95, dust * 0.75);
    ice += windowSpill(g) * 0.5;

    float onShore = smoothstep(-0.4 - footprint, 0.4 + footprint, fromShore);
    vec3 c = mix(snow, ice, onShore);
    // Far ice fades into the haze at the far shore.
    c = mix(c, skyColour(normalize(vec3(ray.x, 0.02, ray.z))) * 0.7, smoothstep(300.0, 900.0, dist) * 0.4);
    return c;
}

// ---- snowfall ------------------------------------------------------------------------------------
// Three depths of flakes in screen space; each falls through its cell once every few seconds, a
// whole number of times per hour.

vec3 snowfall(vec2 uv, float amount, vec3 light) {
    if (amount <= 0.0) return vec3(0.0);
    float aspect = uResolution.x * uResolution.w;
    float t = uTime.x;
    vec3 c = vec3(0.0);
    for (int layer = 0; layer < 3; ++layer) {
        float fl = float(layer);
        float cells = 9.0 + fl * 7.0;
        float fallPeriod = 12.0 + fl * 6.0;  // 12, 18, 24 s: whole numbers of falls per hour
        vec2 p = vec2(uv.x * aspect, uv.y) * cells;
        p.y += t / fallPeriod * cells;
        p.x += sin(t * 2.0 * PI / (fallPeriod * 0.5) + uv.y * 6.0 + fl) * 0.2 * (1.0 - fl * 0.2);
        vec2 cell = floor(p);
        // The column of cells repeats after an hour's fall, so the clock's wrap moves nothing.
        cell.y = mod(cell.y, HOUR / fallPeriod * cells);
        vec2 h = vec2(hash12(cell + fl * 17.0), hash12(cell + fl * 17.0 + 5.3));
        if (hash12(cell + fl * 41.0) > amount * (0.16 - fl * 0.04)) continue;
        vec2 centre = cell + 0.2 + 0.6 * h;
        float r = (0.05 - fl * 0.012) * (0.6 + 0.4 * h.x);
        float d = length(p - centre);
        float edge = max(r, cells * 1.5 * uResolution.w);
        c += light * smoothstep(edge, edge * 0.2, d) * (0.5 + 0.5 * h.y) * (1.0 - fl * 0.25);
    }
    return c;
}

// ---- the picture -------------------------------------------------------------------------------

void over(inout vec3 c, Hit h) {
    c = mix(c, h.colour, h.cover);
}

void sceneFragment() {
    vec2 uv = sceneUV;
    vec3 ray = viewRayAt(uv);
    float pixel = 2.0 * TAN_HALF_FOV * uResolution.w;  // radians per pixel, near enough
    float tanE = ray.y / max(horizontalLength(ray), 1e-4);

    // Sky with stars and the aurora; a tent filter smooths the layer's half-resolution march.
    vec3 c = skyColour(ray) + stars(ray, pixel) * smoothstep(0.55, 0.95, night());
    vec2 texel = 0.5 / vec2(textureSize(layerTexture, 0));
    vec3 glow = 0.25 * (texture(layerTexture, uv + texel).rgb + texture(layerTexture, uv - texel).rgb +
                        texture(layerTexture, uv + vec2(texel.x, -texel.y)).rgb +
                        texture(layerTexture, uv + vec2(-texel.x, texel.y)).rgb);
    c += glow * night();

    // Below the horizon the ground hides the range.
    if (tanE > -pixel) over(c, peaks(ray, tanE, pixel));
    if (ray.y < 0.0) {
        float groundCover = clamp(-tanE * 2.0 / pixel + 0.5, 0.0, 1.0);
        c = mix(c, ground(ray, tanE, pixel), groundCover);
    }
    if (abs(tanE) < 0.05) over(c, farShore(ray, tanE, pixel));
    over(c, spruceRow(ray, tanE, 95.0, 3.0, 0.8, 0.0, pixel));
    over(c, spruceRow(ray, tanE, 70.0, 11.0, 0.55, 0.0, pixel));
    over(c, cabin(ray, tanE, pixel));
    over(c, smoke(ray, tanE));
    over(c, spruceRow(ray, tanE, 36.0, 19.0, 0.45, 0.62, pixel));
    over(c, spruceRow(ray, tanE, 20.0, 27.0, 0.5, 0.75, pixel));

    vec3 flakeLight = skyAmbient() * 1.6 + moonLight() * 0.8 + sunLight() * 0.25 + vec3(0.02);
    c += snowfall(uv, uParams[0].y, flakeLight);

    fragColor = vec4(encodeOutput(toneMap(c * 1.1), gl_FragCoord.xy), 1.0);
}
#endif
