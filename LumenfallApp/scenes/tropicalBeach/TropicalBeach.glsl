// Tropical Beach Sunset: a bay seen from the sand, looking west.
//
// One pass: each pixel's ray meets the sky (gradient, sun or moon, soft cloud deck, stars), the
// sea (sky reflection, a glitter path under the sun or moon, incoming swell and breaking foam),
// or the sloping beach (dry sand, wet sand that mirrors the sky, the thin sheet of each wave's
// run-up with its foam edge). Palms stand on the sand as silhouettes drawn on vertical planes.
//
// uParams[0] = camera x offset (parallax), camera height, display side offset, waves (0 gentle,
// 1 rolling).
//
// Every periodic motion divides 3600 s, the wrap of uTime.x, so no wave jumps when it wraps;
// noise that drifts or churns walks a closed loop through its domain over that hour (the clouds
// over a day), so it never snaps back either.

#ifdef FRAGMENT_STAGE

// A point circling once per `period` seconds of the clock `t`: a seamless path through noise.
vec2 loopPath(float t, float period, float radius) {
    float a = t * (2.0 * PI / period);
    return vec2(cos(a), sin(a)) * radius;
}

const float FOCAL = 1.7;
const float LENS_SHIFT = 0.14;  // raises the view so the horizon sits a little below the middle
const float SIDE_METRES = 4.0;  // how far one display's side offset moves the camera

// ---- light of the hour ------------------------------------------------------------------------

struct Light {
    vec3 sunDir;
    vec3 moonDir;
    float sunElev;    // degrees
    float day;        // 0 night ... 1 full day
    float golden;     // how strongly the low sun colours everything
    float night;      // 1 in full darkness
    vec3 sunColor;    // radiance arriving from the sun (0 below the horizon)
    vec3 moonColor;
    vec3 ambient;     // light from the whole sky on an upward surface
};

vec3 skyGradient(vec3 dir, Light l);

Light hourLight() {
    Light l;
    l.sunDir = normalize(uSun.xyz);
    l.moonDir = normalize(uMoon.xyz);
    l.sunElev = uSky.z;
    l.day = smoothstep(-6.0, 14.0, l.sunElev);
    l.golden = exp(-pow((l.sunElev - 2.0) / 9.0, 2.0));
    l.night = 1.0 - smoothstep(-14.0, -3.0, l.sunElev);
    float sunUp = smoothstep(-1.8, 1.0, l.sunElev);
    vec3 low = vec3(1.0, 0.42, 0.13);
    vec3 high = vec3(1.0, 0.95, 0.88);
    l.sunColor = mix(low, high, smoothstep(2.0, 30.0, l.sunElev)) * sunUp * mix(1.6, 3.2, l.day);
    float moonUp = smoothstep(-1.0, 4.0, degrees(asin(clamp(l.moonDir.y, -1.0, 1.0))));
    l.moonColor = vec3(0.62, 0.72, 0.95) * 0.09 * moonUp * (0.25 + 0.75 * uSky.w) * (1.0 - l.day);
    // What an upward surface gathers from the sky: a few samples of the sky itself, so the
    // ground always matches the sky above it.
    l.ambient = vec3(0.0);
    vec3 ambient = skyGradient(vec3(0.0, 1.0, 0.0), l) * 0.4;
    for (int i = 0; i < 4; ++i) {
        float a = float(i) * 0.5 * PI + 0.4;
        ambient += skyGradient(normalize(vec3(cos(a), 0.45, sin(a))), l) * 0.15;
    }
    // The bright sky low over the sun lights the ground as much as the rest of the dome.
    vec3 towardSun = normalize(vec3(l.sunDir.x, 0.0, l.sunDir.z) + vec3(0.0, 0.12, 0.0));
    ambient += skyGradient(towardSun, l) * 0.18;
    l.ambient = ambient + l.moonColor * 0.3;
    return l;
}

// ---- sky --------------------------------------------------------------------------------------

// Clear sky radiance along `dir` (no sun disc, no clouds).
vec3 skyGradient(vec3 dir, Light l) {
    float h = max(dir.y, 0.0);
    float cosSun = dot(dir, l.sunDir);
    // How much this direction lies on the sun's side of the sky.
    float sunSide = 0.5 + 0.5 * dot(normalize(dir.xz + 1e-5), normalize(l.sunDir.xz + 1e-5));

    vec3 dayZenith = vec3(0.05, 0.22, 0.70);
    vec3 dayHorizon = vec3(0.55, 0.75, 0.95);
    vec3 day = mix(dayHorizon, dayZenith, pow(h, 0.55));

    // Sunset: glowing orange low on the sun's side, rose and lilac opposite, deep blue above.
    vec3 lowWarm = mix(vec3(0.85, 0.36, 0.34), vec3(1.25, 0.50, 0.14), sunSide * sunSide);
    vec3 midWarm = mix(vec3(0.50, 0.34, 0.52), vec3(0.95, 0.58, 0.30), sunSide);
    vec3 dusk = mix(lowWarm, midWarm, smoothstep(0.0, 0.12, h));
    dusk = mix(dusk, vec3(0.16, 0.18, 0.42), smoothstep(0.06, 0.55, h));
    dusk = mix(dusk, vec3(0.07, 0.09, 0.26), smoothstep(0.45, 1.0, h));

    vec3 night = mix(vec3(0.018, 0.028, 0.06), vec3(0.004, 0.007, 0.02), pow(h, 0.5));
    // A last glow where the sun went down.
    night += vec3(0.05, 0.03, 0.05) * pow(sunSide, 4.0) * exp(-h * 10.0) * smoothstep(-18.0, -6.0, l.sunElev);

    float toDusk = smoothstep(-12.0, -3.0, l.sunElev);
    float toDay = smoothstep(4.0, 22.0, l.sunElev);
    vec3 sky = mix(mix(night, dusk * mix(0.25, 1.0, smoothstep(-7.0, 0.0, l.sunElev)), toDusk), day, toDay);

    // Forward scattering around the sun: a wide warm glow and a tight bright halo.
    float glow = pow(max(cosSun, 0.0), 6.0) * 0.35 + pow(max(cosSun, 0.0), 60.0) * 0.8 +
                 pow(max(cosSun, 0.0), 900.0) * 2.5;
    sky += l.sunColor * glow * mix(1.0, 0.35, toDay);
    // Moonlight brightens the night sky around the moon.
    float cosMoon = max(dot(dir, l.moonDir), 0.0);
    sky += l.moonColor * (pow(cosMoon, 12.0) * 0.5 + pow(cosMoon, 400.0) * 2.0);
    // Haze thickens towards the horizon.
    sky = mix(sky, sky * 1.12 + l.sunColor * 0.04 * sunSide, exp(-h * 30.0));
    return sky;
}

float fbm3(vec3 p, int octaves) {
    float sum = 0.0;
    float amplitude = 0.5;
    float norm = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * valueNoise3(p);
        norm += amplitude;
        p = p * 2.03 + vec3(17.1, 3.7, 9.3);
        amplitude *= 0.5;
    }
    return sum / norm;
}

const float CLOUD_HEIGHT = 2200.0;

// The cloud deck's density at deck coordinates q; far, squeezed cells ask for fewer octaves.
float cloudDensity(vec2 q, int octaves) {
    vec3 p = vec3(q, loopPath(uTime.z, 86400.0, 12.0).y);
    float d = fbm3(p, min(octaves, 3));
    // Heaps: rounded lumps of billowed detail on each body, crisp outlines, clear sky between.
    if (octaves > 3) d += (1.0 - abs(fbm3(p * 2.7 + 5.0, octaves - 3) * 2.0 - 1.0) - 0.6) * 0.4;
    return smoothstep(0.52, 0.59, d);
}

// Sky with clouds, the sun disc and the moon disc; `full` adds the finer cloud octaves and the
// discs (reflections make do with less).
vec3 skyColor(vec3 dir, Light l, bool full) {
    vec3 sky = skyGradient(dir, l);

    float h = dir.y;
    if (h > 0.004) {
        // A slightly domed deck: far clouds keep some of their height instead of thinning into
        // streaks along the horizon.
        vec2 plane = dir.xz / (h + 0.05) * CLOUD_HEIGHT;
        vec2 q = plane / 4600.0 * vec2(1.0, 1.7) + loopPath(uTime.z, 86400.0, 22.0);  // the wind turns over the day
        // Squeezed far cells lose their finest octaves instead of flickering.
        float far = clamp(1.0 / (h * 12.0), 1.0, 8.0);
        int octaves = full ? int(6.0 - log2(far)) : 3;
        float density = cloudDensity(q, max(octaves, 2));
        // Light reaches a cloud through the cloud between it and the sun.
        vec2 towardSun = normalize(l.sunDir.xz + 1e-4) * 0.09;
        float shade = cloudDensity(q + towardSun, 3);
        float lit = exp(-shade * 1.6);
        // Seen from below, cloud further along the deck stands above this point: where there is
        // none the point is a lit top, where there is much it is the grey base.
        vec2 away = normalize(dir.xz + 1e-4) * 0.22;
        float above = cloudDensity(q + away * vec2(1.0, 1.7), 3);
        float tops = 1.0 - above * 0.85;
        float cosSun = max(dot(dir, l.sunDir), 0.0);

        vec3 under = mix(vec3(1.0, 0.42, 0.36), vec3(1.3, 0.62, 0.24), pow(cosSun, 3.0));
        // A low sun lights the clouds' undersides whatever lies beside them.
        vec3 dusk = mix(vec3(0.20, 0.13, 0.24), under * 1.15, mix(lit, 1.0, 0.25)) + l.sunColor * pow(cosSun, 24.0) * lit * 0.9;
        vec3 day = mix(vec3(0.46, 0.5, 0.6), vec3(1.12, 1.1, 1.06), mix(0.3, 1.0, tops) * mix(0.55, 1.0, lit)) + l.sunColor * pow(cosSun, 16.0) * 0.3;
        vec3 night = vec3(0.012, 0.016, 0.03) + l.moonColor * (0.35 + 1.5 * pow(max(dot(dir, l.moonDir), 0.0), 16.0));
        float toDusk = smoothstep(-10.0, -2.0, l.sunElev);
        vec3 cloud = mix(night, dusk * mix(0.3, 1.0, smoothstep(-6.0, 1.0, l.sunElev)), toDusk);
        cloud = mix(cloud, day, smoothstep(6.0, 24.0, l.sunElev));
        // Far clouds dissolve into the horizon haze.
        float amount = density * smoothstep(0.004, 0.09, h) * 0.85;
        sky = mix(sky, mix(cloud, sky, 0.15), amount);
        if (full) {
            // Stars, hidden behind clouds and faded near the horizon.
            vec3 p = dir * 110.0;
            vec3 cell = floor(p);
            vec3 jitter = hash33(cell + 7.0);
            vec3 centre = cell + 0.2 + 0.6 * jitter;
            float pixel = 2.0 / (FOCAL * uResolution.y);
            float d = length(normalize(centre) - dir) / (pixel * 0.8);
            // One cell in eight holds a star, most of them faint.
            float lottery = hash13(cell + 1.7);
            float brightness = step(0.875, lottery) * (pow((lottery - 0.875) * 8.0, 8.0) * 2.5 + 0.025);
            float twinkle = 0.8 + 0.2 * sin(uTime.x * (2.0 * PI / 4.0) + jitter.x * 40.0);
            float starLight = brightness * twinkle * exp(-d * d * 1.4) * (1.0 - amount * 1.1);
            sky += vec3(0.85, 0.9, 1.0) * max(starLight, 0.0) * l.night * smoothstep(0.02, 0.2, h) *
                   (1.0 - 0.6 * uSky.w * smoothstep(0.6, 1.0, dot(dir, l.moonDir)));
        }
    }
    if (full) {
        float pixel = 2.0 / (FOCAL * uResolution.y);
        // The sun: a little larger than life, flattened by the air near the sea and cut by the
        // horizon (the sea is drawn over it).
        const float SUN_RADIUS = 0.022;
        vec3 toSun = dir - l.sunDir;
        vec2 offset = vec2(dot(toSun, normalize(vec3(-l.sunDir.z, 0.0, l.sunDir.x))), toSun.y);
        offset.y *= mix(1.18, 1.0, smoothstep(2.0, 10.0, l.sunElev));
        float sunDisc = smoothstep(SUN_RADIUS + pixel, SUN_RADIUS - pixel, length(offset));
        float limb = 1.0 - 0.35 * pow(length(offset) / SUN_RADIUS, 2.0);
        sky += l.sunColor * sunDisc * limb * 4.5;

        // The moon with its phase: the lit side faces where the sun is along the orbit.
        const float MOON_RADIUS = 0.016;
        vec3 moonRight = normalize(vec3(-l.moonDir.z, 0.0, l.moonDir.x));
        vec3 moonUp = cross(moonRight, l.moonDir);
        vec2 m = vec2(dot(dir, moonRight), dot(dir, moonUp)) / MOON_RADIUS;
        float r = length(m);
        if (r < 1.6 && dot(dir, l.moonDir) > 0.0) {
            float disc = smoothstep(1.0 + pixel / MOON_RADIUS, 1.0 - pixel / MOON_RADIUS, r);
            vec3 n = vec3(m, sqrt(max(1.0 - r * r, 0.0)));
            float angle = 2.0 * PI * uSun.w;
            float lit = smoothstep(-0.06, 0.06, dot(n, vec3(sin(angle), 0.0, -cos(angle))));
            float maria = 0.8 + 0.2 * valueNoise3(vec3(m * 3.0, 2.0));
            vec3 moon = vec3(1.0, 0.97, 0.9) * lit * maria * 1.4 + vec3(0.02, 0.025, 0.04);
            float visible = (1.0 - l.day * 0.7) * smoothstep(-0.01, 0.01, dir.y);
            sky = mix(sky, moon, disc * visible);
        }
    }
    return sky;
}

// ---- the bay ----------------------------------------------------------------------------------

const float SHORE_Z = -6.5;     // where the still sea meets the sand, straight ahead
const float SHORE_TURN = 0.32;  // the shoreline runs off to the right
const float SAND_SLOPE = 0.035;

// Seaward distance of the still waterline at x (positive in the sea).
float shoreZ(float x) {
    return SHORE_Z - SHORE_TURN * x + 0.7 * sin(x * 0.21 + 1.0) + 0.25 * sin(x * 0.63);
}

struct Swell {
    float period;     // seconds; divides 3600
    float spacing;    // metres between crests
    float runUp;      // metres the water climbs the sand
    float breakZone;  // metres offshore where crests start to break
    float height;
};

Swell swell() {
    float rolling = uParams[0].w;
    return Swell(mix(9.0, 12.0, rolling), mix(11.0, 17.0, rolling), mix(1.8, 3.4, rolling), mix(12.0, 22.0, rolling),
                 mix(0.05, 0.2, rolling));
}

// Phase of the swell where a crest touches the waterline at 0; a gentle skew along the shore.
float swellPhase(float x, Swell s) {
    return uTime.x / s.period + x * 0.015 + 0.04 * sin(x * 0.11);
}

// How far up the sand the water sheet reaches at x now, and how far the last waves reached.
vec2 runUp(float x, Swell s) {
    float phase = swellPhase(x, s);
    float wave = floor(phase);
    float u = phase - wave;
    float size = s.runUp * (0.55 + 0.6 * hash11(wave * 1.7 + 3.0)) * (0.85 + 0.15 * sin(x * 0.5 + wave));
    float reach = size * mix(sqrt(smoothstep(0.0, 0.32, u)), 1.0 - smoothstep(0.32, 1.0, u), step(0.32, u));
    return vec2(reach, s.runUp * 1.05);
}

// Gradient of the small waves and swell at a sea point (x, z), faded with the pixel footprint.
vec2 seaSlope(vec2 p, float footprint, float shoreDistance, Swell s) {
    vec2 slope = vec2(0.0);
    // Directional wavelets: direction, wavelength (m), period (s, divides 3600), amplitude.
    const vec4 waves[6] = vec4[6](vec4(0.2, 1.0, 7.3, 6.0), vec4(-0.5, 0.86, 4.1, 4.5), vec4(0.7, 0.7, 2.3, 3.6),
                                  vec4(-0.2, 0.98, 1.3, 2.4), vec4(0.9, 0.42, 0.9, 2.0), vec4(-0.8, 0.6, 0.55, 1.5));
    for (int i = 0; i < 6; ++i) {
        vec2 d = normalize(waves[i].xy);
        float k = 2.0 * PI / waves[i].z;
        float fade = smoothstep(waves[i].z * 0.8, waves[i].z * 0.25, footprint);
        float a = 0.011 * waves[i].z * fade;
        float phase = dot(p, d) * k + uTime.x * 2.0 * PI / waves[i].w + float(i) * 1.7;
        slope += d * (a * k * cos(phase));
    }
    // The swell rolls in towards the beach, steepening as it nears the break.
    float phase = fract(shoreDistance / s.spacing + swellPhase(p.x, s));
    float crest = pow(0.5 + 0.5 * cos(2.0 * PI * phase), 3.0);
    float steep = 1.0 + 2.0 * smoothstep(s.breakZone * 1.6, 0.0, shoreDistance);
    float dh = -s.height * steep * 2.0 * PI / s.spacing * sin(2.0 * PI * phase) * (0.3 + crest);
    slope += vec2(0.0, dh) * smoothstep(s.spacing * 0.5, s.spacing * 0.1, footprint);
    return slope;
}

// White water: the broken crests rolling in and the lace they leave behind.
float surfFoam(vec2 p, float shoreDistance, float footprint, Swell s) {
    float phase = fract(shoreDistance / s.spacing + swellPhase(p.x, s));
    float breaking = smoothstep(s.breakZone, s.breakZone * 0.35, shoreDistance);
    float crest = exp(-phase * 8.0) + exp(-(1.0 - phase) * 30.0) * 0.6;
    float trail = exp(-phase * 4.0) * 0.45;
    float lace = fbm3(vec3(p * vec2(0.9, 2.2), 0.0) + vec3(loopPath(uTime.x, 3600.0, 30.0), 0.0).zxy, 3);
    lace = smoothstep(0.5, 0.75, lace + 0.2 * (1.0 - phase));
    float foam = (crest * (0.5 + 0.5 * smoothstep(0.3, 0.6, lace)) + trail * lace) * breaking;
    // Far off, where a pixel spans metres of sea, the foam thins instead of shimmering.
    return clamp(foam, 0.0, 1.0) * mix(1.0, 0.5, smoothstep(0.3, 1.2, footprint));
}

// Glitter of the sun or moon on a rough sea: the average sparkle for a surface whose slopes
// spread with `roughness` around `normal`.
float glitter(vec3 view, vec3 normal, vec3 lightDir, float roughness) {
    vec3 halfway = normalize(lightDir - view);
    float nh = max(dot(normal, halfway), 1e-3);
    float tan2 = (1.0 - nh * nh) / (nh * nh);
    float r2 = roughness * roughness;
    float distribution = exp(-tan2 / r2) / (PI * r2 * nh * nh * nh * nh);
    float nv = max(dot(normal, -view), 0.02);
    return distribution / (4.0 * nv) * max(lightDir.y + 0.06, 0.0) * 3.0;
}

float fresnel(float cosTheta) {
    return 0.02 + 0.98 * pow(1.0 - clamp(cosTheta, 0.0, 1.0), 5.0);
}

vec3 seaColor(vec3 origin, vec3 dir, float t, Light l, float pixel, Swell s) {
    vec3 p = origin + dir * t;
    float footprint = t * pixel / max(-dir.y, 0.01);
    float shoreDistance = shoreZ(p.x) - p.z;
    vec2 slope = seaSlope(p.xz, footprint, shoreDistance, s);
    vec3 n = normalize(vec3(-slope.x, 1.0, -slope.y));
    vec3 r = reflect(dir, n);
    r.y = abs(r.y);
    float f = fresnel(dot(n, -dir));
    vec3 reflected = skyColor(r, l, false);

    // The water's own colour: turquoise over the shallows, deeper blue beyond, lit by the sky.
    float shallow = smoothstep(45.0, 3.0, shoreDistance);
    vec3 body = mix(vec3(0.01, 0.07, 0.11), vec3(0.06, 0.34, 0.34), shallow);
    vec3 bodyLight = l.ambient * 0.8 + l.sunColor * max(l.sunDir.y, 0.0) * 0.6;
    vec3 color = mix(body * bodyLight, reflected, f);

    // The path of light: smooth by statistics far away, glittering up close.
    float roughness = 0.12 + 0.05 * uParams[0].w + clamp(footprint * 0.02, 0.0, 0.08);
    vec3 level = vec3(0.0, 1.0, 0.0);
    float sunPath = glitter(dir, mix(level, n, 0.35), l.sunDir, roughness);
    float moonPath = glitter(dir, mix(level, n, 0.35), l.moonDir, roughness);
    float sparkle = pow(max(dot(reflect(dir, n), l.sunDir), 0.0), 900.0) * smoothstep(30.0, 6.0, footprint * 40.0);
    color += l.sunColor * (sunPath * 0.18 + sparkle * 3.0) + l.moonColor * moonPath * 0.35;

    // Rolling swell stands up before it breaks: its steep face, seen against the light, is darker
    // and glows a little green where the light shines through its crest.
    float swellAt = fract(shoreDistance / s.spacing + swellPhase(p.x, s));
    float face = exp(-(1.0 - swellAt) * 10.0) * uParams[0].w * smoothstep(s.breakZone * 2.5, s.breakZone * 0.5, shoreDistance);
    color = mix(color, body * bodyLight * 1.4 + l.sunColor * vec3(0.05, 0.12, 0.08), face * 0.6);
    float foam = surfFoam(p.xz, shoreDistance, footprint, s);
    // Where the sea meets the sand the water is always stirred white.
    float stirred = valueNoise3(vec3(p.xz * vec2(1.2, 2.5), 0.0) + vec3(loopPath(uTime.x, 3600.0, 170.0), 0.0).zxy);
    foam = max(foam, smoothstep(1.6, 0.1, shoreDistance) * (0.3 + 0.5 * stirred));
    vec3 foamLight = l.ambient * 1.3 + l.sunColor * (0.12 + 0.5 * max(l.sunDir.y, 0.0));
    color = mix(color, vec3(0.9, 0.93, 0.95) * foamLight, foam * 0.85);

    // Haze towards the horizon.
    float haze = 1.0 - exp(-t * 0.00025);
    return mix(color, skyGradient(vec3(dir.x, 0.0, dir.z), l), haze);
}

vec3 sandColor(vec3 origin, vec3 dir, float t, Light l, float pixel, Swell s) {
    vec3 p = origin + dir * t;
    float footprint = t * pixel / max(-dir.y, 0.05);
    float up = p.z - shoreZ(p.x);  // metres landward of the still waterline
    vec2 reach = runUp(p.x, s);

    // Soft ripples in the sand, blown by the wind; fade before they would shimmer.
    float ripple = sin(p.z * 5.5 + valueNoise3(vec3(p.xz * 0.7, 0.0)) * 6.0 + p.x * 0.8);
    float rippleFade = smoothstep(0.4, 0.08, footprint);
    vec3 n = normalize(vec3(0.0, 1.0, 0.0) + vec3(0.0, 0.0, ripple * 0.025 * rippleFade));
    float grain = mix(0.5, valueNoise3(vec3(p.xz * 9.0, 1.0)), smoothstep(0.06, 0.01, footprint));
    float mottling = valueNoise3(vec3(p.xz * 0.5, 4.0));

    vec3 dry = vec3(0.80, 0.70, 0.55) * (0.9 + 0.08 * grain + 0.1 * mottling);
    float diffuse = max(dot(n, l.sunDir), 0.0);
    vec3 lit = l.ambient * 0.75 + l.sunColor * diffuse * 0.9 + l.moonColor * max(dot(n, l.moonDir), 0.0) * 2.5;

    // Wet sand: darker, and a soft mirror of the sky.
    float wet = smoothstep(reach.y + 0.4, reach.y - 0.6 + 0.3 * mottling, up);
    vec3 albedo = mix(dry, dry * vec3(0.62, 0.56, 0.5), wet);
    vec3 color = albedo * lit;
    vec3 r = reflect(dir, normalize(n + vec3(0.0, 0.0, 0.04 * (mottling - 0.5))));
    vec3 mirror = skyColor(r, l, false);
    float f = fresnel(dot(n, -dir));
    color = mix(color, mirror, wet * (0.12 + 0.5 * f));
    color += (l.sunColor * glitter(dir, n, l.sunDir, 0.12) * 0.06 + l.moonColor * glitter(dir, n, l.moonDir, 0.12) * 0.3) * wet;
    // A low sun lays a broad warm sheen up the wet band, brightest in line with its path on the sea.
    color += l.sunColor * pow(max(dot(r, l.sunDir), 0.0), 18.0) * wet * (0.25 + 0.5 * f) * l.golden;

    // The thin sheet of the run-up and the foam along its edge.
    float sheet = smoothstep(reach.x + 0.05, reach.x - 0.15, up);
    if (sheet > 0.0) {
        // Clear water: the wet sand shows through where it is thin, the sky where it is seen flat.
        float depth = clamp((reach.x - up) * 0.4, 0.0, 1.0);
        float cover = sheet * (0.35 + 0.5 * fresnel(dot(n, -dir)) + 0.1 * depth);
        vec3 water = mix(color * vec3(0.55, 0.72, 0.74), mirror, 0.75);
        water += l.sunColor * glitter(dir, n, l.sunDir, 0.09) * 0.12;
        color = mix(color, water, cover);
        float behind = reach.x - up;
        float edge = exp(-behind * behind * 5.0) * 0.9;
        float lace = fbm3(vec3(p.xz * vec2(1.3, 3.0), 0.0) + vec3(loopPath(uTime.x, 3600.0, 34.0), 0.0).zxy, 3);
        float trailing = smoothstep(0.5, 0.72, lace) * smoothstep(0.0, 0.6, behind) * 0.55;
        vec3 foamLight = l.ambient * 1.3 + l.sunColor * (0.12 + 0.5 * max(l.sunDir.y, 0.0));
        float foam = clamp((edge * (0.6 + 0.4 * lace) + trailing) * sheet, 0.0, 1.0);
        color = mix(color, vec3(0.92, 0.94, 0.95) * foamLight, foam);
    }
    return color;
}

// ---- palms ------------------------------------------------------------------------------------

struct Palm {
    vec3 base;    // foot of the trunk on the sand
    vec2 lean;    // top of the trunk relative to the base (x, y) on the palm's plane
    float bend;   // sideways bow of the trunk
    float seed;
};

const int PALMS = 3;

Palm palm(int i) {
    if (i == 0) return Palm(vec3(4.6, 0.0, -7.0), vec2(-2.6, 6.4), 0.9, 1.0);
    if (i == 1) return Palm(vec3(8.4, 0.0, -12.5), vec2(-2.0, 8.2), 0.7, 2.0);
    return Palm(vec3(-9.2, 0.0, -6.2), vec2(3.4, 5.6), -0.8, 3.0);
}

float segmentDistance(vec2 p, vec2 a, vec2 b, out float h) {
    vec2 pa = p - a;
    vec2 ba = b - a;
    h = clamp(dot(pa, ba) / dot(ba, ba), 0.0, 1.0);
    return length(pa - ba * h);
}

vec2 trunkPoint(Palm pm, float t) {
    vec2 bow = vec2(-pm.lean.y, pm.lean.x) / length(pm.lean) * pm.bend * 4.0 * t * (1.0 - t);
    return pm.lean * t + bow * 0.25 + vec2(pm.lean.x * t * t * 0.15, 0.0);
}

// Coverage of a palm at point q (metres on its plane, from its base), how much of that is frond
// (1) rather than trunk (0), where across the trunk it falls (-1 left ... 1 right), and the tone of
// what is there (0 shaded ... 1 bright: a leaflet's own face and side of its rib, a trunk's ring).
// `pixel` is one pixel in metres on the plane.
vec4 palmCoverage(Palm pm, vec2 q, float pixel, float sway) {
    float coverage = 0.0;
    float frond = 0.0;
    float tone = 0.5;
    // Trunk: a tapering, slightly bowed stem with growth rings.
    float nearest = 1e9;
    float along = 0.0;
    float across = 0.0;
    vec2 previous = trunkPoint(pm, 0.0);
    for (int i = 1; i <= 8; ++i) {
        vec2 next = trunkPoint(pm, float(i) / 8.0);
        float h;
        float d = segmentDistance(q, previous, next, h);
        if (d < nearest) {
            nearest = d;
            along = (float(i - 1) + h) / 8.0;
            vec2 stem = normalize(next - previous);
            across = stem.y * (q - previous).x - stem.x * (q - previous).y;
        }
        previous = next;
    }
    float radius = mix(0.2, 0.11, along) * (1.0 + 0.08 * smoothstep(0.3, 0.8, sin(along * 70.0)));
    coverage = smoothstep(pixel, -pixel, nearest - radius);
    across = clamp(across / radius, -1.0, 1.0);
    // Leaf scars ring the trunk every hand's breadth: narrow dark grooves between swollen pale bands,
    // bowed by the trunk's roundness, faded to their average where they get too fine to draw.
    const float RING = 0.14;
    float height = along * length(pm.lean);
    float ringAt = (height - 0.04 * sqrt(max(1.0 - across * across, 0.0))) / RING;
    float groove = smoothstep(0.12, 0.32, abs(fract(ringAt + 0.16 * (hash11(floor(ringAt) * 3.7 + pm.seed) - 0.5)) - 0.5));
    float band = mix(0.42, 1.0, groove) * (0.85 + 0.3 * hash11(floor(ringAt) + pm.seed * 17.0));
    tone = mix(0.62, band, smoothstep(0.45, 0.2, pixel / RING)) * mix(1.0, 0.75, along * along);

    // Crown: drooping fronds, each a rib with narrow leaflets slanting back along both sides.
    vec2 top = trunkPoint(pm, 1.0);
    vec2 c = q - top;
    if (dot(c, c) < 24.0) {
        for (int f = 0; f < 9; ++f) {
            float seed = pm.seed * 13.0 + float(f) * 3.1;
            // Fronds fan out over the top of the crown and arch down under their own weight.
            float angle = mix(-0.12, 1.12, float(f) / 8.0) * PI + (hash11(seed) - 0.5) * 0.35 +
                          sway * (0.6 + 0.4 * hash11(seed + 1.0));
            vec2 dir = vec2(cos(angle), sin(angle) * 0.75 + 0.15);
            float span = 2.5 + 1.0 * hash11(seed + 2.0);
            float droop = span * (0.45 + 0.4 * (1.0 - abs(sin(angle)))) * (0.8 + 0.4 * hash11(seed + 4.0));
            // The rib is the parabola dir * span * s - (0, droop * s^2); a few Newton steps find
            // the nearest point, so the leaflets run on smoothly along the whole rib.
            float at = clamp(dot(c, dir) / (span * dot(dir, dir)), 0.0, 1.0);
            for (int k = 0; k < 3; ++k) {
                vec2 point = dir * span * at - vec2(0.0, droop * at * at);
                vec2 tangent = dir * span - vec2(0.0, 2.0 * droop * at);
                float slope = dot(point - c, tangent);
                float curve = dot(tangent, tangent) + dot(point - c, vec2(0.0, -2.0 * droop));
                at = clamp(at - slope / max(curve, 1e-3), 0.0, 1.0);
            }
            vec2 nearestPoint = dir * span * at - vec2(0.0, droop * at * at);
            vec2 along = normalize(dir * span - vec2(0.0, 2.0 * droop * at));
            vec2 offRib = c - nearestPoint;
            float best = length(offRib);
            float side = along.x * offRib.y - along.y * offRib.x;
            float reach = 0.85 * pow(sin(PI * pow(at, 0.75)), 0.8) * (side < 0.0 ? 1.0 : 0.8);
            if (best > reach + pixel) continue;
            // Leaflets: thin strips slanting back towards the trunk.
            const float SPACING = 0.12;
            // Each leaflet bends down a little and has its own length; now and then one is missing.
            float stripe = (at * span * 1.15 + abs(side) * 0.9 + side * abs(side) * 0.35) / SPACING;
            float id = floor(stripe) + (side < 0.0 ? 57.0 : 0.0);
            float own = hash11(id * 1.37 + seed * 7.0);
            float offset = abs(fract(stripe) - 0.5) * SPACING;
            float thickness = 0.08 * (0.8 + 0.4 * own) * (1.0 - 0.4 * at) * (1.0 - 0.5 * abs(side) / max(reach, 0.01));
            thickness *= step(0.06, own);
            float leaflet = smoothstep(pixel, -pixel, offset - thickness);
            // Too fine to draw: their average instead of a shimmer.
            leaflet = mix(leaflet, 2.0 * thickness / SPACING, smoothstep(0.25, 0.6, pixel / SPACING));
            float tips = smoothstep(pixel, -pixel, abs(side) - reach * (0.7 + 0.3 * own));
            float rib = smoothstep(pixel, -pixel, best - 0.025 * (1.0 - at));
            float leaf = max(rib, leaflet * tips);
            if (leaf > frond) {
                frond = leaf;
                // Each leaflet holds its own angle to the light; the upper side of the rib is the
                // lit one, and the old outer fronds are darker than the young ones on top.
                float face = rib > leaflet * tips ? 0.9 : mix(0.35, 1.0, own) * (side < 0.0 ? 1.0 : 0.62);
                // Near the rib the leaflets overlap and shade each other; out at their tips they
                // are single and thin.
                float outward = clamp(abs(side) / max(reach, 0.01), 0.0, 1.0);
                float overlap = rib > leaflet * tips ? 1.0 : mix(0.55, 1.1, smoothstep(0.0, 0.8, outward));
                tone = face * overlap * mix(1.0, 0.7, at * at) * mix(0.7, 1.0, sin(angle) * 0.5 + 0.5);
            }
        }
    }
    return vec4(max(coverage, frond), frond, across, tone);
}

// Draws the palms over `color`; they stand between the camera and the sea.
vec3 drawPalms(vec3 color, vec3 origin, vec3 dir, float surfaceT, Light l, float pixel) {
    for (int i = 0; i < PALMS; ++i) {
        Palm pm = palm(i);
        float t = (pm.base.z - origin.z) / dir.z;
        if (t <= 0.0 || t > surfaceT) continue;
        vec3 p = origin + dir * t;
        vec2 q = vec2(p.x - pm.base.x, p.y - (pm.base.y + SAND_SLOPE * (pm.base.z - shoreZ(pm.base.x))));
        float sway = 0.05 * sin(uTime.x * 2.0 * PI / 7.2 + pm.seed) + 0.03 * sin(uTime.x * 2.0 * PI / 3.0 + pm.seed * 2.0);
        vec4 cover = palmCoverage(pm, q, t * pixel, sway);
        if (cover.x <= 0.0) continue;
        // A round trunk and leaves lit by the sky; against a low sun they are silhouettes with a
        // warm rim and light shining through the leaves.
        float across = cover.z;
        float facing = sqrt(max(1.0 - across * across, 0.0));
        vec3 trunk = vec3(0.34, 0.28, 0.22) * mix(0.45, 1.2, cover.w);
        vec3 leaves = mix(vec3(0.03, 0.085, 0.025), vec3(0.17, 0.3, 0.07), cover.w);
        vec3 albedo = mix(trunk, leaves, cover.y);
        vec3 normal = mix(vec3(across, 0.0, facing), vec3(0.0, 0.6, 0.8), cover.y);
        float backLight = max(-l.sunDir.z, 0.0);
        // The sky reaches the front of the trunk more than its flanks, which turn into the shade.
        float skyView = mix(mix(0.45, 1.0, facing), 1.0, cover.y);
        vec3 lit = l.ambient * mix(0.08, 0.5, smoothstep(4.0, 25.0, l.sunElev)) * skyView +
                   l.sunColor * max(dot(normal, l.sunDir), 0.0) * 0.8 + l.moonColor * 0.3;
        // The rim burns brightest on the flank towards the sun.
        float sunSide = 0.6 + 0.4 * across * sign(l.sunDir.x + 1e-4);
        vec3 rim = l.sunColor * pow(abs(across), 4.0) * sunSide * (1.0 - cover.y) * backLight * 0.3;
        // Leaves between the eye and the sun glow green-gold, most where they lie nearest its disc;
        // thin leaflets (bright tone) pass more than the ribs and the overlaps.
        float towardSun = pow(max(dot(dir, l.sunDir), 0.0), 6.0);
        vec3 through = l.sunColor * cover.y * backLight * (0.03 + 0.35 * towardSun) * vec3(0.75, 0.95, 0.22) * cover.w * cover.w;
        vec3 palmColor = albedo * lit + rim + through;
        color = mix(color, palmColor, cover.x);
    }
    return color;
}

// ---- the frame --------------------------------------------------------------------------------

void sceneFragment() {
    float aspect = uResolution.x * uResolution.w;
    vec2 ndc = sceneUV * 2.0 - 1.0;
    vec3 origin = vec3(uParams[0].x + uParams[0].z * SIDE_METRES, uParams[0].y, 0.0);
    vec3 dir = normalize(vec3(ndc.x * aspect, ndc.y + LENS_SHIFT, -FOCAL));
    float pixel = 2.0 / (FOCAL * uResolution.y);
    Light l = hourLight();
    Swell s = swell();

    vec3 color;
    float surfaceT = 1e9;
    if (dir.y < 0.0) {
        float tSea = -origin.y / dir.y;
        // The sand rises from the waterline: y = slope * (z - shore) on the landward side.
        float denominator = dir.y - SAND_SLOPE * dir.z - SAND_SLOPE * SHORE_TURN * dir.x;
        float tSand = (SAND_SLOPE * (origin.z - SHORE_Z + SHORE_TURN * origin.x) - origin.y) / denominator;
        vec3 sandPoint = origin + dir * tSand;
        bool onSand = tSand > 0.0 && sandPoint.z > shoreZ(sandPoint.x);
        surfaceT = onSand ? tSand : tSea;
        color = onSand ? sandColor(origin, dir, tSand, l, pixel, s) : seaColor(origin, dir, tSea, l, pixel, s);
        // The horizon line blends into the sky over a pixel, never stepping.
        float edge = smoothstep(-2.0 * pixel, 0.0, dir.y);
        if (edge > 0.0) color = mix(color, skyColor(vec3(dir.x, 0.0005, dir.z), l, false), edge * 0.5);
    } else {
        color = skyColor(dir, l, true);
        float edge = smoothstep(1.5 * pixel, 0.0, dir.y);
        if (edge > 0.0) {
            vec3 below = seaColor(origin, vec3(dir.x, -pixel, dir.z), origin.y / pixel, l, pixel, s);
            color = mix(color, below, edge * 0.5);
        }
    }
    color = drawPalms(color, origin, dir, surfaceT, l, pixel);

    // A soft vignette keeps the eye on the sun and the sea.
    vec2 centered = sceneUV * 2.0 - 1.0;
    color *= 1.0 - 0.16 * dot(centered * vec2(0.8, 1.0), centered * vec2(0.8, 1.0));

    fragColor = vec4(encodeOutput(toneMapHue(color, 4.0), gl_FragCoord.xy), 1.0);
}

#endif
