// Alpine Lake: a baked mountain landscape round a mirror lake under the live sky and weather.
//
// Passes: "heightFragment" bakes the terrain (height and normal) of one square region;
// "shadowFragment" marches the near heights towards the sun; "panoramaFragment" renders the sky
// with its clouds into an azimuth x elevation panorama that the fog, the reflection's sky and the
// water read. The world (trees, terrain, sky) is drawn twice: mirrored in the water plane into
// a linear reflection texture, and into the view, where the lake and precipitation follow.

layout(std140, binding = ALPINE_UNIFORMS_SLOT) uniform AlpineUniforms {
    mat4 viewProjection;
    vec4 eyeClock;       // eye, scene clock (seconds, wrapped)
    vec4 sunVisible;     // sun direction, sun disc above the horizon 0...1
    vec4 moonPhase;      // moon direction, phase 0...1
    vec4 sunExposure;    // direct sun light, exposure
    vec4 ambientMoon;    // ambient light, moon illumination
    vec4 moonFlash;      // direct moon light, lightning flash 0...1
    vec4 cloudsRain;     // cloud cover, cloud darkness, rain, snow
    vec4 fogWind;        // fog, wind, wind from (degrees), snow line (m)
    vec4 wetDrift;       // wetness, lightning, cloud drift (m), sun elevation (degrees)
    vec4 nearRegion;     // origin x, z, size, texels
    vec4 farRegion;
    vec4 forwardTan;     // camera forward, tan(half vertical field of view)
    vec4 rightAspect;    // camera right, aspect
    vec4 mirrorSize;     // 1 in the reflection pass, width, height, day factor
    vec4 upYaw;          // camera up, display yaw (radians)
    vec4 extra;          // moon elevation (degrees), clock modulo a day, 0, 0
} U;

const float CLOUD_HEIGHT = 2600.0;
const float LOOP = 2.0 * PI / 3600.0;

bool mirrorPass() { return U.mirrorSize.x > 0.5; }
float dayFactor() { return U.mirrorSize.w; }
vec3 sunDir() { return U.sunVisible.xyz; }
vec3 moonDir() { return U.moonPhase.xyz; }

// ---- the landscape's value noise (matches the CPU model bit for bit in its integer part) -------

float cornerValue(int i, int j) {
    uint x = (uint(i) * 0x8DA6B343u) ^ (uint(j) * 0xD8163841u);
    x ^= x >> 15;
    x *= 0x2C1B3C6Du;
    x ^= x >> 12;
    x *= 0x297A2D39u;
    x ^= x >> 15;
    return float(x & 0xFFFFFFu) * (1.0 / 16777216.0);
}

float smoothCurve(float t) { return t * t * (3.0 - 2.0 * t); }
float ramp(float t) { return smoothCurve(clamp(t, 0.0, 1.0)); }

float lattice(vec2 p) {
    vec2 f0 = floor(p);
    ivec2 c = ivec2(f0);
    float sx = smoothCurve(p.x - f0.x), sz = smoothCurve(p.y - f0.y);
    float a = cornerValue(c.x, c.y), b = cornerValue(c.x + 1, c.y);
    float d = cornerValue(c.x, c.y + 1), e = cornerValue(c.x + 1, c.y + 1);
    float nearRow = a + (b - a) * sx;
    float farRow = d + (e - d) * sx;
    return nearRow + (farRow - nearRow) * sz;
}

float terrainFbm(vec2 p) {
    float sum = 0.0, f = 1.0, a = 0.5;
    for (int k = 0; k < 4; ++k) {
        float fk = float(k);
        sum += a * (2.0 * lattice(vec2(p.x * f + 31.7 * fk, p.y * f + 11.3 * fk)) - 1.0);
        f *= 2.03;
        a *= 0.5;
    }
    return sum;
}

float terrainRidged(vec2 p) {
    float sum = 0.0, f = 1.0, a = 0.5, w = 1.0;
    for (int k = 0; k < 5; ++k) {
        float fk = float(k);
        float ridge = 1.0 - abs(2.0 * lattice(vec2(p.x * f + 17.3 * fk, p.y * f - 9.1 * fk)) - 1.0);
        float r = ridge * ridge;
        sum += w * a * r;
        w = r;
        f *= 2.1;
        a *= 0.5;
    }
    return sum;
}

float lakeField(vec2 p) {
    float wobble = 0.09 * (2.0 * lattice(p / 260.0) - 1.0) + 0.04 * (2.0 * lattice(p / 90.0) - 1.0);
    return (wobble + length((p - vec2(-60.0, -1000.0)) / vec2(500.0, 980.0)) - 1.0) * 520.0;
}

// Ground height; .y the lake field.
vec2 terrainHeight(vec2 p) {
    float d = lakeField(p);
    if (d < 0.0) return vec2(-0.6 - 16.0 * ramp(d / -260.0), d);
    vec2 w = p + 520.0 * vec2(terrainFbm(p / 3100.0), terrainFbm(p / 3100.0 + vec2(5.2, -5.2)));
    float r1 = terrainRidged(w / 3300.0);
    float r2 = terrainRidged(w / 1150.0 + vec2(5.0, -3.0));
    float rise = 4.0 * ramp(d / 70.0) +
                 (560.0 * ramp(d / 1000.0) + 1250.0 * ramp((d - 600.0) / 3600.0)) * (0.8 * r1 + 0.25 + 0.35 * r2);
    float mA = pow(max(0.0, 1.0 - length((p - vec2(1100.0, -5500.0)) / vec2(2100.0, 1800.0))), 1.75) * 2650.0 *
               (0.2 * r1 + 0.42 * r2 + 0.68);
    float mB = pow(max(0.0, 1.0 - length((p - vec2(-1900.0, -3700.0)) / vec2(1500.0, 1300.0))), 1.6) * 1750.0 *
               (0.45 * r2 + 0.7);
    float h = max(0.0, mA - 0.55 * rise) + max(0.0, mB - 0.6 * rise) + rise;
    h += 38.0 * terrainFbm(p / 320.0) * ramp((d - 72.0) / 440.0);
    h += 1.4 * (lattice(p / 7.0) - 0.5) * ramp((d - 4.0) / 36.0);
    return vec2(h, d);
}

// ---- textures ---------------------------------------------------------------------------------

#if defined(VERTEX_STAGE) || defined(FRAGMENT_STAGE)
layout(binding = ALPINE_NEAR_HEIGHTS_SLOT) uniform sampler2D nearHeights;
layout(binding = ALPINE_FAR_HEIGHTS_SLOT) uniform sampler2D farHeights;
layout(binding = ALPINE_NEAR_NORMALS_SLOT) uniform sampler2D nearNormals;
layout(binding = ALPINE_FAR_NORMALS_SLOT) uniform sampler2D farNormals;
layout(binding = ALPINE_SHADOW_SLOT) uniform sampler2D sunShadows;
layout(binding = ALPINE_PANORAMA_SLOT) uniform sampler2D panorama;
layout(binding = ALPINE_REFLECTION_SLOT) uniform sampler2D reflection;

vec2 regionUV(vec4 region, vec2 p) { return (p - region.xy) / region.z; }

// How much of the near map to use at p: 1 inside, fading out over its outer tenth.
float nearWeight(vec2 p) {
    vec2 uv = regionUV(U.nearRegion, p);
    vec2 edge = min(uv, 1.0 - uv);
    return smoothstep(0.0, 0.08, min(edge.x, edge.y));
}

float bakedHeight(vec2 p) {
    float farH = textureLod(farHeights, clamp(regionUV(U.farRegion, p), 0.0, 1.0), 0.0).r;
    float w = nearWeight(p);
    if (w <= 0.0) return farH;
    return mix(farH, textureLod(nearHeights, regionUV(U.nearRegion, p), 0.0).r, w);
}

// Normal xyz and lake field w.
vec4 bakedNormal(vec2 p) {
    vec4 farN = texture(farNormals, clamp(regionUV(U.farRegion, p), 0.0, 1.0));
    float w = nearWeight(p);
    vec4 n = w > 0.0 ? mix(farN, texture(nearNormals, regionUV(U.nearRegion, p)), w) : farN;
    return vec4(normalize(n.xyz), n.w);
}

// The panorama holds directions by azimuth (u, turning from -z towards +x) and by elevation
// (v = sqrt of the height above a horizon a little below the true one).
vec2 panoramaUV(vec3 dir) {
    float u = atan(dir.x, -dir.z) / (2.0 * PI) + 0.5;
    float v = sqrt(clamp((dir.y + 0.06) / 1.06, 0.0, 1.0));
    return vec2(u, v);
}

vec3 panoramaDir(vec2 uv) {
    float y = uv.y * uv.y * 1.06 - 0.06;
    float a = (uv.x - 0.5) * 2.0 * PI;
    float r = sqrt(max(1.0 - y * y, 0.0));
    return vec3(sin(a) * r, y, -cos(a) * r);
}

vec3 skyFromPanorama(vec3 dir) { return textureLod(panorama, panoramaUV(dir), 0.0).rgb; }
#endif

// ---- sky -------------------------------------------------------------------------------------

// Clear-sky radiance: single scattering of sun and moon light in an atmosphere of sea-level
// air 8 km deep (Rayleigh) with 1.2 km of haze (Mie); air mass grows towards the horizon.
float airMass(float y) { return 1.0 / (max(y, 0.0) + 0.026 * exp(-8.0 * max(y, 0.0))); }

vec3 scatterFrom(vec3 dir, vec3 light, vec3 lightColor) {
    const vec3 kR = vec3(5.8, 13.5, 33.1) * 1e-3 * 8.0;
    const float kM = 0.021 * 1.2;
    float mu = dot(dir, light);
    float phaseR = 0.0597 * (1.0 + mu * mu);
    const float g = 0.76;
    float phaseM = 0.0796 * (1.0 - g * g) / pow(1.0 + g * g - 2.0 * g * mu, 1.5);
    // Ozone absorbs without scattering: it keeps the twilight zenith blue instead of green.
    const vec3 kO = vec3(0.021, 0.06, 0.003);
    vec3 tauView = (kR + kM) * airMass(dir.y);
    vec3 tauLight = (kR + kM * 1.1 + kO) * airMass(light.y + 0.03);
    vec3 inscatter = (kR * phaseR + kM * phaseM) / (kR + kM) * (1.0 - exp(-tauView));
    return lightColor * inscatter * exp(-tauLight * mix(0.5, 0.25, sqrt(max(dir.y, 0.0))));
}

vec3 clearSky(vec3 dir) {
    float sunUp = smoothstep(-0.16, 0.02, sunDir().y);
    vec3 c = scatterFrom(dir, sunDir(), vec3(22.0)) * sunUp;
    // The earth's shadow and the afterglow: a blue-violet band above the horizon opposite the sun.
    float twilight = clamp(1.0 - abs(U.wetDrift.w + 3.0) / 9.0, 0.0, 1.0);
    float away = 0.5 - 0.5 * dot(normalize(dir.xz + 1e-4), normalize(sunDir().xz + 1e-4));
    float toward = (1.0 - away) * (1.0 - away) * (1.0 - away);
    c += twilight * (vec3(0.04, 0.035, 0.075) * away + vec3(0.22, 0.09, 0.03) * toward * exp(-6.0 * max(dir.y, 0.0)));
    // Night: a moonlit sky, bluish, brightest low down.
    float moonUp = smoothstep(-0.05, 0.15, moonDir().y) * U.ambientMoon.w;
    vec3 night = vec3(0.0035, 0.005, 0.010) * (1.0 + 1.5 * exp(-5.0 * max(dir.y, 0.0)));
    night += scatterFrom(dir, moonDir(), vec3(0.35)) * moonUp;
    return c + night * (1.0 - dayFactor());
}

float cloudNoise(vec2 p) {
    float s = 0.0, a = 0.5;
    for (int i = 0; i < 5; ++i) {
        s += a * valueNoise3(vec3(p, float(i) * 1.7));
        p = mat2(1.6, 1.2, -1.2, 1.6) * p;
        a *= 0.5;
    }
    return s;
}

vec2 windVector() {
    float a = radians(U.fogWind.z);
    // Wind blows from windFrom: towards the opposite bearing (x east, -z north).
    return -vec2(sin(a), -cos(a));
}

// Cloud coverage (x) and thickness towards the sun (y) along a sky direction.
vec2 cloudLayer(vec3 dir, vec3 eye, int octaves) {
    if (dir.y <= 0.004) return vec2(0.0);
    float t = max(CLOUD_HEIGHT - eye.y, 60.0) / dir.y;
    vec2 p = (eye.xz + dir.xz * t + windVector() * U.wetDrift.z) / 2300.0;
    float cover = U.cloudsRain.x;
    float n = 0.0, a = 0.5, norm = 0.0;
    vec2 q = p;
    for (int i = 0; i < 6; ++i) {
        if (i >= octaves) break;
        n += a * valueNoise3(vec3(q, float(i) * 1.7));
        norm += a;
        q = mat2(1.6, 1.2, -1.2, 1.6) * q + vec2(0.13 * U.wetDrift.z / 2300.0, 0.0);
        a *= 0.5;
    }
    n /= norm;
    float threshold = mix(0.72, 0.18, cover);
    float density = smoothstep(threshold, threshold + 0.22, n);
    density = mix(density, 1.0, smoothstep(0.82, 1.0, cover) * 0.9);
    // Sample towards the sun for self-shadowing.
    vec2 ps = p + normalize(sunDir().xz + 1e-4) * 0.04;
    float ns = valueNoise3(vec3(ps, 0.0)) * 0.6 + valueNoise3(vec3(ps * 2.0, 1.7)) * 0.4;
    float thick = smoothstep(threshold, threshold + 0.35, ns);
    return vec2(density * smoothstep(0.004, 0.09, dir.y), thick);
}

vec3 cloudLight(vec3 dir, vec2 cloud, vec3 sky) {
    float dark = U.cloudsRain.y;
    vec3 sun = U.sunExposure.rgb;
    float mu = max(dot(dir, sunDir()), 0.0);
    float silver = pow(mu, 10.0) * (1.0 - cloud.y) * 1.6;
    vec3 base = U.ambientMoon.rgb * (1.3 - 0.9 * dark) + sun * (0.1 + 0.16 * (1.0 - cloud.y) + silver) * (1.0 - 0.6 * dark);
    base += U.moonFlash.rgb * (0.5 + 0.6 * pow(max(dot(dir, moonDir()), 0.0), 8.0));
    // Lightning lights the cloud deck from within.
    base += vec3(0.75, 0.8, 1.0) * U.moonFlash.w * (0.6 + 0.4 * cloud.y);
    // Far clouds melt into the haze.
    float haze = exp(-9.0 * dir.y);
    return mix(base, sky, 0.55 * haze);
}

vec3 skyColor(vec3 dir, vec3 eye, int octaves) {
    vec3 sky = clearSky(dir);
    vec2 cloud = cloudLayer(dir, eye, octaves);
    vec3 c = mix(sky, cloudLight(dir, cloud, sky), cloud.x);
    // An overcast sky is grey everywhere; fog closes in from the horizon.
    float over = smoothstep(0.7, 1.0, U.cloudsRain.x);
    vec3 grey = U.ambientMoon.rgb * (1.25 - 0.85 * U.cloudsRain.y) + U.sunExposure.rgb * 0.04 + U.moonFlash.rgb * 0.4;
    // A cloud deck mixes the light of the whole sky: nearly neutral, a touch cool.
    grey = mix(grey, luminance(grey) * vec3(0.92, 0.97, 1.08), 0.6) + vec3(0.7, 0.75, 0.85) * U.moonFlash.w * 0.8;
    c = mix(c, grey * (0.85 + 0.3 * cloud.x), over * 0.85);
    float fog = U.fogWind.x;
    c = mix(c, grey * 1.1 + sky * 0.3, fog * exp(-max(dir.y, 0.0) * mix(14.0, 3.0, fog)));
    return c;
}

// ---- shared shading --------------------------------------------------------------------------

#ifdef FRAGMENT_STAGE
layout(location = 0) out vec4 fragColor;

// The reflection keeps linear light; the view is exposed, tone mapped and dithered.
vec4 finish(vec3 color) {
    if (mirrorPass()) return vec4(min(color, vec3(64.0)), 1.0);
    vec3 exposed = toneMapHue(color * U.sunExposure.w * 1.15, 4.0);
    exposed = mix(exposed, toneMap(color * U.sunExposure.w * 1.15), 0.5);
    return vec4(encodeOutput(exposed, gl_FragCoord.xy), 1.0);
}

// Aerial perspective: distance haze towards the sky behind, thicker in fog and near the water.
vec3 applyHaze(vec3 color, vec3 p, vec3 eye) {
    vec3 toP = p - eye;
    float dist = length(toP);
    vec3 dir = toP / max(dist, 1e-3);
    float fog = U.fogWind.x;
    float density = mix(1.7e-5, 1.1e-3, fog * fog) * (1.0 + 0.6 * U.cloudsRain.z);
    // Haze thins with height; low valley fog when foggy.
    float heightFade = exp(-max(p.y, 0.0) / mix(1800.0, 320.0, fog));
    float amount = 1.0 - exp(-dist * density * (0.35 + 0.65 * heightFade));
    // A thin mist lies on the water around dawn and after rain, a few tens of metres deep.
    float dawn = clamp(1.0 - abs(U.wetDrift.w - 2.0) / 10.0, 0.0, 1.0);
    float mist = (0.6 * dawn + 0.5 * U.wetDrift.x) * exp(-max(p.y, 0.0) / 35.0) * smoothstep(150.0, 1500.0, dist);
    amount = 1.0 - (1.0 - amount) * (1.0 - 0.45 * mist);
    vec3 horizon = skyFromPanorama(normalize(vec3(dir.x, max(dir.y, 0.0) * 0.4 + 0.01, dir.z)));
    return mix(color, horizon, clamp(amount, 0.0, 1.0));
}

float sunShadow(vec3 p) {
    if (U.wetDrift.w < -3.0) return 0.0;
    vec2 uv = regionUV(U.nearRegion, p.xz);
    if (any(lessThan(uv, vec2(0.0))) || any(greaterThan(uv, vec2(1.0)))) return 1.0;
    return texture(sunShadows, uv).r;
}

// Direct sun and moon that get through the clouds: drifting shadows under broken cloud, little
// under an overcast deck.
float cloudShade(vec3 p) {
    float over = smoothstep(0.7, 1.0, U.cloudsRain.x);
    vec2 cloud = cloudLayer(normalize(sunDir() + vec3(0.0, 0.02, 0.0)), p, 3);
    return (1.0 - 0.7 * cloud.x) * (1.0 - 0.85 * over);
}

vec3 lightSurface(vec3 albedo, vec3 n, float shadow, float wrap) {
    float sunN = max((dot(n, sunDir()) + wrap) / (1.0 + wrap), 0.0);
    float moonN = max((dot(n, moonDir()) + wrap) / (1.0 + wrap), 0.0);
    float sky = 0.55 + 0.45 * n.y;
    // Sky fill, a little less blue than the sky itself, plus light bounced off sunlit ground.
    vec3 fill = mix(U.ambientMoon.rgb, vec3(luminance(U.ambientMoon.rgb)), 0.3);
    vec3 bounce = U.sunExposure.rgb * 0.05 * (1.0 - 0.5 * n.y);
    vec3 light = U.sunExposure.rgb * sunN * shadow + fill * sky * 1.3 + bounce + U.moonFlash.rgb * moonN;
    light += vec3(0.55, 0.6, 0.75) * U.moonFlash.w * sky * 0.3;
    return albedo * light;
}
#endif

// ---- screen passes ---------------------------------------------------------------------------

#ifdef VERTEX_STAGE
out vec2 screenUV;

void screenVertex() { screenUV = coverTarget(0.0); }
// The sky sits on the far plane.
void skyVertex() { screenUV = coverTarget(1.0); }
#endif

#ifdef FRAGMENT_STAGE
in vec2 screenUV;

layout(std140, binding = ALPINE_BAKE_SLOT) uniform AlpineBake {
    vec4 bakeRegion;  // origin x, z, size, texels
};

layout(location = 1) out vec4 bakedNormalOut;

// Height (target 0) and normal with the lake field (target 1) of one texel. The slopes come from
// the neighbouring texels' heights through the quad's derivatives, so each texel costs one height.
void heightFragment() {
    float texel = bakeRegion.z / bakeRegion.w;
    vec2 p = bakeRegion.xy + gl_FragCoord.xy * texel;
    vec2 h = terrainHeight(p);
    float dx = dFdx(h.x), dz = dFdy(h.x);
    fragColor = vec4(h.x, 0.0, 0.0, 1.0);
    bakedNormalOut = vec4(normalize(vec3(-dx, texel, -dz)), h.y);
}

void panoramaFragment() {
    vec3 dir = panoramaDir(screenUV);
    vec3 eye = U.eyeClock.xyz;
    fragColor = vec4(skyColor(dir, eye, 6), 1.0);
}

// How lit each near texel is: the lowest clearance of the ray to the sun over the terrain,
// relative to its length, gives a soft penumbra.
void shadowFragment() {
    vec2 uv = gl_FragCoord.xy / U.nearRegion.w;
    vec2 p = U.nearRegion.xy + uv * U.nearRegion.z;
    float h0 = textureLod(nearHeights, uv, 0.0).r + 0.5;
    vec3 s = sunDir();
    float rise = max(s.y, 0.002) / max(length(s.xz), 1e-3);
    vec2 step2 = normalize(s.xz + 1e-6);
    float lit = 1.0;
    float t = 6.0;
    for (int i = 0; i < 40; ++i) {
        vec2 q = p + step2 * t;
        float h = bakedHeight(q);
        float clearance = h0 + rise * t - h;
        lit = min(lit, clamp(0.5 + clearance / (t * 0.035), 0.0, 1.0));
        if (lit <= 0.0 || h0 + rise * t > 3200.0) break;
        t *= 1.17;
    }
    fragColor = vec4(lit, 0.0, 0.0, 1.0);
}

vec3 viewRay(vec2 uv) {
    vec2 ndc = uv * 2.0 - 1.0;
    vec3 d = normalize(U.forwardTan.xyz + U.rightAspect.xyz * ndc.x * U.forwardTan.w * U.rightAspect.w +
                       U.upYaw.xyz * ndc.y * U.forwardTan.w);
    if (mirrorPass()) d.y = -d.y;
    return d;
}

float stars(vec3 dir) {
    vec3 q = dir * 380.0;
    vec3 cell = floor(q);
    vec3 h = hash33(cell);
    float d = length(fract(q) - 0.25 - 0.5 * h);
    float bright = pow(h.x, 14.0) * 2.2;
    return bright * smoothstep(0.16, 0.0, d) * smoothstep(0.0, 0.25, dir.y);
}

vec3 moonDisc(vec3 dir) {
    vec3 m = moonDir();
    float c = dot(dir, m);
    float r = 0.0085;
    float d = sqrt(max(2.0 - 2.0 * c, 0.0));
    if (d > r * 1.3) return vec3(0.0);
    // Lit side from the phase: a sphere lit from a direction that turns with the phase.
    vec3 side = normalize(cross(m, vec3(0.0, 1.0, 0.0)) + 1e-4);
    vec3 upM = cross(side, m);
    vec2 local = vec2(dot(dir - m, side), dot(dir - m, upM)) / r;
    float z = sqrt(max(1.0 - dot(local, local), 0.0));
    float a = U.moonPhase.w * 2.0 * PI;
    vec3 lightDir = vec3(-sin(a), 0.0, -cos(a));
    float lit = smoothstep(-0.05, 0.1, dot(vec3(local, z), lightDir));
    float maria = 0.8 + 0.2 * valueNoise3(vec3(local * 3.0, 2.0));
    float edge = smoothstep(1.0, 0.9, length(local));
    return vec3(1.0, 0.97, 0.9) * (0.03 + 2.2 * lit * maria) * edge;
}

void skyFragment() {
    vec3 dir = viewRay(screenUV);
    vec3 eye = U.eyeClock.xyz;
    vec3 c;
    if (mirrorPass()) {
        c = skyFromPanorama(dir);
    } else {
        c = skyColor(dir, eye, 5);
    }
    vec2 cloud = cloudLayer(dir, eye, 3);
    float clear = (1.0 - cloud.x) * (1.0 - smoothstep(0.8, 1.0, U.cloudsRain.x)) * (1.0 - U.fogWind.x);
    // Sun disc with a soft limb; the moon with its phase; stars where the sky is dark.
    float mu = dot(dir, sunDir());
    float disc = smoothstep(0.99996, 0.99999, mu) * U.sunVisible.w;
    c += U.sunExposure.rgb * disc * 40.0 * clear;
    c += U.sunExposure.rgb * pow(max(mu, 0.0), 900.0) * 1.2 * clear;
    c += moonDisc(dir) * 0.05 * clear * smoothstep(-0.02, 0.02, moonDir().y);
    float dark = 1.0 - smoothstep(0.0, 0.25, luminance(clearSky(dir)) * 8.0);
    c += vec3(0.9, 0.95, 1.0) * stars(dir) * 0.05 * dark * clear;
    fragColor = finish(c);
}
#endif

// ---- meshes ----------------------------------------------------------------------------------

// What the mesh stages hand on: world position, normal, vertex colour and per-pass parameters.
#if defined(VERTEX_STAGE)
out vec3 vWorld;
out vec3 vNormal;
out vec4 vColor;
out vec4 vParams;
#elif defined(FRAGMENT_STAGE)
in vec3 vWorld;
in vec3 vNormal;
in vec4 vColor;
in vec4 vParams;
#endif

#ifdef VERTEX_STAGE
layout(std430, binding = ALPINE_GRID_SLOT) readonly buffer GridVertices { vec2 gridVertices[]; };
layout(std430, binding = ALPINE_TREES_SLOT) readonly buffer TreeInstances { vec4 treeData[]; };

vec4 project(vec3 p) {
    if (mirrorPass()) p.y = -p.y;
    return U.viewProjection * vec4(p, 1.0);
}
#endif

// ---- terrain ---------------------------------------------------------------------------------

#ifdef VERTEX_STAGE
void terrainVertex() {
    vec2 g = gridVertices[gl_VertexID];
    float yaw = U.upYaw.w;
    // Turned with the display's yaw: the grid's dense front follows where the view looks.
    vec2 r = vec2(g.x * cos(yaw) - g.y * sin(yaw), g.x * sin(yaw) + g.y * cos(yaw));
    vec2 p = U.eyeClock.xz + r;
    float h = bakedHeight(p);
    // Beyond the horizon's reach the ground sinks away with the earth's curvature.
    float dist = length(r);
    h -= dist * dist / (2.0 * 6.36e6) * 0.87;
    // The reflection must not see the lake bed: lifted far above the mirrored camera, its
    // triangles stay out of every ray that leaves the water. (No discard: it would cost early depth.)
    if (mirrorPass() && h < -0.05) h = -1000.0;
    vWorld = vec3(p.x, h, p.y);
    gl_Position = project(vWorld);
}
#endif

#ifdef FRAGMENT_STAGE
void terrainFragment() {
    vec3 p = vWorld;
    vec4 nd = bakedNormal(p.xz);
    vec3 n = nd.xyz;
    float shore = nd.w;
    vec3 eye = U.eyeClock.xyz;
    float dist = length(p - eye);
    float slope = 1.0 - n.y;

    // Ground cover by height, slope and the distance from the water.
    float grain = valueNoise3(vec3(p.xz * 0.11, 0.0));
    float patches = valueNoise3(vec3(p.xz * 0.012, 3.0));
    vec3 rock = mix(vec3(0.16, 0.15, 0.14), vec3(0.24, 0.22, 0.2), patches) * (0.8 + 0.35 * grain);
    vec3 meadow = mix(vec3(0.06, 0.08, 0.03), vec3(0.085, 0.095, 0.04), patches);
    vec3 forestFloor = vec3(0.022, 0.04, 0.028) * (0.8 + 0.4 * grain);
    vec3 beach = vec3(0.26, 0.23, 0.19) * (0.85 + 0.3 * grain);
    float treeLine = 1250.0 + 160.0 * terrainFbm(p.xz / 700.0);
    // Far slopes below the tree line read as forest: the placed trees stop at 2.3 km.
    float forest = (1.0 - smoothstep(treeLine - 200.0, treeLine, p.y)) * smoothstep(0.45, 0.3, slope) *
                   smoothstep(0.42, 0.58, valueNoise3(vec3(p.xz * 0.004, 5.0)) + 0.33);
    vec3 albedo = mix(meadow, forestFloor, forest * mix(0.55, 1.0, smoothstep(300.0, 1800.0, dist)));
    albedo = mix(albedo, rock, smoothstep(0.32, 0.5, slope + 0.15 * (grain - 0.5)));
    albedo = mix(albedo, rock, smoothstep(treeLine, treeLine + 300.0, p.y) * 0.7);
    albedo = mix(beach, albedo, smoothstep(3.0, 14.0, shore + 4.0 * grain));
    // Snow above the snow line, sliding off steep rock.
    float snowLine = U.fogWind.w + 120.0 * (grain - 0.5) + 90.0 * (patches - 0.5);
    float snow = smoothstep(snowLine - 40.0, snowLine + 60.0, p.y) * smoothstep(0.62, 0.38, slope);
    snow = max(snow, U.cloudsRain.w * smoothstep(0.5, 0.25, slope) * step(snowLine, p.y + 1.0));
    albedo = mix(albedo, vec3(0.8, 0.83, 0.88) * (0.86 + 0.14 * grain) * (1.0 - 0.25 * slope), snow);
    // Rain darkens and glosses the ground.
    albedo *= 1.0 - 0.35 * U.wetDrift.x * (1.0 - snow);

    float shadow = sunShadow(p) * cloudShade(p);
    vec3 color = lightSurface(albedo, n, shadow, 0.1);
    vec3 view = normalize(p - eye);
    float gloss = U.wetDrift.x * pow(max(dot(reflect(view, n), sunDir()), 0.0), 40.0) * 0.3;
    color += U.sunExposure.rgb * gloss * shadow;
    fragColor = finish(applyHaze(color, p, eye));
}
#endif

// ---- trees -----------------------------------------------------------------------------------

#ifdef VERTEX_STAGE
void treeVertex() {
    MeshVertex v = vertices[gl_VertexID];
    vec4 base = treeData[gl_InstanceID * 2];
    vec4 params = treeData[gl_InstanceID * 2 + 1];
    float height = params.x, width = params.y;
    vec3 local = vec3(v.position.x * width, v.position.y * height, v.position.z * width);
    // Sway grows towards the top; whole turns per hour so the loop never jumps.
    float t = U.eyeClock.w * LOOP;
    float top = v.position.w * v.position.w;
    float sway = (0.08 + 0.45 * U.fogWind.y) * top * sin(t * 160.0 + params.w) +
                 0.05 * top * sin(t * 420.0 + params.w * 3.0) * U.fogWind.y;
    vec2 wind = vec2(-sin(radians(U.fogWind.z)), cos(radians(U.fogWind.z)));
    local.xz += wind * sway;
    vWorld = base.xyz + local;
    vNormal = normalize(vec3(v.normal.x / max(width, 0.1), v.normal.y / max(height, 0.1), v.normal.z / max(width, 0.1)));
    vColor = v.color;
    vParams = vec4(params.z, v.position.w, length(vWorld.xz - base.xz) / max(width, 0.1), 0.0);
    gl_Position = project(vWorld);
}
#endif

#ifdef FRAGMENT_STAGE
void treeFragment() {
    vec3 p = vWorld;
    vec3 eye = U.eyeClock.xyz;
    float tint = vParams.x;
    vec3 albedo = vColor.rgb * mix(vec3(0.85, 1.0, 0.9), vec3(1.35, 1.2, 0.95), tint) * 1.6;
    float needles = vColor.a;
    // Needle clumps: broken light across each tier.
    float clumps = valueNoise3(vec3(p * 1.7)) * 0.5 + 0.5;
    albedo *= mix(1.0, 0.6 + 0.7 * clumps, needles);
    vec3 n = normalize(vNormal + needles * (hash33(floor(p * 3.0)) - 0.5) * 0.6);
    // Snow rests on the tiers' upper faces.
    float snowLine = U.fogWind.w;
    float snow = max(smoothstep(snowLine - 30.0, snowLine + 50.0, p.y), U.cloudsRain.w) * needles *
                 smoothstep(0.2, 0.7, n.y) * smoothstep(0.35, 0.6, clumps);
    albedo = mix(albedo, vec3(0.7, 0.74, 0.8), snow * 0.8);
    float shadow = sunShadow(p + vec3(0.0, 6.0, 0.0)) * cloudShade(p);
    // Light through the crown: the sun side brighter, the rest in its own shade.
    float inner = 0.55 + 0.45 * smoothstep(0.2, 1.0, vParams.z);
    vec3 color = lightSurface(albedo, n, shadow, 0.4) * inner;
    fragColor = finish(applyHaze(color, p, eye));
}
#endif

// ---- lake ------------------------------------------------------------------------------------

#ifdef VERTEX_STAGE
void waterVertex() {
    vec2 corner = vec2(float(gl_VertexID & 1), float(gl_VertexID >> 1));
    vec2 p = mix(vec2(-700.0, -2150.0), vec2(620.0, 120.0), corner);
    vWorld = vec3(p.x, 0.0, p.y);
    gl_Position = U.viewProjection * vec4(vWorld, 1.0);
}
#endif

#ifdef FRAGMENT_STAGE
// Small waves as a sum of moving value-noise slopes; calm by default, rougher with wind and rain.
vec2 waveSlope(vec2 p, float t) {
    vec2 s = vec2(0.0);
    float a = 1.0;
    vec2 wind = windVector();
    for (int i = 0; i < 3; ++i) {
        vec2 q = p * (0.35 * pow(2.3, float(i))) + wind * t * (0.25 + 0.1 * float(i));
        float e = 0.05;
        float c = valueNoise3(vec3(q, float(i)));
        s += a * vec2(valueNoise3(vec3(q + vec2(e, 0.0), float(i))) - c, valueNoise3(vec3(q + vec2(0.0, e), float(i))) - c) / e;
        a *= 0.55;
    }
    return s;
}

// Rings spreading from raindrops, one drop per cell per cycle.
vec2 rainRings(vec2 p, float t) {
    vec2 s = vec2(0.0);
    for (int k = 0; k < 2; ++k) {
        vec2 q = p * 1.3 + float(k) * 0.37;
        vec2 cell = floor(q);
        vec3 h = hash33(vec3(cell, float(k)));
        float phase = fract(t * 0.9 + h.z);
        vec2 centre = cell + 0.2 + 0.6 * h.xy;
        vec2 d = q - centre;
        float r = length(d);
        float ring = sin((r - phase * 0.6) * 40.0) * exp(-abs(r - phase * 0.6) * 14.0) * (1.0 - phase);
        s += ring * d / max(r, 1e-3);
    }
    return s;
}

void waterFragment() {
    vec3 p = vWorld;
    vec3 eye = U.eyeClock.xyz;
    float dist = length(p - eye);
    vec3 view = (p - eye) / max(dist, 1e-3);
    // Waves drift without a period: they take the day-long clock, so a wrap comes once a day.
    float t = U.extra.y;
    float rough = 0.01 + 0.05 * U.fogWind.y;
    vec2 slope = waveSlope(p.xz, t) * rough * (1.0 / (1.0 + dist * 0.004));
    slope += rainRings(p.xz, t) * 0.02 * U.cloudsRain.z * smoothstep(120.0, 20.0, dist);
    vec3 n = normalize(vec3(-slope.x, 1.0, -slope.y));
    // The reflection, displaced by the waves; it holds the mirrored world in screen space.
    vec2 uv = gl_FragCoord.xy / U.mirrorSize.yz + n.xz * vec2(0.35, 0.6) / (1.0 + dist * 0.01);
    vec3 mirrored = textureLod(reflection, clamp(uv, 0.001, 0.999), 0.0).rgb;
    float cosI = max(-dot(view, n), 0.0);
    float fresnel = 0.02 + 0.98 * pow(1.0 - cosI, 5.0);
    fresnel = mix(fresnel, 1.0, 0.55);
    // Deep water colour lit by the sky; glints of the sun and moon.
    vec3 deep = vec3(0.006, 0.018, 0.02) * (U.ambientMoon.rgb * 3.0 + U.sunExposure.rgb * 0.15);
    vec3 color = mix(deep, mirrored * 0.92, fresnel);
    vec3 r = reflect(view, n);
    float sunSpec = pow(max(dot(r, sunDir()), 0.0), 600.0) * 14.0;
    float moonSpec = pow(max(dot(r, moonDir()), 0.0), 400.0) * 3.0;
    float openSky = 1.0 - smoothstep(0.6, 1.0, U.cloudsRain.x);
    color += (U.sunExposure.rgb * sunSpec * cloudShade(p) + U.moonFlash.rgb * moonSpec * 8.0) * openSky * sunShadow(p);
    fragColor = finish(applyHaze(color, p, eye));
}
#endif

// ---- rain and snow ---------------------------------------------------------------------------

#ifdef VERTEX_STAGE
void precipVertex() {
    int id = gl_InstanceID;
    vec3 h = hash33(vec3(float(id) * 0.713, float(id) * 1.931 + 4.1, 2.3));
    bool snowing = U.cloudsRain.w > U.cloudsRain.z;
    vec3 box = vec3(36.0, 20.0, 36.0);
    float t = U.extra.y;
    float fall = snowing ? 1.1 + 0.6 * h.z : 7.5 + 2.0 * h.z;
    vec2 wind = windVector() * (snowing ? 1.5 : 3.0) * U.fogWind.y;
    vec3 centre = U.eyeClock.xyz + U.forwardTan.xyz * 16.0;
    vec3 local = h * box + vec3(wind.x, -fall, wind.y) * t;
    if (snowing) local.xz += 0.6 * vec2(sin(t * 0.9 + h.x * 20.0), cos(t * 0.7 + h.y * 20.0));
    local = mod(local - (centre - box * 0.5), box) + (centre - box * 0.5);
    vec3 p = local;
    vec2 corner = vec2(float(gl_VertexID & 1), float(gl_VertexID >> 1)) * 2.0 - 1.0;
    vec3 velocity = normalize(vec3(wind.x, -fall, wind.y));
    vec3 side = normalize(cross(velocity, U.forwardTan.xyz));
    float size = snowing ? 0.012 + 0.012 * h.x : 0.005;
    float length2 = snowing ? size : 0.35 + 0.25 * h.y;
    vec3 q = p + side * corner.x * size + (snowing ? U.upYaw.xyz : -velocity) * corner.y * length2;
    vWorld = p;
    vParams = vec4(corner, h.z, snowing ? 1.0 : 0.0);
    gl_Position = U.viewProjection * vec4(q, 1.0);
}
#endif

#ifdef FRAGMENT_STAGE
void precipFragment() {
    vec2 c = vParams.xy;
    bool snowing = vParams.w > 0.5;
    float shape = snowing ? max(1.0 - dot(c, c), 0.0) : (1.0 - abs(c.x)) * (1.0 - c.y * c.y);
    float dist = length(vWorld - U.eyeClock.xyz);
    float fade = smoothstep(1.0, 4.0, dist) * (1.0 - smoothstep(18.0, 30.0, dist));
    vec3 light = U.ambientMoon.rgb * 2.2 + U.sunExposure.rgb * 0.25 + U.moonFlash.rgb * 2.0 +
                 vec3(0.8) * U.moonFlash.w;
    float alpha = shape * fade * (snowing ? 0.7 : 0.3) * (0.6 + 0.4 * vParams.z);
    vec3 color = light * (snowing ? 1.0 : 0.8);
    vec3 exposed = toneMap(color * U.sunExposure.w * 1.15);
    fragColor = vec4(linearToSRGB(exposed) * alpha, alpha);
}
#endif
