// Desert Night Sky: moonlit dunes under the Milky Way, with a shooting star now and then.
//
// The half-resolution layer draws the diffuse light of the galaxy and its dust lanes (alpha: how
// much of the starlight behind the dust comes through). The main pass marches the dune field,
// lights it by the moon or the sun, and lays stars, moon and meteors over the sky.
//
// uParams[0] = direction of right ascension 0 h on the equator, mean seconds between meteors
// uParams[1] = direction of right ascension 6 h on the equator, parallax x
// uParams[2] = direction of the north celestial pole, parallax y
// uParams[3] = viewing bearing (radians)
//
// The sky vectors come in the frame of a view looking south; the display's own bearing turns
// them (and the dunes) so side displays see other parts of the same desert. The star basis
// already comes in the display's frame.

#ifdef FRAGMENT_STAGE

const float FOCAL = 1.9;
const float PITCH = 0.15;      // the view tilts up a little: more sky
const float EYE = 5.5;         // eye height above the sand under the camera
const float HORIZON_FAR = 420.0;
const float DUNE_TOP = 8.5;    // no sand rises above this

// Galactic axes in equatorial coordinates: towards the centre, towards longitude 90 degrees and
// the galactic north pole.
const vec3 GAL_CENTER = vec3(-0.05488, -0.87344, -0.48383);
const vec3 GAL_Y = vec3(0.49410, -0.44483, 0.74699);
const vec3 GAL_POLE = vec3(-0.86767, -0.19807, 0.45598);

// ---- frames ------------------------------------------------------------------------------------

// Turns a vector of the display's frame into the south-looking frame the sky vectors use.
vec3 toSouthFrame(vec3 v) {
    float delta = uParams[3].x - PI;
    float c = cos(delta), s = sin(delta);
    return vec3(v.x * c - v.z * s, v.y, v.z * c + v.x * s);
}

// The display's view ray for a screen position, with the parallax turning the view a little.
vec3 displayRay(vec2 uv) {
    float aspect = uResolution.x * uResolution.w;
    vec2 ndc = uv * 2.0 - 1.0;
    float yaw = uParams[1].w * 0.025;
    float pitch = PITCH + uParams[2].w * 0.015;
    vec3 forward = vec3(sin(yaw) * cos(pitch), sin(pitch), -cos(yaw) * cos(pitch));
    vec3 right = normalize(vec3(cos(yaw), 0.0, sin(yaw)));
    vec3 up = cross(right, forward);
    return normalize(forward * FOCAL + right * ndc.x * aspect + up * ndc.y);
}

// Where a display ray points among the fixed stars: equatorial Cartesian coordinates.
vec3 equatorial(vec3 ray) {
    return vec3(dot(ray, uParams[0].xyz), dot(ray, uParams[1].xyz), dot(ray, uParams[2].xyz));
}

float pixelAngle() {
    return 2.0 / (FOCAL * uResolution.y);
}

// ---- noise -------------------------------------------------------------------------------------

float noise2(vec2 p) {
    vec2 i = floor(p);
    vec2 f = fract(p);
    vec2 u = f * f * f * (f * (f * 6.0 - 15.0) + 10.0);
    float a = hash12(i);
    float b = hash12(i + vec2(1.0, 0.0));
    float c = hash12(i + vec2(0.0, 1.0));
    float d = hash12(i + vec2(1.0, 1.0));
    return mix(mix(a, b, u.x), mix(c, d, u.x), u.y);
}

float fbm3(vec3 p, int octaves) {
    float sum = 0.0, amplitude = 0.5, norm = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * valueNoise3(p);
        norm += amplitude;
        amplitude *= 0.5;
        p = p * 2.03 + vec3(5.1, 1.7, 3.3);
    }
    return sum / norm;
}

// ---- the sky light -----------------------------------------------------------------------------

struct SkyLight {
    vec3 sun;        // directions in the south-looking frame
    vec3 moon;
    float daylight;
    float moonLight; // how strongly the moon lights the land, 0 when it is down
};

SkyLight skyLight() {
    SkyLight s;
    s.sun = uSun.xyz;
    s.moon = uMoon.xyz;
    s.daylight = uSky.y;
    float moonUp = smoothstep(-0.03, 0.08, s.moon.y);
    s.moonLight = moonUp * (0.15 + 0.85 * uSky.w) * (1.0 - s.daylight);
    return s;
}

vec3 sunColor(float elevation) {
    // Low sun reddens through the long air path.
    float low = 1.0 - smoothstep(0.0, 0.35, elevation);
    return mix(vec3(1.0, 0.93, 0.84), vec3(1.0, 0.52, 0.24), low) * smoothstep(-0.05, 0.02, elevation);
}

const vec3 MOON_TINT = vec3(0.45, 0.62, 1.0);

// The air itself for a direction of the south-looking frame, without stars or galaxy.
vec3 skyColor(vec3 ray, SkyLight light) {
    float y = max(ray.y, 0.0);
    float sunElev = light.sun.y;

    // Night: blue-black above, a little lighter and warmer low down, where a far-off town glows.
    vec3 night = mix(vec3(0.0060, 0.0080, 0.0160), vec3(0.0016, 0.0024, 0.0060), pow(y, 0.45));
    night += vec3(0.006, 0.007, 0.004) * exp(-y * 14.0);  // airglow along the horizon
    vec2 townDir = normalize(vec2(0.55, -0.83));         // towards the south-west
    float town = max(dot(normalize(ray.xz + 1e-5), townDir), 0.0);
    night += vec3(0.034, 0.015, 0.005) * exp(-y * 22.0) * (0.35 + 0.65 * town * town * town);
    // The moon brightens the whole sky, most around itself and low down.
    float moonAngle = max(dot(ray, light.moon), 0.0);
    night += MOON_TINT * light.moonLight * (0.004 + 0.008 * exp(-y * 5.0) + 0.04 * pow(moonAngle, 24.0));

    // Day: deep blue overhead, pale at the horizon, a bright aureole round the sun.
    vec3 zenith = vec3(0.10, 0.24, 0.62);
    vec3 horizon = vec3(0.52, 0.62, 0.74);
    vec3 day = mix(horizon, zenith, pow(y, 0.55));
    float sunAngle = max(dot(ray, light.sun), 0.0);
    vec3 sunLight = sunColor(sunElev);
    day += sunLight * (0.18 * pow(sunAngle, 6.0) + 0.6 * pow(sunAngle, 120.0));
    day += sunLight * 30.0 * smoothstep(0.99993, 0.99996, sunAngle);  // the disc
    // Dusk: an orange band round the horizon, strongest towards the sun.
    float dusk = smoothstep(-0.16, 0.02, sunElev) * (1.0 - smoothstep(0.05, 0.3, sunElev));
    vec3 duskGlow = vec3(1.0, 0.42, 0.14) * exp(-y * 7.0) * (0.2 + 0.8 * pow(sunAngle, 3.0));
    float lit = smoothstep(-0.1, 0.15, sunElev);
    day = day * lit + duskGlow * dusk * 0.9 + vec3(0.05, 0.06, 0.12) * dusk * (1.0 - lit);

    return mix(night, day, smoothstep(0.0, 1.0, light.daylight + dusk * 0.35));
}

// Dimming by the air for light from above the horizon (more air low down).
float extinction(float y) {
    return exp(-0.09 / (max(y, 0.0) + 0.035));
}

// ---- the galaxy (half-resolution layer) --------------------------------------------------------

// Diffuse light of the Milky Way and the share of the stars behind it that the dust lets through.
vec4 milkyWay(vec3 eq) {
    vec3 g = vec3(dot(eq, GAL_CENTER), dot(eq, GAL_Y), dot(eq, GAL_POLE));
    float b = asin(clamp(g.z, -1.0, 1.0));       // galactic latitude
    float l = atan(g.y, g.x);                      // longitude, 0 at the core
    float toCore = 0.5 + 0.5 * cos(l);

    // A disc that thickens and brightens towards the core, with a bulge at the centre.
    float width = 0.06 + 0.065 * toCore * toCore;
    float disc = exp(-b * b / (2.0 * width * width));
    float bulge = exp(-(l * l / 0.11 + b * b / 0.04));
    float along = 0.25 + 0.75 * pow(toCore, 2.5);

    // Star clouds: patchy light in the disc.
    vec3 planar = vec3(g.xy, g.z * 1.8);  // structure drawn out along the plane
    float clouds = fbm3(planar * 11.0, 6);
    float clumps = smoothstep(0.35, 0.8, clouds);
    float grain = fbm3(planar * 60.0, 3);
    float light = disc * along * (0.3 + 1.4 * clumps) * (0.75 + 0.5 * grain) + bulge * (2.2 + 1.0 * clumps);
    // A wide soft glow round the core, so the bright region fades out instead of ending.
    light += exp(-(l * l / 0.6 + b * b / 0.1)) * 0.7;
    float halo = exp(-b * b / 0.09) * 0.12 * (0.4 + 0.6 * toCore);

    // Dust: thin lanes along the plane. The noise is drawn out about eight times along the disc
    // and its height above the plane wanders, so the ridges of it become long filaments that
    // fork and fade; the great rift runs from the core towards Cygnus as a bundle of them.
    vec3 q = vec3(g.xy * 4.0, g.z * 34.0);
    q.z += (fbm3(vec3(g.xy * 2.5, 1.7), 3) - 0.5) * 7.0;
    q.xy += (fbm3(vec3(g.xy * 6.0, g.z * 12.0) + 9.0, 2) - 0.5) * 0.8;
    float lanes = 1.0 - abs(fbm3(q, 4) * 2.0 - 1.0);
    float fine = 1.0 - abs(fbm3(q * vec3(2.3, 2.3, 1.8) + 31.0, 3) * 2.0 - 1.0);
    lanes = pow(lanes, 7.0);
    fine = pow(fine, 9.0);
    // Lanes come and go along the band instead of running its whole length.
    float present = smoothstep(0.3, 0.65, fbm3(g * 4.5 + 50.0, 2));
    float filaments = disc * (lanes * 0.75 + fine * 0.45) * (0.35 + 0.65 * present);
    float riftLine = exp(-pow((b - 0.025 - 0.03 * sin(l * 3.0)) / (0.03 + 0.02 * toCore), 2.0));
    float riftSpan = smoothstep(-0.6, -0.1, l) * (1.0 - smoothstep(1.2, 1.6, l));
    float rift = riftLine * riftSpan * (0.25 + 0.5 * smoothstep(0.05, 0.6, lanes + fine));
    float dust = clamp(rift * (0.9 - 0.4 * bulge) + filaments, 0.0, 0.9);

    vec3 coreTint = vec3(1.0, 0.80, 0.58);
    vec3 armTint = vec3(0.78, 0.84, 1.0);
    vec3 tint = mix(armTint, coreTint, clamp(bulge * 1.5 + toCore * toCore * 0.5, 0.0, 1.0));
    // Faint red nebulae in the brightest clouds.
    tint += vec3(0.25, 0.02, 0.06) * smoothstep(0.7, 0.9, clouds) * disc;
    vec3 color = tint * (light * 0.055 + halo * 0.04);
    // Dust dims and reddens what shines through it.
    color *= mix(vec3(1.0), vec3(0.18, 0.13, 0.10), dust);
    return vec4(color, 1.0 - dust * 0.8);
}

void layerFragment() {
    vec3 ray = displayRay(sceneUV);
    if (ray.y < -0.12) {
        fragColor = vec4(0.0, 0.0, 0.0, 1.0);
        return;
    }
    fragColor = milkyWay(equatorial(ray));
}

// ---- the dunes ---------------------------------------------------------------------------------

const vec2 WIND = vec2(0.92, 0.39);    // the crests lie across it
const vec2 WIND2 = vec2(-0.45, 0.89);

// One dune wave: a long convex windward slope up to a sharp brink, then the steep slip face.
// `soft` rounds the brink off where it would alias.
float duneProfile(float u, float soft) {
    float t = fract(u);
    const float brink = 0.74;
    float rise = 1.0 - (1.0 - t / brink) * (1.0 - t / brink);
    float fall = (1.0 - (t - brink) / (1.0 - brink));
    fall *= fall;
    float sharp = t < brink ? rise : fall;
    float round = 0.5 - 0.5 * cos(6.2831853 * (t - brink + 0.5));
    return mix(sharp, round * 0.92, soft);
}

float duneHeight(vec2 p, float soft) {
    // The crests wander with a slow warp so no two look alike.
    vec2 warp = vec2(noise2(p * 0.021), noise2(p * 0.021 + 17.3)) - 0.5;
    vec2 q = p + warp * 34.0;
    float swell = noise2(p * 0.009 + 3.1);
    float amplitude = 0.5 + 1.2 * noise2(q * 0.034 + 8.0);
    float big = duneProfile(dot(q, WIND) * 0.075, soft) * amplitude * 2.6;
    float small = duneProfile(dot(q, WIND2) * 0.19 + warp.x * 2.0, 1.0) * 0.25 * (1.2 - amplitude * 0.5);
    return big + small + swell * 1.6;
}

float softness(float distance) {
    return smoothstep(12.0, 70.0, distance);
}

// Distance along `ray` to the sand, or -1 where the ray reaches the sky.
float marchDunes(vec3 origin, vec3 ray, float jitter) {
    float t = 0.5 + jitter * 0.3;
    float previousT = t;
    for (int i = 0; i < 90; ++i) {
        vec3 p = origin + ray * t;
        float gap = p.y - duneHeight(p.xz, softness(t));
        if (gap < 0.0) {
            // Bisect between the last point above the sand and this one.
            float a = previousT, b = t;
            for (int k = 0; k < 5; ++k) {
                float m = 0.5 * (a + b);
                vec3 q = origin + ray * m;
                if (q.y - duneHeight(q.xz, softness(m)) < 0.0) b = m; else a = m;
            }
            return 0.5 * (a + b);
        }
        if (p.y > DUNE_TOP && ray.y >= 0.0) return -1.0;
        previousT = t;
        t += max(gap * 0.55, 0.03 + t * 0.015);
        if (t > HORIZON_FAR) return ray.y < 0.0 ? HORIZON_FAR : -1.0;
    }
    // Still skimming the crests when the steps run out: far sand, lost in the haze anyway.
    return ray.y < 0.02 ? t : -1.0;
}

vec3 duneNormal(vec2 p, float distance) {
    float e = 0.03 + distance * 0.0025;
    float soft = softness(distance);
    float hx = duneHeight(p + vec2(e, 0.0), soft) - duneHeight(p - vec2(e, 0.0), soft);
    float hz = duneHeight(p + vec2(0.0, e), soft) - duneHeight(p - vec2(0.0, e), soft);
    return normalize(vec3(-hx, 2.0 * e, -hz));
}

// Soft shadow towards a light: the closest the path passes over the sand, as a fraction.
float duneShadow(vec3 p, vec3 toLight, float soft) {
    float shade = 1.0;
    float t = 0.25;
    for (int i = 0; i < 18; ++i) {
        vec3 q = p + toLight * t;
        if (q.y > DUNE_TOP) break;
        float gap = q.y - duneHeight(q.xz, soft);
        shade = min(shade, 6.0 * gap / t);
        if (shade < 0.0) return 0.0;
        t *= 1.33;
    }
    return smoothstep(0.0, 1.0, shade);
}

// Wind ripples: fine ridges across the wind, only up close where they can be resolved.
vec3 ripples(vec3 n, vec2 p, float distance) {
    float fade = 1.0 - smoothstep(3.0, 12.0, distance);
    if (fade <= 0.0) return n;
    float wander = noise2(p * 0.6) * 3.0;
    float phase = dot(p, WIND) * 9.0 + wander;
    float slope = cos(phase) * 0.08 * fade * (0.5 + 0.5 * noise2(p * 0.25 + 4.0));
    return normalize(n + vec3(WIND.x, 0.0, WIND.y) * slope);
}

vec3 shadeDunes(vec3 p, vec3 ray, float distance, SkyLight light) {
    vec3 n = ripples(duneNormal(p.xz, distance), p.xz, distance);
    // By night the eye loses colour: the sand reads paler and greyer.
    vec3 sand = mix(vec3(0.66, 0.46, 0.29), vec3(0.46), 0.45 * (1.0 - light.daylight));
    float far = smoothstep(90.0, 260.0, distance);

    // The moon: cool light raking across the ridges.
    vec3 color = vec3(0.0);
    if (light.moonLight > 0.0) {
        float facing = max(dot(n, light.moon) * 0.9 + 0.1, 0.0);
        float shadow = facing > 0.0 ? duneShadow(p, light.moon, softness(distance)) : 0.0;
        // Far off, many crests share a pixel: show their average light instead of flicker.
        float lit = mix(facing * shadow, 0.22, far);
        color += sand * MOON_TINT * lit * light.moonLight * 0.7;
    }
    // The sun by day, warm and low at dusk.
    float sunUp = smoothstep(-0.06, 0.03, light.sun.y);
    if (sunUp > 0.0) {
        float facing = max(dot(n, light.sun), 0.0);
        float shadow = facing > 0.0 ? duneShadow(p, light.sun, softness(distance)) : 0.0;
        float lit = mix(facing * shadow, 0.6 * max(light.sun.y, 0.0) + 0.1, far);
        color += sand * sunColor(light.sun.y) * lit * 2.4 * sunUp;
    }
    // Light from the whole sky keeps the shaded faces readable; brighter by day.
    vec3 skyAbove = mix(vec3(0.007, 0.012, 0.034) + MOON_TINT * light.moonLight * 0.018,
                        vec3(0.30, 0.38, 0.55), light.daylight);
    color += sand * skyAbove * (0.55 + 0.45 * n.y);
    // The town's glow warms the faces turned to it, faintly.
    color += sand * vec3(0.012, 0.005, 0.0015) * max(dot(n, normalize(vec3(0.55, 0.25, -0.83))), 0.0) *
             (1.0 - light.daylight);

    // Far dunes fade into the air at the horizon.
    vec3 air = skyColor(normalize(vec3(ray.x, 0.01, ray.z)), light);
    float haze = 1.0 - exp(-distance * mix(0.0028, 0.0022, light.daylight));
    return mix(color, air, haze);
}

// ---- stars, moon, meteors ----------------------------------------------------------------------

// Colour of a star from a random number: mostly white and yellowish, some blue, a few orange.
vec3 starColor(float r) {
    if (r < 0.16) return vec3(0.70, 0.80, 1.0);
    if (r < 0.55) return vec3(0.93, 0.95, 1.0);
    if (r < 0.82) return vec3(1.0, 0.93, 0.80);
    if (r < 0.96) return vec3(1.0, 0.78, 0.55);
    return vec3(1.0, 0.62, 0.42);
}

// Stars fixed on the sky: one candidate per cell of a grid over equatorial space, each present
// with a probability that rises along the galaxy and in loose clusters; brightness follows a
// power law, so faint stars far outnumber bright ones.
vec3 starField(vec3 eq, float band, float pixel, float time) {
    vec3 color = vec3(0.0);
    float cluster = smoothstep(0.15, 0.85, valueNoise3(eq * 8.0 + 2.0) * 0.7 + valueNoise3(eq * 23.0) * 0.3);
    for (int layer = 0; layer < 4; ++layer) {
        float scale = layer == 0 ? 22.0 : layer == 1 ? 55.0 : layer == 2 ? 130.0 : 300.0;
        vec3 p = eq * scale + float(layer) * 31.7;
        vec3 cell = floor(p);
        vec3 h = hash33(cell);
        float presence = layer == 0 ? 0.4 : layer == 1 ? 0.3 + 0.3 * band : layer == 2 ? 0.1 + 0.6 * band : 0.02 + 0.9 * band * band;
        presence *= layer == 0 ? 1.0 : 0.35 + 1.3 * cluster;
        if (h.x > presence) continue;
        vec3 center = (cell + 0.25 + 0.5 * hash33(cell + 7.7)) / scale - float(layer) * 31.7 / scale;
        vec3 offset = normalize(center) - eq;
        float d2 = dot(offset, offset) / (pixel * pixel);  // squared distance in pixels
        if (d2 > 30.0) continue;
        float lottery = hash13(cell + 3.3) + 0.002;
        float flux = min(0.03 * pow(lottery, -1.0), 8.0);
        flux *= layer == 0 ? 1.0 : layer == 1 ? 0.4 : layer == 2 ? 0.22 : 0.12;
        float twinkle = 1.0 + 0.18 * sin(time * (2.1 + 2.3 * h.y) + h.z * 40.0) * sin(time * (1.3 + h.z) + h.y * 20.0);
        float sigma2 = 0.38 + 0.06 * min(flux, 4.0);
        float core = exp(-d2 / (2.0 * sigma2)) / (2.0 * PI * sigma2);
        // Only the brightest get a halo, kept well inside their cell.
        float glow = flux > 1.0 ? 0.006 * (flux - 1.0) / (1.0 + d2 * 0.8) * smoothstep(24.0, 4.0, d2) : 0.0;
        color += starColor(h.z) * flux * twinkle * (core + glow);
    }
    return color;
}

// The moon's disc, lit by the sun for its phase, with faint earthshine on the dark part.
vec3 moonDisc(vec3 ray, SkyLight light, float pixel) {
    const float RADIUS = 0.0105;  // drawn larger than life, as a long lens would
    vec3 m = light.moon;
    float cosAngle = dot(ray, m);
    if (cosAngle < cos(RADIUS * 4.0)) return vec3(0.0);
    vec3 right = normalize(cross(m, vec3(0.0, 1.0, 0.0)));
    vec3 up = cross(right, m);
    vec2 local = vec2(dot(ray, right), dot(ray, up)) / RADIUS;
    float r = length(local);
    float edge = 1.0 - smoothstep(1.0 - pixel / RADIUS, 1.0 + pixel / RADIUS, r);
    vec3 n = vec3(local, sqrt(max(1.0 - r * r, 0.0)));
    // The sun seen from the moon: towards the sun across the sky, and behind it at new moon.
    vec3 toSun = light.sun - m * dot(light.sun, m);
    vec2 across = length(toSun) > 1e-4 ? normalize(vec2(dot(toSun, right), dot(toSun, up))) : vec2(0.0, 1.0);
    float phaseAngle = 6.2831853 * uSun.w;
    vec3 sunLocal = vec3(across * abs(sin(phaseAngle)), -cos(phaseAngle));
    float lit = smoothstep(-0.04, 0.08, dot(n, sunLocal));
    float maria = 0.72 + 0.28 * smoothstep(0.35, 0.7, valueNoise3(vec3(local * 2.2, 1.0)) * 0.7 +
                                                     valueNoise3(vec3(local * 5.0, 4.0)) * 0.3);
    float limb = 0.75 + 0.25 * n.z;
    vec3 surface = vec3(1.0, 0.97, 0.9) * (lit * maria * limb * 2.2 + 0.018);
    return surface * edge;
}

// Shooting stars: at most one per slot of the mean interval, a short streak that fades.
vec3 meteors(vec2 frag) {
    float interval = uParams[0].w;
    if (interval <= 0.0) return vec3(0.0);
    float time = uTime.x;
    float slot = floor(time / interval);
    vec3 color = vec3(0.0);
    float height = uResolution.y;
    for (int k = 0; k < 2; ++k) {
        float s = slot - float(k);
        vec4 h = vec4(hash11(s * 1.37 + 0.5), hash11(s * 2.71 + 9.1), hash11(s * 0.93 + 3.3), hash11(s * 4.17 + 7.7));
        float start = (s + h.x * 0.85) * interval;
        float duration = 0.45 + 0.7 * h.y;
        float age = (time - start) / duration;
        if (age < 0.0 || age > 1.0) continue;
        vec2 origin = vec2((0.08 + 0.84 * h.z) * uResolution.x, (0.55 + 0.4 * h.w) * height);
        float angle = -1.5708 + (h.z - 0.5) * 2.2 + (h.y - 0.5) * 0.6;
        vec2 dir = vec2(cos(angle), sin(angle));
        float travel = (0.14 + 0.16 * h.x) * height;
        vec2 head = origin + dir * travel * age;
        float tail = travel * 0.45 * min(age * 3.0, 1.0);
        vec2 rel = frag - head;
        float along = -dot(rel, dir);  // distance behind the head
        float across = dot(rel, vec2(-dir.y, dir.x));
        if (along < -3.0 || along > tail + 3.0) continue;
        float width = 0.55 + 0.5 * (1.0 - clamp(along / max(tail, 1.0), 0.0, 1.0));
        float fadeTail = pow(clamp(1.0 - along / max(tail, 1.0), 0.0, 1.0), 1.6) * step(0.0, along);
        float line = exp(-across * across / (2.0 * width * width));
        float headGlow = exp(-dot(rel, rel) / 3.0);
        float envelope = smoothstep(0.0, 0.12, age) * pow(1.0 - age, 1.3);
        float brightness = (0.8 + 1.6 * h.w) * envelope;
        color += (vec3(0.85, 0.95, 1.0) * line * fadeTail * 0.9 + vec3(0.9, 1.0, 0.9) * headGlow * 1.5) * brightness;
    }
    return color;
}

// ---- the main pass -----------------------------------------------------------------------------

void sceneFragment() {
    vec2 uv = sceneUV;
    vec3 ray = displayRay(uv);
    vec3 world = toSouthFrame(ray);
    SkyLight light = skyLight();
    float pixel = pixelAngle();
    float time = uTime.x;

    vec3 camera = vec3(uParams[1].w * 0.6, 0.0, uParams[2].w * 0.3);
    camera.y = duneHeight(camera.xz, 0.0) + EYE;
    // The desert lies in the world frame; turning it with the bearing keeps it the same desert.
    float jitter = interleavedGradient(gl_FragCoord.xy);
    float hit = world.y < 0.12 ? marchDunes(camera, world, jitter) : -1.0;

    vec3 color;
    if (hit > 0.0) {
        color = shadeDunes(camera + world * hit, world, hit, light);
    } else {
        color = skyColor(world, light);
        // Galaxy and stars fade out as the sky brightens and sink into the air at the horizon.
        float night = (1.0 - smoothstep(0.0, 0.6, light.daylight)) * (1.0 - 0.7 * light.moonLight);
        float air = extinction(world.y);
        if (night > 0.0) {
            vec2 texel = 0.5 / vec2(textureSize(layerTexture, 0));
            vec4 galaxy = 0.25 * (texture(layerTexture, uv + texel) + texture(layerTexture, uv - texel) +
                                  texture(layerTexture, uv + vec2(texel.x, -texel.y)) +
                                  texture(layerTexture, uv + vec2(-texel.x, texel.y)));
            vec3 eq = equatorial(ray);
            float band = clamp(luminance(galaxy.rgb) * 14.0, 0.0, 1.0);
            vec3 stars = starField(eq, band, pixel, time);
            color += (galaxy.rgb + stars * galaxy.a) * air * night;
        }
        color += moonDisc(world, light, pixel) * air * (1.0 - 0.5 * light.daylight);
        color += meteors(gl_FragCoord.xy) * air * night;
    }

    fragColor = vec4(encodeOutput(toneMapHue(color * 1.6, 4.0), gl_FragCoord.xy), 1.0);
}
#endif
