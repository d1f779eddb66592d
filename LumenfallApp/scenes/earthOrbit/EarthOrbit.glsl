// Earth from Orbit: the day and night images on a unit sphere lit by the real sun, with a thin
// scattering atmosphere, ocean glint, city lights and two drifting cloud layers.
//
// Everything is in the Earth-fixed frame: +z through the North Pole, +x through latitude 0
// longitude 0, +y through longitude 90 E. Equirectangular maps keep north at t = 0.
//
// uParams[0] = camera position, cloud cross-fade (w)
// uParams[1] = camera forward, fractional hour of the scene clock (w)
// uParams[2] = camera right, 1 for the globe view (w)
// uParams[3] = camera up
// uData[0]   = sun direction

const float ATMOSPHERE_TOP = 0.06;
// Scale height, exaggerated a few times so the limb reads as a band at wallpaper sizes.
const float SCALE_HEIGHT = 0.008;
// Extinction per unit of column (Earth radii of air at sea-level density).
const vec3 RAYLEIGH = vec3(5.8, 13.5, 33.1);
const float CLOUD_HEIGHT = 0.004;

#ifdef FRAGMENT_STAGE

// ---- the cloud maps ------------------------------------------------------------------------

layout(std140, binding = EARTH_CLOUD_SEED_SLOT) uniform CloudSeed {
    vec4 uCloudSeed;  // seed, 1 for the sparse "few" look
};

// Each octave is turned as well as scaled, so the value lattice never lines up into visible rows.
const mat3 OCTAVE_TURN = mat3(0.00, 0.80, 0.60, -0.80, 0.36, -0.48, -0.60, -0.48, 0.64) * 2.03;

float cloudFbm(vec3 p, int octaves) {
    float sum = 0.0;
    float weight = 1.0;
    for (int i = 0; i < octaves; ++i) {
        weight *= 0.5;
        sum += weight * valueNoise3(p);
        p = OCTAVE_TURN * p + 7.1;
    }
    return sum / (1.0 - weight);  // the weights add up to 1 - 2^-octaves
}

vec3 spherePoint(float lat, float lon) {
    return vec3(cos(lat) * cos(lon), cos(lat) * sin(lon), sin(lat));
}

const int STORMS_PER_HEMISPHERE = 5;

// The mid-latitude lows: each one winds the field around its centre (anticlockwise in the north,
// clockwise in the south) and trails a cold front towards the equator and the west. Returns the
// wound position; front gathers the frontal cloud bands.
vec3 windAroundLows(vec3 p, float seed, out float front) {
    front = 0.0;
    vec3 q = p;
    for (int k = 0; k < 2 * STORMS_PER_HEMISPHERE; ++k) {
        float hemisphere = k < STORMS_PER_HEMISPHERE ? 1.0 : -1.0;
        float slot = float(k % STORMS_PER_HEMISPHERE);
        vec3 h = hash33(vec3(slot, hemisphere, 17.0));
        // The lows march slowly east from one map to the next.
        float lon = (slot + 0.8 * h.x) / float(STORMS_PER_HEMISPHERE) * 2.0 * PI + seed * 0.05;
        float lat = hemisphere * (0.74 + 0.22 * h.y);
        vec3 c = spherePoint(lat, lon);
        float radius = 0.11 + 0.08 * h.z;
        float d = acos(clamp(dot(p, c), -1.0, 1.0)) / radius;
        if (d > 4.5) continue;

        // Tight in the middle, loosening outwards: spiral arms rather than a solid turn.
        float turn = hemisphere * (1.3 + 0.9 * h.x) * exp(-d * d * 0.6);
        float cs = cos(turn), sn = sin(turn);
        q = q * cs + cross(c, q) * sn + c * dot(c, q) * (1.0 - cs);

        // The front, in the low's own east/north frame, bends away west as it runs towards the
        // equator; it is read on the wound position so it curls into the comma head.
        vec3 east = normalize(cross(vec3(0.0, 0.0, 1.0), c));
        vec3 north = cross(c, east) * hemisphere;
        vec3 r = q - c;
        float x = dot(r, east) / radius;
        float y = dot(r, north) / radius;
        float bend = x + 0.25 * y * y + 0.3 * y;
        float along = smoothstep(0.6, -0.4, y) * smoothstep(-5.0 - 2.0 * h.y, -1.5, y);
        front += exp(-bend * bend * 1.6) * along;
    }
    return q;
}

// A soft round puff in some of the lattice cells, never cut by the cell walls.
float puff(vec3 at, float chance) {
    vec3 cell = floor(at);
    vec3 h = hash33(cell + 41.0);
    if (h.x > chance) return 0.0;
    vec3 centre = cell + 0.35 + 0.3 * h.yzx;
    float r = 0.18 + 0.14 * h.y;
    return smoothstep(r, r * 0.2, length(at - centre)) * (0.6 + 0.4 * h.z);
}

// One equirectangular coverage map. The noise lives on the sphere, so the map has no seam and no
// pinched poles; the seed moves the field through a fourth direction, so consecutive maps are the
// same weather a little later rather than new weather.
void cloudMapFragment() {
    float lon = (sceneUV.x - 0.5) * 2.0 * PI;
    float lat = (0.5 - sceneUV.y) * PI;
    vec3 p = spherePoint(lat, lon);
    float seed = uCloudSeed.x;
    vec3 drift = vec3(0.0, 0.0, seed * 0.6);
    float degrees = lat * 180.0 / PI;
    float a = abs(degrees);

    float front;
    vec3 q = windAroundLows(p, seed, front);

    // The weather systems: a warped field, squeezed north-south where the westerlies stretch it
    // into long bands.
    float zonal = smoothstep(25.0, 45.0, a) * (1.0 - 0.5 * smoothstep(65.0, 80.0, a));
    vec3 stretch = vec3(1.0, 1.0, 1.0 + 1.8 * zonal);
    vec3 s = q * stretch * 2.2 + drift;
    vec3 warp = vec3(cloudFbm(s, 3), cloudFbm(s + vec3(5.2, 1.3, 2.8), 3), 0.0) - 0.5;
    vec3 w = q * stretch * 4.0 + vec3(warp.xy, warp.x - warp.y) * 2.0 + drift * 1.3;
    float systems = cloudFbm(w, 4);
    // Fractal edges: the fine octaves eat into the decks at every scale.
    float fine = cloudFbm(w * 9.0 + 3.1, 4);

    // The belts: the ITCZ a little north of the equator, the trade-wind cumulus either side, the
    // clear subtropical highs, the storm tracks and the grey polar decks.
    float itcz = exp(-pow((degrees - 6.0) / 8.0, 2.0));
    float trades = smoothstep(7.0, 12.0, a) * (1.0 - smoothstep(18.0, 26.0, a));
    float highs = exp(-pow((a - 27.0) / 6.0, 2.0));
    float storms = exp(-pow((a - 52.0) / 13.0, 2.0));
    float polar = smoothstep(62.0, 78.0, a);
    float few = uCloudSeed.y;

    // Mid-latitude and polar decks: broken by the warped field, gathered into the fronts, and
    // eaten at every scale by the fine octaves.
    float deck = systems + 0.38 * front * storms - 0.5 + (fine - 0.5) * 0.8;
    float cover = smoothstep(-0.05, 0.5, deck + 0.24 * storms + 0.08 * polar - 0.16 * highs - 0.1 * few);
    cover *= min(storms + polar * 0.7 + 0.35 * (1.0 - highs), 1.0);

    // Deep convection in the ITCZ: clustered towers, thick in the middle of each cluster.
    float clusters = cloudFbm(q * 11.0 + drift * 2.0 + 1.7, 3);
    float towers = smoothstep(0.5 + 0.08 * few, 0.88, clusters + (fine - 0.5) * 0.6 + (systems - 0.5) * 0.3);
    // Anvils thin out from the core: the top of each cluster is not one flat sheet.
    towers *= 0.7 + 0.3 * smoothstep(0.3, 0.7, fine);
    cover = max(cover, towers * itcz);

    // Trade-wind cumulus: small round puffs, gathered loosely where the large field is high.
    float streets = smoothstep(0.3, 0.7, systems + (fine - 0.5) * 0.4);
    float chance = mix(0.2, 0.75, streets) * (1.0 - 0.5 * few);
    vec3 puffAt = OCTAVE_TURN * (p * 10.0) + drift * 3.0 + warp * 0.6;
    float popcorn = max(puff(puffAt, chance), puff(puffAt * 2.2 + 3.3, chance)) * (0.35 + 0.65 * fine);
    cover = max(cover, popcorn * 0.75 * (trades + 0.4 * storms * (1.0 - cover)) * (1.0 - 0.8 * highs));

    fragColor = vec4(clamp(cover, 0.0, 1.0), 0.0, 0.0, 1.0);
}

// ---- the scene ------------------------------------------------------------------------------

layout(binding = SCENE_TEXTURE0_SLOT) uniform sampler2D earthDay;
layout(binding = SCENE_TEXTURE1_SLOT) uniform sampler2D earthNight;
layout(binding = SCENE_TEXTURE2_SLOT) uniform sampler2D cloudsOlder;
layout(binding = SCENE_TEXTURE3_SLOT) uniform sampler2D cloudsNewer;

vec2 mapCoordinate(vec3 n) {
    return vec2(atan(n.y, n.x) / (2.0 * PI) + 0.5, 0.5 - asin(clamp(n.z, -1.0, 1.0)) / PI);
}

// Map footprints, taken once in uniform control flow, with the jump where longitude wraps removed
// so the mip level stays right along the date line.
struct Footprint {
    vec2 dx;
    vec2 dy;
};

Footprint footprintOf(vec2 uv) {
    Footprint f;
    f.dx = dFdx(uv);
    f.dy = dFdy(uv);
    f.dx.x -= round(f.dx.x);
    f.dy.x -= round(f.dy.x);
    return f;
}

vec4 sampleMap(sampler2D map, vec2 uv, Footprint f) {
    return textureGrad(map, uv, f.dx, f.dy);
}

float cloudCover(vec2 uv, Footprint f) {
    float fade = uParams[0].w;
    return mix(sampleMap(cloudsOlder, uv, f).r, sampleMap(cloudsNewer, uv, f).r, fade);
}

// The same with a cubic B-spline from four bilinear taps: up close a map texel spans several
// pixels, and plain bilinear shows its diamonds once the edges are sharpened.
float smoothCloudCover(vec2 uv, Footprint f) {
    vec2 size = vec2(textureSize(cloudsOlder, 0));
    vec2 t = uv * size - 0.5;
    vec2 i = floor(t);
    vec2 a = t - i;
    vec2 a2 = a * a;
    vec2 a3 = a2 * a;
    vec2 w0 = (1.0 - 3.0 * a + 3.0 * a2 - a3) / 6.0;
    vec2 w1 = (4.0 - 6.0 * a2 + 3.0 * a3) / 6.0;
    vec2 w2 = (1.0 + 3.0 * a + 3.0 * a2 - 3.0 * a3) / 6.0;
    vec2 w3 = a3 / 6.0;
    vec2 g0 = w0 + w1;
    vec2 g1 = w2 + w3;
    vec2 p0 = (i - 1.0 + w1 / g0 + 0.5) / size;
    vec2 p1 = (i + 1.0 + w3 / g1 + 0.5) / size;
    return g0.y * (g0.x * cloudCover(vec2(p0.x, p0.y), f) + g1.x * cloudCover(vec2(p1.x, p0.y), f)) +
           g1.y * (g0.x * cloudCover(vec2(p0.x, p1.y), f) + g1.x * cloudCover(vec2(p1.x, p1.y), f));
}

// Sunlight reaching a point at altitude h whose zenith makes cosine mu with the sun: cut off by
// the Earth's shadow and reddened by the air it crosses.
vec3 sunlight(float mu, float h) {
    // The heights here are stretched several times; the Earth's shadow is cast by the true ones.
    float horizon = -sqrt(max(0.3 * h, 0.0));
    float lit = smoothstep(horizon - 0.06, horizon + 0.08, mu);
    float airmass = 1.0 / (max(mu - horizon, 0.0) + 0.035);
    return lit * exp(-RAYLEIGH * SCALE_HEIGHT * exp(-h / SCALE_HEIGHT) * airmass);
}

float rayleighPhase(float c) {
    return 0.75 * (1.0 + c * c);
}

struct Hit {
    bool ground;
    float t;
};

Hit intersectEarth(vec3 ro, vec3 rd) {
    float b = dot(ro, rd);
    float c = dot(ro, ro) - 1.0;
    float h = b * b - c;
    Hit hit;
    hit.ground = h > 0.0 && -b - sqrt(h) > 0.0;
    hit.t = hit.ground ? -b - sqrt(h) : 0.0;
    return hit;
}

// Sun glint: a rough-water lobe around the mirror direction.
float glint(vec3 n, vec3 v, vec3 s) {
    vec3 h = normalize(s + v);
    float nh = max(dot(n, h), 1e-3);
    float nv = max(dot(n, v), 0.05);
    float m2 = 0.012;
    float t2 = (1.0 - nh * nh) / (nh * nh);
    float d = exp(-t2 / m2) / (PI * m2 * nh * nh * nh * nh);
    float fresnel = 0.02 + 0.98 * pow(1.0 - max(dot(h, v), 0.0), 5.0);
    return fresnel * d / (4.0 * nv);
}

// Fine detail on the sphere, centred on 0 within about 0.5 either way; each octave fades out before
// its cells get smaller than a pixel, so nothing shimmers.
float fineDetail(vec3 p, float pixelRadians, float scale, int octaves) {
    float sum = 0.0;
    float weight = 0.55;
    for (int i = 0; i < octaves; ++i) {
        float fade = 1.0 - smoothstep(0.25, 0.6, scale * pixelRadians);
        sum += weight * fade * (valueNoise3(p * scale) - 0.5);
        scale *= 2.3;
        weight *= 0.6;
    }
    return sum;
}

vec3 surface(vec3 p, vec2 uv, Footprint f, float pixelRadians, vec3 rd, vec3 s) {
    vec3 n = p;
    vec3 v = -rd;
    float mu = dot(n, s);
    float hour = uParams[1].w;

    vec3 albedo = sampleMap(earthDay, uv, f).rgb;
    vec3 nightImage = sampleMap(earthNight, uv, f).rgb;

    // Water in the day image: dark and blue; ice and desert never qualify.
    float lum = luminance(albedo);
    float ocean = smoothstep(0.004, 0.02, albedo.b - max(albedo.r, albedo.g * 0.9)) * (1.0 - smoothstep(0.05, 0.12, lum));

    // Two layers: a low deck and thin, faster high cloud read stretched along the winds. Each sways
    // gently east and west over the hour, so the motion never jumps when the hour wraps.
    float sway = sin(2.0 * PI * hour);
    vec2 lowUV = uv + vec2(0.0025 * sway, 0.0);
    vec2 highUV = vec2(uv.x + 0.37 - 0.004 * sway, 1.0 - uv.y);
    // The maps are coarser than the screen up close: fine noise on the sphere breaks the deck's
    // soft edges into crisp, ragged ones.
    // Starting just under a map texel, so the octaves carry the map's fractal edges on down.
    float detail = fineDetail(p, pixelRadians, 380.0, 3);
    float deck = clamp(smoothCloudCover(lowUV, f), 0.0, 1.0);
    // Thin cloud stays see-through: the opacity grows gently with the deck, only the cores go solid.
    float low = smoothstep(0.02, 0.8, deck + detail * 1.2 * sqrt(deck * (1.0 - deck)));
    low *= 0.92 + 0.08 * low;
    Footprint mirrored = Footprint(f.dx * vec2(1.0, -1.0), f.dy * vec2(1.0, -1.0));
    // Cirrus: a faint veil where the mirrored map is thick, combed into streaks along the
    // westerlies (noise squeezed north-south only), which fade to an even veil before they alias.
    float streakScale = 500.0;
    float comb = 1.0 - smoothstep(0.3, 0.7, streakScale * pixelRadians);
    vec3 streakAt = vec3(p.xy * 40.0, p.z * streakScale) + vec3(11.0, 3.0, 0.0);
    float streak = mix(0.55, 0.65 * valueNoise3(streakAt) + 0.35 * valueNoise3(streakAt * 2.1 + 5.0), comb);
    float high = smoothstep(0.4, 1.0, cloudCover(highUV, mirrored)) * 0.3 * smoothstep(0.3, 0.8, streak);

    // The deck's shadow falls away from the sun, longer as the sun gets lower.
    vec3 tangentSun = s - n * mu;
    float reach = CLOUD_HEIGHT * min(sqrt(max(1.0 - mu * mu, 0.0)) / max(mu, 0.08), 8.0);
    vec2 shadowUV = mapCoordinate(normalize(n - normalize(tangentSun + 1e-6) * reach)) + vec2(0.0025 * sway, 0.0);
    float shadow = 1.0 - 0.65 * cloudCover(shadowUV, f);

    vec3 sun = sunlight(mu, 0.0);
    // Skylight by day; by night moonlight and airglow keep land and cloud just visible.
    float moonlight = 0.35 + 0.65 * uSky.w;
    vec3 sky = vec3(0.10, 0.16, 0.30) * smoothstep(-0.04, 0.3, mu) + vec3(0.006, 0.008, 0.014) * moonlight;
    // Twilight: just past the terminator the ground is lit only by the reddened sky overhead.
    vec3 twilight = vec3(0.22, 0.08, 0.025) * exp(-pow((mu + 0.01) / 0.045, 2.0));
    sky += twilight;
    vec3 ground = albedo * (sun * max(mu, 0.0) * 3.2 * shadow + sky * 0.6) + vec3(0.0008, 0.0011, 0.0019);
    ground += ocean * shadow * sun * glint(n, v, s) * max(mu, 0.0) * 10.0;

    // City lights only where it is dark, dimmed by cloud; the night image's faint land glow is left
    // out by the curve.
    float nightLum = luminance(nightImage);
    float darkness = smoothstep(0.04, -0.12, mu);
    // The image's lights are blurred at this scale: the fine noise gathers them into clusters
    // of bright points, and a wider sample of the image gives their glow.
    float density = smoothstep(0.06, 0.85, nightLum);
    // Towns a few pixels apart at any view scale: the octaves start where the image gives out.
    float sparkle = max(1.0 + 3.2 * fineDetail(p + 3.0, pixelRadians, 420.0, 3), 0.0);
    float halo = luminance(sampleMap(earthNight, uv, Footprint(f.dx * 6.0, f.dy * 6.0)).rgb);
    vec3 city = vec3(1.0, 0.70, 0.40) * (density * density * sparkle * 0.8 + smoothstep(0.05, 0.7, halo) * 0.06);
    ground += city * darkness * (1.0 - 0.75 * low);

    // Clouds catch the sun a little past the ground terminator.
    vec3 cloudSun = sunlight(mu, CLOUD_HEIGHT);
    vec3 cloudLight = cloudSun * (max(mu + 0.04, 0.0) * 2.9 + 0.05) + sky * 0.7;
    // Moonlit tops: faint, cool and only where it is dark enough to notice.
    cloudLight += vec3(0.020, 0.026, 0.040) * (0.15 + 0.85 * uSky.w) * darkness;
    // Thick cloud is brighter than thin, and the fine noise gives the tops their lumps.
    float tops = mix(0.55, 1.0, sqrt(deck)) * (0.9 + 0.4 * detail);
    vec3 color = mix(ground, vec3(0.95) * tops * cloudLight, low);
    color = mix(color, vec3(0.95) * cloudLight, high * (1.0 - low * 0.5));
    return color;
}

// Light scattered towards the camera along the ray, and how much of what lies behind gets through.
// The column is the air along the whole ray (to the ground or out again); it is lit where its
// densest point is.
vec3 atmosphere(vec3 ro, vec3 rd, Hit hit, vec3 s, out vec3 transmittance) {
    vec3 densest;
    float column;
    if (hit.ground) {
        densest = ro + rd * hit.t;
        float mu = max(dot(densest, -rd), 0.0);
        column = SCALE_HEIGHT / (mu + 0.0714);
    } else {
        float tc = max(-dot(ro, rd), 0.0);
        densest = ro + rd * tc;
        float h = length(densest) - 1.0;
        column = 2.0 * SCALE_HEIGHT * 14.0 * exp(-h / SCALE_HEIGHT) * smoothstep(ATMOSPHERE_TOP, ATMOSPHERE_TOP * 0.6, h);
    }
    float h = max(length(densest) - 1.0, 0.0);
    vec3 n = normalize(densest);
    vec3 optical = RAYLEIGH * column;
    transmittance = exp(-optical);
    // Most of what a ray scatters comes from a scale height or two up, where the sun is less red.
    // Over the ground the air that matters is low: lit from lower, it dims with the ground at the
    // terminator instead of hanging past it as a pale veil.
    float lightHeight = hit.ground ? 0.5 * SCALE_HEIGHT : max(h, 1.5 * SCALE_HEIGHT);
    vec3 light = sunlight(dot(n, s), lightHeight) * rayleighPhase(dot(rd, s)) * 1.1;
    vec3 scattered = (1.0 - transmittance) * light;
    // Blue haze under a reddened sun reads grey-green; near the terminator the haze thins out.
    if (hit.ground) scattered *= smoothstep(-0.04, 0.25, dot(n, s));

    // A faint green airglow line above the night side, where the daylit blue no longer hides it.
    if (!hit.ground) {
        float glow = exp(-pow((h - 0.016) / 0.0028, 2.0)) * smoothstep(0.05, -0.2, dot(n, s));
        scattered += vec3(0.12, 0.30, 0.13) * 0.03 * glow;
    }
    return scattered;
}

vec3 starField(vec3 rd, float pixelAngle) {
    vec3 p = rd * 260.0;
    vec3 cell = floor(p);
    vec3 jitter = hash33(cell);
    float present = step(0.992, jitter.x);
    vec3 centre = cell + 0.25 + 0.5 * jitter.yzx;
    float d = length(p - centre) / (260.0 * pixelAngle);
    float core = exp(-d * d * 1.2);
    float brightness = pow(jitter.z, 6.0) * 0.4 + 0.015;
    vec3 tint = mix(vec3(0.8, 0.88, 1.0), vec3(1.0, 0.9, 0.75), jitter.y);
    return present * core * brightness * tint;
}

void sceneFragment() {
    vec3 ro = uParams[0].xyz;
    vec3 forward = uParams[1].xyz;
    vec3 right = uParams[2].xyz;
    vec3 up = uParams[3].xyz;
    bool globe = uParams[2].w > 0.5;
    vec3 s = normalize(uData[0].xyz);

    float aspect = uResolution.x * uResolution.w;
    float tanHalf = globe ? 0.43 : 0.62;
    vec2 ndc = sceneUV * 2.0 - 1.0;
    vec3 rd = normalize(forward + right * ndc.x * aspect * tanHalf + up * ndc.y * tanHalf);
    float pixelAngle = 2.0 * tanHalf * uResolution.w;

    Hit hit = intersectEarth(ro, rd);
    // The ground point, or for rays that pass by, the nearest point of the sphere: the edge pixels
    // blend the two so the limb is not a staircase.
    float tc = max(-dot(ro, rd), 0.0);
    float miss = length(ro + rd * tc);
    vec3 p = hit.ground ? ro + rd * hit.t : (ro + rd * tc) / miss;
    vec2 uv = mapCoordinate(p);
    Footprint f = footprintOf(uv);
    float pixelRadians = max(length(dFdx(p)), length(dFdy(p)));
    float coverage = clamp(0.5 + (1.0 - miss) / (pixelAngle * max(tc, 0.1)), 0.0, 1.0);

    // The night sky only shows when the camera itself is over the dark side.
    float dark = smoothstep(0.15, -0.2, dot(normalize(ro), s));
    vec3 space = starField(rd, pixelAngle) * (globe ? 0.6 : dark);
    float sunDisc = smoothstep(0.99995, 0.99999, dot(rd, s));
    space += vec3(20.0) * sunDisc + vec3(1.0, 0.9, 0.75) * 0.03 * pow(max(dot(rd, s), 0.0), 400.0);
    vec3 behind = space;
    if (coverage > 0.0) behind = mix(space, surface(p, uv, f, pixelRadians, rd, s), coverage);
    vec3 transmittance;
    vec3 scattered = atmosphere(ro, rd, hit, s, transmittance);
    vec3 color = behind * transmittance + scattered;

    fragColor = vec4(encodeOutput(toneMapHue(color * 1.1, 4.0), gl_FragCoord.xy), 1.0);
}

#endif
