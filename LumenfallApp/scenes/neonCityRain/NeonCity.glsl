// Neon City Rain: a narrow street at night in the rain, its neon signs smeared across the wet road.
//
// One pass, traced analytically: the road and kerbs (y = 0), the two facades (x = +-7), the signs
// (blades across the street, wall signs flat on the facades) and the sky strip between the roofs.
// The road reflects the signs and the shop windows as long vertical streaks, sharper in puddles;
// rain falls in three screen layers lit by the nearby signs, and mist scatters their glow.
//
// uParams[0] = camera sway x, eye height, street offset (z), rain strength
// uParams[1] = number of signs
// uData[4i..4i+3] = sign i: (x, bottom, z, mount), (width, height, flicker, vertical),
//                   atlas cell (u0, v0, u1, v1), colour
// SCENE_TEXTURE0_SLOT = the lettering atlas (greyscale, mipmapped): 1 tube, 0.22 letter core

#ifdef FRAGMENT_STAGE

layout(binding = SCENE_TEXTURE0_SLOT) uniform sampler2D signAtlas;

const float HALF_WIDTH = 7.0;
const float KERB = 5.3;         // the road between the kerbs, pavements outside
const float KERB_HEIGHT = 0.14;
const float FOCAL = 1.55;
const float PITCH = 0.06;       // the view tilts up a little, towards the signs
const float SIGN_PERIOD = 70.0; // signs repeat this far down the street
const float SIGN_NEAR = 6.0;    // no sign closer to the eye than this
const float STOREY = 3.1;
const float SHOP_TOP = 3.2;
const float BLOCK = 9.0;        // buildings are whole blocks of this length along the street
const float FAR = 160.0;

struct Sign {
    vec3 origin;  // x, bottom, z
    float mount;  // 0 blade, 1 left wall, 2 right wall
    vec2 size;
    float flicker;
    bool vertical;
    vec4 cell;
    vec3 color;
    float level;  // current brightness with flicker and daylight
};

float dayLight() { return clamp(uSky.y, 0.0, 1.0); }

// Sign flicker: long steady stretches, then a short stutter now and then, and a faint hum.
float flickerLevel(float strength, float seed, float t) {
    if (strength <= 0.0) return 1.0;
    float slot = floor(t / 6.0);
    float burst = step(0.9, hash11(slot * 1.37 + seed * 13.1));
    float into = t - slot * 6.0;
    float inBurst = burst * (1.0 - step(0.5 + 0.9 * hash11(slot + seed * 3.7), into));
    float stutter = step(0.5, hash11(floor(t * 16.0) + seed * 71.0));
    float level = mix(1.0, 0.08 + 0.75 * stutter, inBurst * strength);
    return level * (1.0 - 0.025 * strength * sin(t * 7.0 + seed * 5.0));
}

Sign loadSign(int i, float eyeZ) {
    Sign s;
    vec4 a = uData[i * 4];
    vec4 b = uData[i * 4 + 1];
    s.origin = a.xyz;
    // Each sign stands once in the stretch ahead of the eye, so every display sees a lit street.
    s.origin.z = eyeZ - SIGN_NEAR - mod(eyeZ - SIGN_NEAR - a.z, SIGN_PERIOD);
    s.mount = a.w;
    s.size = b.xy;
    s.flicker = b.z;
    s.vertical = b.w > 0.5;
    s.cell = uData[i * 4 + 2];
    s.color = uData[i * 4 + 3].rgb;
    float seed = float(i) * 1.618 + floor((eyeZ - SIGN_NEAR - a.z) / SIGN_PERIOD) * 0.37;
    s.level = flickerLevel(s.flicker, seed, uTime.x) * mix(1.0, 0.28, dayLight());
    return s;
}

// The sign's plane as point + normal, and its local axes (u to the reader's right, v down).
void signFrame(Sign s, out vec3 corner, out vec3 uAxis, out vec3 vAxis, out vec3 normal) {
    vAxis = vec3(0.0, -1.0, 0.0);
    if (s.mount < 0.5) {
        corner = vec3(s.origin.x, s.origin.y + s.size.y, s.origin.z);
        uAxis = vec3(1.0, 0.0, 0.0);
        normal = vec3(0.0, 0.0, 1.0);
    } else if (s.mount < 1.5) {
        corner = vec3(-HALF_WIDTH + 0.04, s.origin.y + s.size.y, s.origin.z);
        uAxis = vec3(0.0, 0.0, -1.0);
        normal = vec3(1.0, 0.0, 0.0);
    } else {
        corner = vec3(HALF_WIDTH - 0.04, s.origin.y + s.size.y, s.origin.z - s.size.x);
        uAxis = vec3(0.0, 0.0, 1.0);
        normal = vec3(-1.0, 0.0, 0.0);
    }
}

// Where a ray meets the sign's plane: distance and local (u, v) in 0..1 across the sign.
vec3 signHit(Sign s, vec3 ro, vec3 rd) {
    vec3 corner, uAxis, vAxis, normal;
    signFrame(s, corner, uAxis, vAxis, normal);
    float denom = dot(rd, normal);
    float t = abs(denom) > 1e-5 ? dot(corner - ro, normal) / denom : -1.0;
    vec3 p = ro + rd * t - corner;
    return vec3(t, dot(p, uAxis) / s.size.x, dot(p, vAxis) / s.size.y);
}

vec3 signCentre(Sign s) {
    vec3 corner, uAxis, vAxis, normal;
    signFrame(s, corner, uAxis, vAxis, normal);
    return corner + uAxis * (0.5 * s.size.x) + vAxis * (0.5 * s.size.y) + normal * 0.1;
}

vec2 atlasUV(Sign s, vec2 local) { return mix(s.cell.xy, s.cell.zw, local); }

// The light a sign gives off where the eye sees it: tubes, their soft halo on the board and the
// dim letter cores. `uvLocal` is unclamped; outside the sign only the halo remains.
vec3 signGlow(Sign s, vec2 uvLocal, vec2 duvdx, vec2 duvdy) {
    vec2 inside = clamp(uvLocal, 0.0, 1.0);
    vec2 uv = atlasUV(s, inside);
    vec2 scale = s.cell.zw - s.cell.xy;
    float tube = textureGrad(signAtlas, uv, duvdx * scale, duvdy * scale).r;
    float halo = textureLod(signAtlas, uv, 5.0).r;
    float wide = textureLod(signAtlas, atlasUV(s, clamp(uvLocal, 0.08, 0.92)), 7.0).r;
    vec2 outside = max(max(-uvLocal, uvLocal - 1.0), 0.0) * s.size;
    float fade = exp(-dot(outside, outside) * 14.0);
    float inRect = step(0.0, uvLocal.x) * step(uvLocal.x, 1.0) * step(0.0, uvLocal.y) * step(uvLocal.y, 1.0);
    vec3 hot = mix(s.color, vec3(1.0), 0.55 * smoothstep(0.55, 1.0, tube));
    return s.level * (hot * tube * tube * 9.0 * inRect + s.color * (halo * 2.6 * inRect + wide * mix(3.0 * fade, 1.3, inRect)));
}

// ---- the buildings -------------------------------------------------------------------------------

// Per block: height, tint and window rhythm.
vec4 blockLook(float side, float z) {
    float id = floor(z / BLOCK);
    float h = hash12(vec2(id, side * 7.0));
    return vec4(11.0 + 17.0 * h, hash12(vec2(id, side * 3.0 + 1.0)), hash12(vec2(id + 9.0, side)), id);
}

float blockTop(float side, float z) { return blockLook(side, z).x; }

// What the ground floor of a block is: 0 a lit shop, 1 a shop behind a closed shutter, 2 dark glass.
float shopKind(vec4 look) {
    float h = fract(look.z * 7.31 + look.y * 3.7);
    return h < 0.55 ? 0.0 : h < 0.8 ? 1.0 : 2.0;
}

// The colour of a shop's lamps: warm, cool white or pink.
vec3 shopLight(vec4 look) {
    return look.y < 0.45 ? vec3(1.0, 0.64, 0.32) : look.y < 0.75 ? vec3(0.85, 0.92, 1.0) : vec3(1.0, 0.55, 0.6);
}

// Soft box 0..1 over [a, b] with edges `e` wide.
float band(float x, float a, float b, float e) {
    return smoothstep(a - e, a + e, x) * (1.0 - smoothstep(b - e, b + e, x));
}

// Lit windows and shop fronts of one facade point; `blur` widens every edge (for reflections) on
// top of the pixel footprint `px`. `glass` says how much of the point is window pane. Seen along
// `rd` (zero in reflections) a lit window shows the room behind it.
vec3 facadeLight(float side, float z, float y, float px, float blur, vec3 rd, out float glass) {
    vec4 look = blockLook(side, z);
    float night = 1.0 - dayLight();
    float e = 0.5 * (px + blur) + 0.01;
    float zb = z - look.w * BLOCK;  // 0..BLOCK within the block
    glass = 0.0;
    vec3 light = vec3(0.0);
    if (y < SHOP_TOP) {
        // Shop front: a long pane with a door, under a dark fascia.
        float kind = shopKind(look);
        float pane = band(zb, 0.5, BLOCK - 0.5, e) * band(y, 0.45, SHOP_TOP - 0.6, e);
        float door = band(zb, 1.2 + 4.0 * look.y, 2.3 + 4.0 * look.y, e) * band(y, 0.0, SHOP_TOP - 0.6, e);
        float mullion = 1.0 - smoothstep(0.03, 0.03 + e, abs(fract(zb / 2.6 + 0.5) - 0.5) * 2.6);
        pane = max(pane * (1.0 - 0.85 * mullion), door * 0.6);
        if (kind == 1.0) return vec3(0.0);
        glass = pane;
        if (kind == 2.0) return vec3(0.0);
        vec3 warm = shopLight(look);
        // Inside: pools of light under ceiling lamps, shelves of goods, a dark counter in front.
        float lampZ = (fract(zb / 1.8) - 0.5) * 1.8;
        float lamps = (0.2 + 0.8 * exp(-lampZ * lampZ * 2.0)) * (0.3 + 0.7 * smoothstep(0.6, SHOP_TOP - 0.6, y));
        float shelfLine = abs(fract(y / 0.55) - 0.5);
        float shelf = floor(y / 0.55);
        float goods = 0.75 + 0.25 * hash12(vec2(floor(zb * 7.0 + hash11(shelf) * 3.0), shelf + look.w * 11.0));
        goods = mix(0.8, goods, 1.0 - smoothstep(0.04, 0.12, e));
        float shelves = mix(goods, 0.35, smoothstep(0.42, 0.5, shelfLine) * (1.0 - smoothstep(0.01, 0.03, e)));
        float counter = mix(0.25, 1.0, smoothstep(0.95, 1.05, y + 0.4 * step(0.5, fract(zb * 0.23 + look.y))));
        light = warm * pane * lamps * shelves * counter * mix(0.26, 0.1, dayLight());
    } else if (y < look.x - 0.9) {
        float floorY = (y - SHOP_TOP) / STOREY;
        float fy = fract(floorY);
        float storey = floor(floorY);
        float spacing = 1.9 + 0.7 * look.z;
        float inner = zb - 0.6;
        float col = floor(inner / spacing);
        float fz = inner - col * spacing;
        float w = spacing * 0.52;
        float win = band(fz, 0.5 * (spacing - w), 0.5 * (spacing + w), e) * band(fy * STOREY, 0.9, 2.45, e);
        win *= step(0.0, inner) * step(inner, BLOCK - 1.2) * step(col, floor((BLOCK - 1.2) / spacing) - 1.0);
        float pick = hash13(vec3(col, storey, look.w * 3.0 + side));
        // Panes differ: blinds, dirt and angle make some mirror the street more than others.
        glass = win * (0.55 + 0.45 * hash11(pick * 17.0 + 2.0));
        float lit = step(pick, mix(0.06, 0.36, night));
        vec3 tint = mix(vec3(1.0, 0.68, 0.4), vec3(0.55, 0.7, 1.0), step(0.82, hash11(pick * 91.0)));
        // Rooms differ; a drawn curtain leaves a glowing slit or a dim half.
        float room = 0.4 + 0.6 * hash11(pick * 37.0 + 3.0);
        float curtain = hash11(pick * 53.0 + 1.0);
        float across = (fz - 0.5 * (spacing - w)) / w;
        room *= curtain < 0.4 ? mix(0.3, 1.0, step(curtain * 2.0, across)) : 1.0;
        float lamp = 0.7 + 0.3 * smoothstep(0.9, 2.45, fy * STOREY);
        if (rd.x != 0.0 && lit * win > 0.0) {
            // The room as a box behind the pane: back wall, floor and ceiling with a lamp.
            float floorLevel = SHOP_TOP + storey * STOREY + 0.1;
            float ceiling = floorLevel + STOREY - 0.4;
            float tBack = (side * (HALF_WIDTH + 3.5) - side * HALF_WIDTH) / rd.x;
            float tY = abs(rd.y) > 1e-5 ? ((rd.y < 0.0 ? floorLevel : ceiling) - y) / rd.y : 1e5;
            float tHit = min(tBack, tY);
            vec3 q = vec3(0.0, y, z) + rd * tHit;
            float dz = q.z - (look.w * BLOCK + 0.6 + (col + 0.5) * spacing);
            float glow = exp(-dz * dz * 0.25);
            if (tHit == tBack) {
                float furniture = step(q.y, floorLevel + 0.6 + 0.6 * hash11(pick * 13.0 + floor(q.z * 0.8)));
                lamp = (0.35 + 0.65 * glow * smoothstep(floorLevel, ceiling, q.y)) * mix(1.0, 0.35, furniture);
            } else {
                lamp = rd.y > 0.0 ? 0.3 + 1.2 * exp(-dz * dz * 1.5) : 0.25 * glow;
            }
        }
        light = tint * win * lit * room * lamp * 0.3;
    }
    return light;
}

// Looking through a lit shop window: the room behind the glass is traced as a box, so shelves,
// lamps and floor shift with the view instead of being painted on the pane. `px` is the pixel's
// size at the glass.
vec3 shopInterior(float side, vec3 p, vec3 rd, vec4 look, float px) {
    const float DEPTH = 4.0;
    const float CEILING = SHOP_TOP - 0.45;
    float zStart = look.w * BLOCK + 0.5, zEnd = zStart + BLOCK - 1.0;
    float tBack = (side * (HALF_WIDTH + DEPTH) - p.x) / rd.x;
    float tY = abs(rd.y) > 1e-5 ? ((rd.y < 0.0 ? 0.0 : CEILING) - p.y) / rd.y : 1e5;
    float tZ = abs(rd.z) > 1e-5 ? ((rd.z < 0.0 ? zStart : zEnd) - p.z) / rd.z : 1e5;
    float tHit = min(tBack, min(tY, tZ));
    vec3 q = p + rd * tHit;
    float depth = abs(q.x) - HALF_WIDTH;
    float blur = px * (1.0 + tHit * 0.5);
    float lampZ = (fract(q.z / 1.8) - 0.5) * 1.8;
    vec3 warm = shopLight(look);
    // Lamps hang in rows along the shop; their light falls off towards the floor.
    float pool = 0.35 + 0.65 * exp(-lampZ * lampZ * 1.5);
    float height = 0.35 + 0.65 * smoothstep(0.0, CEILING, q.y);
    vec3 c;
    if (tHit == tY && rd.y > 0.0) {
        float panel = band(lampZ, -0.3, 0.3, blur) * band(depth, 0.8, DEPTH - 0.8, blur);
        c = warm * (0.25 + 3.0 * panel);
    } else if (tHit == tY) {
        c = warm * 0.22 * pool;
    } else {
        // Shelves of goods on every wall: rows of packets in muted colours, averaged out when too
        // small to see.
        float along = tHit == tBack ? q.z : depth * 1.7;
        float row = floor(q.y / 0.34);
        float item = floor(along / 0.13 + hash11(row) * 5.0);
        vec3 goods = mix(vec3(0.6), 0.3 + 0.7 * hash33(vec3(item, row, look.w)), 0.4);
        float top = fract(q.y / 0.34) < 0.4 + 0.45 * hash12(vec2(item, row + 5.0)) ? 1.0 : 0.7;
        float detail = 1.0 - smoothstep(0.015, 0.05, blur);
        goods = mix(vec3(0.6), goods * top, detail);
        float shelfBoard = band(fract(q.y / 0.34) * 0.34, 0.0, 0.03, blur * 0.5);
        c = warm * mix(goods, vec3(0.25), shelfBoard) * pool * height * (0.3 + 0.7 * step(0.3, q.y));
    }
    // Near the glass the room is darker: its lamps hang further in.
    return c * mix(0.3, 1.0, 1.0 - exp(-depth * 0.8)) * mix(0.3, 0.12, dayLight());
}

vec3 wallAlbedo(float side, float z, float y, float px) {
    vec4 look = blockLook(side, z);
    float zb = z - look.w * BLOCK;
    vec3 base = mix(vec3(0.13, 0.11, 0.1), vec3(0.17, 0.16, 0.155), look.y);
    base = mix(base, vec3(0.12, 0.075, 0.06), step(0.72, look.z));  // brick
    // Pilasters between blocks, storey lines and weathering streaks keep the wall from looking flat.
    float pilaster = 1.0 - band(zb, 0.35, BLOCK - 0.35, 0.02);
    float ledge = (1.0 - smoothstep(0.0, 0.12, abs(fract((y - SHOP_TOP) / STOREY) * STOREY - 0.15))) * step(SHOP_TOP, y);
    float streak = valueNoise3(vec3(z * 1.7, y * 0.12, side * 5.0));
    vec3 albedo = base * (0.75 + 0.4 * streak) * (1.0 + 0.25 * ledge) * (1.0 - 0.3 * pilaster);
    if (y < SHOP_TOP && shopKind(look) == 1.0) {
        // A rolling shutter: grey ribs that fade out before they could alias.
        albedo = vec3(0.2, 0.2, 0.21) * (1.0 + 0.15 * sin(y * 60.0) * (1.0 - smoothstep(0.015, 0.05, px)));
    }
    // The fascia over the shops.
    albedo *= 1.0 - 0.6 * band(y, SHOP_TOP - 0.6, SHOP_TOP, 0.02);
    return albedo;
}

// ---- lighting ------------------------------------------------------------------------------------

vec3 ambientSky() {
    float day = dayLight();
    return mix(vec3(0.010, 0.011, 0.018), vec3(0.36, 0.38, 0.4), day);
}

vec3 skyColor(vec3 rd) {
    float day = dayLight();
    float up = clamp(rd.y, 0.0, 1.0);
    // Low clouds glow with the city's light at night; by day they are a flat rainy grey.
    vec3 night = mix(vec3(0.05, 0.028, 0.04), vec3(0.012, 0.012, 0.022), sqrt(up));
    vec3 grey = mix(vec3(0.46, 0.48, 0.5), vec3(0.34, 0.36, 0.4), up);
    // The clouds drift round a slow circle that closes when the clock wraps at the hour.
    float turn = uTime.x * (2.0 * PI / 3600.0);
    vec2 drift = rd.xz / max(rd.y, 0.05) * 1.5 + 6.0 * vec2(cos(turn), sin(turn));
    float cloud = valueNoise3(vec3(drift, 0.0));
    return mix(night, grey, day) * (0.85 + 0.3 * cloud);
}

// Light the signs throw on a surface point.
vec3 signSpill(vec3 p, vec3 n, float eyeZ, int count) {
    vec3 sum = vec3(0.0);
    for (int i = 0; i < count; ++i) {
        Sign s = loadSign(i, eyeZ);
        vec3 c = signCentre(s);
        vec3 l = c - p;
        float d2 = dot(l, l);
        float lambert = max(dot(n, l) * inversesqrt(d2), 0.0);
        float area = s.size.x * s.size.y;
        sum += s.color * s.level * lambert * area * 0.55 / (d2 + area);
    }
    return sum;
}

// ---- the road ------------------------------------------------------------------------------------

float puddleMask(vec2 xz) {
    float n = valueNoise3(vec3(xz * vec2(0.32, 0.2), 1.7)) * 0.7 + valueNoise3(vec3(xz * 1.1, 4.2)) * 0.3;
    float lane = 1.0 - 0.35 * smoothstep(KERB - 1.2, KERB, abs(xz.x));
    return smoothstep(0.5, 0.6, n * lane + 0.08 * (1.0 - lane));
}

// Raindrop rings on standing water: the slope they give the surface, fading with distance.
vec2 ripples(vec2 xz, float t, float rain, float footprint) {
    vec2 slope = vec2(0.0);
    float fade = 1.0 - smoothstep(0.04, 0.12, footprint);
    if (fade <= 0.0) return slope;
    for (int k = 0; k < 2; ++k) {
        vec2 q = xz * 2.2 + float(k) * vec2(0.37, 0.61);
        vec2 cell = floor(q);
        vec2 f = q - cell - 0.5;
        vec3 h = hash33(vec3(cell, float(k) * 17.0));
        float age = fract(t * (0.6 + 0.5 * h.z) + h.x);
        vec2 centre = (h.xy - 0.5) * 0.4;
        vec2 d = f - centre;
        float r = length(d);
        float ring = r - age * 0.45;
        float wave = sin(ring * 55.0) * exp(-ring * ring * 900.0) * (1.0 - age) * step(h.z, rain + 0.2);
        slope += d / max(r, 1e-3) * wave;
    }
    return slope * 0.06 * fade;
}

// Signs seen in the wet road from p along the mirrored ray. Rough asphalt spreads the mirror image
// far more in the vertical angle than across, so each sign becomes a long streak; puddles keep
// the letters nearly sharp.
vec3 signReflections(vec3 p, vec3 rr, float wet, float eyeZ, int count) {
    vec3 sum = vec3(0.0);
    float spreadV = mix(0.11, 0.012, wet);  // radians
    float spreadH = mix(0.012, 0.003, wet);
    float lod = mix(6.0, 2.5, wet);
    for (int i = 0; i < count; ++i) {
        Sign s = loadSign(i, eyeZ);
        vec3 hit = signHit(s, p, rr);
        if (hit.x <= 0.0) continue;
        float soft = spreadH * hit.x + 0.02;
        float across = smoothstep(-soft, soft, hit.y * s.size.x) * smoothstep(-soft, soft, (1.0 - hit.y) * s.size.x);
        float outside = max(max(-hit.z, hit.z - 1.0), 0.0) * s.size.y / (hit.x * spreadV);
        float along = exp(-0.5 * outside * outside) * 0.85 + 0.15 * exp(-outside * 1.2);
        if (across * along < 1e-3) continue;
        float letters = textureLod(signAtlas, atlasUV(s, clamp(hit.yz, 0.0, 1.0)), lod).r;
        float sharp = mix(0.8 + 1.5 * letters, 0.2 + 4.5 * letters, wet);
        sum += s.color * s.level * across * along * sharp;
    }
    return sum;
}

// Shop windows and lit rooms in the road, blurred along the street.
vec3 facadeReflection(vec3 p, vec3 rr, float wet) {
    float side = sign(rr.x);
    if (abs(rr.x) < 1e-4) return vec3(0.0);
    float t = (side * HALF_WIDTH - p.x) / rr.x;
    vec3 q = p + rr * t;
    float glass;
    return facadeLight(side, q.z, q.y, 0.0, mix(0.8, 0.15, wet), vec3(0.0), glass) * (1.0 - step(blockTop(side, q.z), q.y));
}

// ---- rain and mist ----------------------------------------------------------------------------

// Streaks falling in three screen layers, measured in screen heights so every size looks alike;
// the near layer is lit by what glows near the eye, the far ones by the street's haze.
vec3 rainStreaks(vec2 frag, float hitDepth, float rain, vec3 lightNear, vec3 lightFar) {
    vec3 sum = vec3(0.0);
    float pixel = uResolution.w;
    vec2 q0 = frag * pixel;
    for (int k = 0; k < 3; ++k) {
        float fk = float(k);
        float depth = 2.0 * pow(2.6, fk);
        if (depth > hitDepth) break;
        float spacing = 0.016 - 0.004 * fk;
        float width = max(0.0011 - 0.0003 * fk, 0.6 * pixel);
        float len = 0.11 - 0.03 * fk;
        vec2 q = q0;
        q.x += q.y * 0.05 + fk * 0.137;
        q.y += uTime.x * (1.7 - 0.4 * fk);
        float column = floor(q.x / spacing);
        float fx = (fract(q.x / spacing) - 0.5) * spacing;
        float h = hash12(vec2(column, fk * 13.0));
        float cell = q.y / 0.55 + h * 7.0;
        float y = fract(cell) * 0.55;
        float present = step(hash12(vec2(column, floor(cell) + fk * 5.0)), rain * rain * 0.55);
        float jitter = (hash12(vec2(column, floor(cell))) - 0.5) * spacing * 0.6;
        float line = exp(-0.5 * (fx - jitter) * (fx - jitter) / (width * width)) * min(1.0, (0.0011 - 0.0003 * fk) / width);
        float head = smoothstep(0.0, len * 0.3, y) * (1.0 - smoothstep(len * 0.3, len, y));
        sum += mix(lightNear, lightFar, fk * 0.5) * line * head * present * (0.55 - 0.13 * fk);
    }
    return sum;
}

// Drops bursting on the road: tiny short-lived sparks of the light around them.
float splashes(vec2 xz, float t, float rain, float footprint) {
    vec2 q = xz * 3.0;
    vec2 cell = floor(q);
    vec3 h = hash33(vec3(cell, 3.0));
    float age = fract(t * 1.3 + h.z * 9.0);
    vec2 d = (q - cell) - (0.2 + 0.6 * h.xy);
    float size = 0.05 + 0.1 * age;
    float crown = exp(-dot(d, d) / (size * size)) * (1.0 - smoothstep(0.0, 0.12, age));
    return crown * step(h.z, rain * 0.8) * (1.0 - smoothstep(0.01, 0.04, footprint));
}

// ---- the frame --------------------------------------------------------------------------------

void sceneFragment() {
    vec2 frag = gl_FragCoord.xy;
    float aspect = uResolution.x * uResolution.w;
    vec2 ndc = sceneUV * 2.0 - 1.0;
    vec3 ro = vec3(uParams[0].x, uParams[0].y, uParams[0].z);
    float rain = uParams[0].w;
    int count = min(int(uParams[1].x + 0.5), 64);
    float eyeZ = ro.z;
    float cp = cos(PITCH), sp = sin(PITCH);
    vec3 rd = normalize(vec3(ndc.x * aspect, ndc.y * cp + FOCAL * sp, ndc.y * sp - FOCAL * cp));
    float day = dayLight();
    float pixel = 2.0 / (FOCAL * uResolution.y);  // radians per pixel

    // Nearest opaque hit: road, kerb or facade.
    float t = FAR;
    int kind = 0;  // 0 sky, 1 road, 2 facade
    float facadeSide = 0.0;
    float roofCover = 1.0;  // how much of the pixel the facade covers at its roof line
    if (rd.y < 0.0) {
        float tr = -ro.y / rd.y;
        if (tr < t) { t = tr; kind = 1; }
    }
    if (abs(rd.x) > 1e-5) {
        facadeSide = sign(rd.x);
        float tf = (facadeSide * HALF_WIDTH - ro.x) / rd.x;
        vec3 q = ro + rd * tf;
        roofCover = clamp((blockTop(facadeSide, q.z) - q.y) / (pixel * tf) + 0.5, 0.0, 1.0);
        if (tf > 0.0 && tf < t && roofCover > 0.0) { t = tf; kind = 2; }
    }
    // Nothing closes the street: beyond FAR the mist takes over.
    vec3 p = ro + rd * t;

    vec3 color;
    vec3 ambient = ambientSky();
    if (kind == 2) {
        float glass;
        float px = pixel * t / sqrt(max(abs(rd.x), 0.04));  // the footprint grows as the wall turns away
        vec3 albedo = wallAlbedo(facadeSide, p.z, p.y, px);
        vec3 n = vec3(-facadeSide, 0.0, 0.0);
        vec3 emit = facadeLight(facadeSide, p.z, p.y, px, 0.0, rd, glass);
        vec4 look = blockLook(facadeSide, p.z);
        if (p.y < SHOP_TOP && shopKind(look) == 0.0) emit = glass * shopInterior(facadeSide, p, rd, look, px);
        vec3 spill = signSpill(p, n, eyeZ, count);
        vec3 lit = albedo * (ambient * 0.9 + spill * 1.2);
        // Glass mirrors the sky strip and a little of the signs' light.
        vec3 sheen = skyColor(reflect(rd, n)) * mix(0.35, 0.2, day) + spill * 0.06;
        color = mix(lit, sheen + lit * 0.3, glass) + emit;
        color = mix(skyColor(rd), color, roofCover);
    } else if (kind == 1) {
        float footprint = pixel * t / max(-rd.y, 0.02);
        float kerb = smoothstep(KERB, KERB + footprint, abs(p.x));
        float puddle = puddleMask(p.xz) * (1.0 - kerb) * smoothstep(0.2, 0.8, rain + 0.3 * day);
        vec2 slope = ripples(p.xz, uTime.x, rain, footprint) * puddle;
        // Water lies unevenly: the streaks break up along the road.
        float film = valueNoise3(vec3(p.x * 1.3, p.z * 0.45, 2.0)) * 0.5 + valueNoise3(vec3(p.x * 1.1, p.z * 2.6, 5.0)) * 0.5;
        float wet = puddle;
        vec3 n = normalize(vec3(slope.x, 1.0, slope.y));
        vec3 rr = reflect(rd, n);
        float cosi = max(-rd.y, 0.0);
        float fresnel = 0.04 + 0.96 * pow(1.0 - cosi, 5.0);
        float asphaltGrain = 0.75 + 0.5 * valueNoise3(vec3(p.xz * 3.0, 0.0));
        vec3 albedo = mix(vec3(0.045, 0.045, 0.05) * asphaltGrain, vec3(0.09, 0.085, 0.08), kerb);
        // Worn paint: dashes down the middle and the kerb stones' edge, blurred to the footprint.
        float across = pixel * t;
        float dash = band(p.x, -0.06, 0.06, across) * band(fract(p.z / 6.0) * 6.0, 0.0, 3.0, footprint * 0.5);
        float kerbStone = band(abs(p.x), KERB - 0.02, KERB + 0.16, across);
        float wear = smoothstep(0.25, 0.6, valueNoise3(vec3(p.xz * vec2(6.0, 1.5), 8.0)));
        albedo = mix(albedo, vec3(0.32, 0.31, 0.28), dash * wear * 0.8);
        albedo = mix(albedo, vec3(0.14, 0.135, 0.13), kerbStone);
        vec3 spill = signSpill(p, vec3(0.0, 1.0, 0.0), eyeZ, count);
        vec3 diffuse = albedo * (ambient + spill * 0.9);
        float gloss = mix(mix(0.08, 0.45, day) + mix(0.92, 0.55, day) * smoothstep(0.3, 0.72, film), 1.0, wet);
        vec3 mirrored = signReflections(p, rr, wet, eyeZ, count) + facadeReflection(p, rr, wet) * 1.5 +
                        skyColor(vec3(rr.x, max(rr.y, 0.02), rr.z)) * 0.6;
        color = diffuse * (1.0 - 0.5 * wet) + mirrored * fresnel * gloss;
        color += (ambient * 0.6 + spill * 1.5) * splashes(p.xz, uTime.x, rain, footprint);
    } else {
        color = skyColor(rd);
    }

    // The signs: a blade is an opaque board in front of what the ray hit; wall signs and every
    // halo only add their light.
    vec3 glowAir = vec3(0.0);
    float nearestSign = t;
    vec3 signColor = vec3(0.0);
    float signCover = 0.0;
    for (int i = 0; i < count; ++i) {
        Sign s = loadSign(i, eyeZ);
        vec3 hit = signHit(s, ro, rd);
        vec3 c = signCentre(s);
        // Derivatives before any branch: the quad's neighbours take other paths.
        vec2 local = hit.yz;
        vec2 duvdx = dFdx(local), duvdy = dFdy(local);
        // Mist round each sign: the glow the rain scatters towards the eye.
        float along = clamp(dot(c - ro, rd), 0.0, t);
        vec3 off = ro + rd * along - c;
        float r2 = dot(off, off);
        float size = 0.35 * (s.size.x + s.size.y);
        glowAir += s.color * s.level * size * (0.05 / (1.0 + r2 * 0.6) + 0.5 * exp(-r2 / (size * 0.4)));
        if (hit.x <= 0.0 || hit.x >= nearestSign) continue;
        vec2 pad = vec2(0.6) / s.size;
        if (any(lessThan(hit.yz, -pad)) || any(greaterThan(hit.yz, 1.0 + pad))) continue;
        vec3 glow = signGlow(s, local, duvdx, duvdy);
        // The board's edge covers part of a pixel: blend it by its distance in pixels.
        vec2 footprint = max(abs(duvdx) + abs(duvdy), vec2(1e-5));
        vec2 edge = min(local, 1.0 - local) / footprint;
        float cover = clamp(min(edge.x, edge.y) + 0.5, 0.0, 1.0);
        bool onBoard = cover > 0.0;
        if (s.mount < 0.5 && onBoard) {
            // A blade is a dark box; what shows is its lettering and its own glow on the paint.
            nearestSign = hit.x;
            signCover = cover;
            color += glow * 0.6;  // the halo round the board, seen beside its edge
            signColor = vec3(0.018, 0.018, 0.022) * (1.0 + 6.0 * day) + glow;
        } else {
            color += glow * (onBoard ? 1.0 : 0.6);
        }
    }
    if (nearestSign < t) {
        color = mix(color, signColor, signCover);
        t = mix(t, nearestSign, signCover);
    }

    // Mist: the street fades into a haze lit by the whole row of signs.
    vec3 mistColor = mix(vec3(0.012, 0.011, 0.02), vec3(0.4, 0.42, 0.45), day);
    // Far ahead a lit avenue crosses: the haze there glows a little warmer.
    mistColor += vec3(0.05, 0.032, 0.022) * exp(-rd.x * rd.x * 30.0 - rd.y * rd.y * 80.0) * (1.0 - day);
    float mist = 1.0 - exp(-t * mix(0.008, 0.022, rain) * mix(1.0, 0.45, day));
    color = mix(color, mistColor, mist) + glowAir * mix(0.5, 1.0, rain) * mix(1.0, 0.08, day);

    vec3 rainLight = ambient * 0.35 + glowAir * 0.6 + vec3(0.015);
    color += rainStreaks(frag, t, rain, rainLight * 1.3, rainLight * 0.8);

    vec2 v = sceneUV * 2.0 - 1.0;
    color *= 1.0 - 0.22 * dot(v * vec2(0.6, 0.9), v * vec2(0.6, 0.9));
    fragColor = vec4(encodeOutput(toneMapHue(color * 1.4, 2.5), frag), 1.0);
}

#endif
