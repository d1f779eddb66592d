// Cozy Fireplace Library: a book-lined room lit by a wood fire and a reading lamp, with a tall
// window onto the real sky and rain running down the glass.
//
// The room is a box (metres; x right, y up, the back wall at z = 0, the camera at z = 4.6). Walls,
// floor and ceiling are found by plane intersection and patterned in their own coordinates; the
// armchair and the lamp are distance fields marched only inside their bounding spheres.
//
// uParams[0] = parallax (xy), side offset of this display (z), rain on the glass (w, 0...0.8)

#ifdef FRAGMENT_STAGE

const float ROOM_X = 3.2;
const float ROOM_H = 3.0;
const float CAMERA_Z = 4.6;
const float FOCAL = 2.1;

const vec2 OPENING = vec2(0.55, 0.78);         // fire opening half-width, top (bottom at 0.08)
const vec4 WINDOW = vec4(1.45, 0.82, 2.55, 2.62);  // x0, y0, x1, y1 on the back wall
const vec3 CHAIR = vec3(1.45, 0.0, 1.85);
const vec3 LAMP = vec3(2.3, 0.0, 1.25);
const float LAMP_TOP = 1.5;

// Which plane of the room a view ray ends on.
const int SURFACE_BACK = 0, SURFACE_LEFT = 1, SURFACE_RIGHT = 2, SURFACE_FLOOR = 3, SURFACE_CEILING = 4;

float aaStep(float edge, float x, float width) {
    return smoothstep(edge - width, edge + width, x);
}

// A box mask on a wall with edges softened over `width`.
float rectMask(vec2 p, vec4 box, float width) {
    return aaStep(box.x, p.x, width) * (1.0 - aaStep(box.z, p.x, width)) * aaStep(box.y, p.y, width) *
           (1.0 - aaStep(box.w, p.y, width));
}

float noise1(float x) {
    float i = floor(x);
    float f = fract(x);
    return mix(hash11(i), hash11(i + 1.0), f * f * (3.0 - 2.0 * f));
}

float noise2(vec2 p) {
    return valueNoise3(vec3(p, 0.5));
}

// ---- the fire's light --------------------------------------------------------------------------

// The fire's clock; the flames are noise, so its hourly wrap goes unseen.
float sceneTime() {
    return uTime.x;
}

// Slow, irregular breathing of the fire: several incommensurate smooth noises, never a strobe.
float fireFlicker() {
    float t = sceneTime();
    return 0.78 + 0.14 * noise1(t * 1.1) + 0.08 * noise1(t * 3.7 + 11.0) + 0.04 * noise1(t * 7.3 + 23.0);
}

vec3 firePosition() {
    float t = sceneTime();
    return vec3(0.09 * (noise1(t * 0.8 + 3.0) - 0.5), 0.42 + 0.08 * noise1(t * 1.3 + 5.0), 0.32);
}

const vec3 FIRE_COLOUR = vec3(1.0, 0.46, 0.16);
const vec3 LAMP_COLOUR = vec3(1.0, 0.66, 0.34);

// ---- outside ---------------------------------------------------------------------------------

float daylight() {
    return uSky.y;
}

// How cloudy it looks outside: rain brings overcast.
float overcast() {
    return clamp(0.25 + uParams[0].w * 0.9, 0.0, 1.0);
}

vec3 skyColour(vec3 rd) {
    float day = daylight();
    float sunEl = uSky.z;
    float cloud = overcast();
    float up = clamp(rd.y, 0.0, 1.0);
    vec3 clearDay = mix(vec3(0.62, 0.74, 0.92), vec3(0.22, 0.42, 0.85), sqrt(up)) * 1.6;
    vec3 greyDay = mix(vec3(0.72, 0.76, 0.82), vec3(0.55, 0.6, 0.68), up) * 1.1;
    vec3 dayCol = mix(clearDay, greyDay, cloud);
    // Dusk: a warm band low over the horizon while the sun is near it.
    float dusk = exp(-abs(sunEl - 1.0) / 6.0) * (1.0 - cloud * 0.6);
    float towardsSun = pow(max(dot(rd, uSun.xyz), 0.0), 4.0);
    vec3 duskCol = mix(vec3(0.9, 0.42, 0.2), vec3(0.35, 0.3, 0.5), sqrt(up)) * (0.6 + 1.2 * towardsSun);
    vec3 nightCol = mix(vec3(0.018, 0.026, 0.05), vec3(0.006, 0.01, 0.028), sqrt(up));
    nightCol = mix(nightCol, vec3(0.01, 0.014, 0.03), cloud * 0.6);  // town glow under the clouds
    // Slow clouds: soft brightness changes, stronger in an overcast sky.
    vec2 cq = rd.xz / (rd.y + 0.25) * 2.0 + vec2(uTime.z * 0.004, 0.0);
    float clouds = noise2(cq) * 0.65 + noise2(cq * 2.7 + 3.0) * 0.35;
    vec3 col = mix(nightCol, dayCol, day) * (0.8 + 0.4 * clouds * (0.4 + 0.6 * cloud));
    col = mix(col, duskCol, dusk * 0.7);
    // The moon behind thin cloud, a soft halo when it is up.
    float moonUp = smoothstep(-0.02, 0.05, uMoon.y) * (1.0 - day);
    float m = max(dot(rd, uMoon.xyz), 0.0);
    col += vec3(0.55, 0.6, 0.7) * moonUp * (0.2 + 0.8 * uSky.w) * (pow(m, 600.0) * (1.0 - cloud) * 6.0 + pow(m, 24.0) * 0.08);
    // Stars where the sky is clear and dark.
    if (day < 0.2) {
        vec2 g = vec2(atan(rd.x, -rd.z), rd.y) * 180.0;
        vec2 cell = floor(g);
        vec3 h = hash33(vec3(cell, 2.0));
        float point = exp(-dot(g - cell - 0.25 - 0.5 * h.xy, g - cell - 0.25 - 0.5 * h.xy) * 90.0);
        col += vec3(0.7, 0.75, 0.9) * step(0.93, h.z) * (h.z - 0.93) * 6.0 * point * (1.0 - cloud) * (0.2 - day) * 5.0;
    }
    return col;
}

// The view through the glass: sky, a far line of trees and roofs, a few lit windows at night.
vec3 outsideView(vec3 rd) {
    float az = atan(rd.x, -rd.z);
    float ridge = 0.035 + 0.03 * noise1(az * 9.0) + 0.02 * noise1(az * 31.0 + 4.0) +
                  0.04 * step(0.55, noise1(az * 5.0 + 2.0)) * step(0.5, fract(az * 22.0));
    float horizon = rd.y - ridge + 0.02;
    vec3 sky = skyColour(rd);
    float day = daylight();
    vec3 ground = mix(vec3(0.004, 0.005, 0.008), vec3(0.09, 0.11, 0.1), day) + sky * 0.08;
    // Lit windows of a house across the way.
    float night = 1.0 - day;
    vec2 w = vec2(az * 60.0, (rd.y + 0.005) * 80.0);
    vec2 wc = floor(w);
    float lit = step(0.72, hash12(wc + 3.0)) * step(abs(wc.y - 1.0), 0.5) * step(0.8, noise1(az * 5.0 + 2.0));
    vec2 wf = abs(fract(w) - 0.5);
    ground += vec3(1.0, 0.6, 0.28) * lit * night * 0.35 * smoothstep(0.45, 0.2, max(wf.x, wf.y));
    vec3 col = mix(ground, sky, smoothstep(-0.004, 0.004, horizon));
    // Rain veils the distance.
    float veil = uParams[0].w * 0.35;
    return mix(col, skyColour(vec3(rd.x, 0.05, rd.z)) * 0.9, veil);
}

// Rain on the glass at pane point p (metres): refraction offset (xy) and how wet it looks (z).
vec3 rainOnGlass(vec2 p, float amount, float t) {
    if (amount <= 0.0) return vec3(0.0);
    vec3 result = vec3(0.0);
    // Beads that cling to the glass.
    vec2 g = p / 0.028;
    vec2 gc = floor(g);
    vec3 h = hash33(vec3(gc, 7.0));
    if (h.z < amount * 0.75) {
        vec2 c = gc + 0.2 + 0.6 * h.xy;
        vec2 d = (g - c) * 0.028;
        float r = 0.0025 + 0.004 * fract(h.z * 13.0);
        float inside = smoothstep(r, r * 0.6, length(d));
        float glint = smoothstep(r * 0.45, 0.0, length(d - vec2(-0.3, 0.35) * r));
        result += vec3(d / r * 0.03, 0.4) * inside + vec3(0.0, 0.0, 1.5) * glint;
    }
    // Drops that run down, leaving a wet trail.
    const float lane = 0.05;
    float column = floor(p.x / lane);
    vec3 k = hash33(vec3(column, 3.0, 1.0));
    if (k.x < amount) {
        float speed = 0.06 + 0.12 * k.y;
        float span = 2.4;
        float head = span - fract(t * speed / span + k.z) * span + WINDOW.y - 0.2;
        float x = (column + 0.5 + 0.25 * (k.y - 0.5)) * lane + 0.004 * sin(p.y * 23.0 + k.z * 6.0);
        vec2 d = vec2(p.x - x, p.y - head);
        float dropR = 0.0045;
        float drop = smoothstep(dropR, dropR * 0.5, length(d * vec2(1.0, 0.8)));
        float above = p.y - head;
        float trail = smoothstep(0.0022, 0.0008, abs(d.x)) * step(0.0, above) * exp(-above / 0.35);
        result.xy += d / dropR * 0.045 * drop;
        float glint = smoothstep(dropR * 0.5, 0.0, length(d - vec2(-0.3, 0.4) * dropR));
        result.z += drop * 0.6 + glint * 2.0 + trail * 0.45;
    }
    return result;
}

// ---- walls -------------------------------------------------------------------------------------

struct Surface {
    vec3 albedo;
    vec3 normal;
    vec3 emission;
    float ao;
    float gloss;
};

// A bookcase face: shelves of leather and cloth spines. p is in metres on the wall, u along it.
Surface bookcase(vec2 p, vec3 n, vec3 along, float pw) {
    Surface s = Surface(vec3(0.09, 0.05, 0.03), n, vec3(0.0), 1.0, 0.0);
    const float rowH = 0.37;
    float row = floor((p.y - 0.1) / rowH);
    float ly = p.y - 0.1 - row * rowH;
    vec3 wood = vec3(0.16, 0.085, 0.04) * (0.85 + 0.3 * noise2(vec2(p.x * 3.0, p.y * 40.0)));
    float detail = 1.0 - smoothstep(0.012, 0.03, pw);  // spines blur to their mean far away
    // Books in cells split in two at a random point.
    float cw = 0.105;
    float rowShift = hash11(row * 7.1) * cw;
    float cx = (p.x + rowShift) / cw;
    float cell = floor(cx);
    float lx = cx - cell;
    float split = 0.3 + 0.4 * hash12(vec2(cell, row));
    bool left = lx < split;
    float s01 = left ? lx / split : (lx - split) / (1.0 - split);
    float widthM = (left ? split : 1.0 - split) * cw;
    float id = cell * 2.0 + (left ? 0.0 : 1.0);
    vec3 bh = hash33(vec3(id, row, 5.0));
    float height = 0.2 + 0.12 * bh.x;
    float above = ly - 0.03;  // height over the shelf board
    vec3 palette[6] = vec3[6](vec3(0.32, 0.05, 0.04), vec3(0.06, 0.2, 0.1), vec3(0.05, 0.08, 0.22),
                              vec3(0.38, 0.24, 0.1), vec3(0.2, 0.1, 0.05), vec3(0.42, 0.3, 0.12));
    vec3 spine = palette[int(bh.y * 5.999)] * (0.55 + 0.4 * bh.z);
    if (bh.z > 0.92) spine = vec3(0.42, 0.38, 0.3);  // an odd paperback
    float edge = min(s01, 1.0 - s01) * widthM;
    float bookMask = aaStep(0.0, edge, pw * 0.7) * (1.0 - aaStep(height, above, pw)) * step(0.0, above);
    if (hash12(vec2(id, row + 40.0)) < 0.06) bookMask = 0.0;  // a gap on the shelf
    // Gilt bands and a title label.
    float rel = above / height;
    float bands = max(aaStep(0.0, 0.006 - abs(rel * height - height * 0.88), pw * 0.5),
                      aaStep(0.0, 0.006 - abs(rel * height - height * 0.12), pw * 0.5));
    bands *= step(0.35, bh.z);
    float label = step(0.6, fract(bh.x * 17.0)) * aaStep(0.0, 0.03 - abs(rel - 0.62) * height, pw) *
                  aaStep(0.0, edge - 0.006, pw);
    vec3 book = spine;
    book = mix(book, spine * 0.35 + vec3(0.05, 0.04, 0.03), label);
    book = mix(book, vec3(0.55, 0.38, 0.12), bands * detail);
    // Round spines catch the light on one side.
    vec3 bumped = normalize(n + along * (s01 - 0.5) * 1.4 * detail);
    vec3 meanBook = vec3(0.22, 0.12, 0.07);
    book = mix(meanBook, book, detail);
    // The dark space behind and above the books.
    float backAo = 0.25 + 0.35 * smoothstep(0.0, rowH, ly);
    s.albedo = mix(vec3(0.05, 0.03, 0.02), book, bookMask);
    s.normal = mix(n, bumped, bookMask);
    s.ao = mix(backAo, 0.95 - 0.45 * smoothstep(height * 0.6, height, above) * (1.0 - smoothstep(0.0, 0.04, rowH - ly)), bookMask);
    // The shelf board under each row, in front of the books.
    float board = 1.0 - aaStep(0.03, ly, pw);
    s.albedo = mix(s.albedo, wood * 1.2, board);
    s.ao = mix(s.ao, 0.9, board);
    s.normal = mix(s.normal, n, board);
    s.gloss = board * 0.3;
    return s;
}

// Dark panelling below, deep green patterned paper above, a cornice at the top.
Surface panelledWall(vec2 p, vec3 n, float pw) {
    Surface s = Surface(vec3(0.0), n, vec3(0.0), 1.0, 0.0);
    float paper = noise2(p * vec2(9.0, 9.0)) * 0.5 + noise2(p * 40.0) * 0.2;
    vec2 dam = abs(fract(p * vec2(4.0, 3.0)) - 0.5);
    float motif = smoothstep(0.22, 0.18, dam.x + dam.y * 0.7);
    s.albedo = vec3(0.07, 0.13, 0.095) * (0.85 + 0.3 * paper) * (1.0 + 0.25 * motif);
    if (p.y < 0.95) {
        vec2 q = vec2(fract(p.x / 0.6), p.y);
        float inPanel = aaStep(0.08, q.x * 0.6, pw) * (1.0 - aaStep(0.52, q.x * 0.6, pw)) * aaStep(0.14, q.y, pw) *
                        (1.0 - aaStep(0.8, q.y, pw));
        vec3 wood = vec3(0.15, 0.075, 0.035) * (0.8 + 0.35 * noise2(vec2(p.x * 2.0, p.y * 30.0)));
        s.albedo = wood * (1.0 - 0.25 * inPanel);
        s.ao = 1.0 - 0.3 * (1.0 - aaStep(0.16, q.y, pw * 2.0)) * inPanel;
    }
    // Rail above the panels and cornice under the ceiling.
    float rail = aaStep(0.93, p.y, pw) * (1.0 - aaStep(1.0, p.y, pw));
    float cornice = aaStep(2.82, p.y, pw);
    s.albedo = mix(s.albedo, vec3(0.17, 0.09, 0.045), max(rail, cornice));
    s.ao *= 1.0 - 0.4 * smoothstep(2.82, 2.6, p.y) * smoothstep(2.5, 2.82, p.y);
    return s;
}

// Inside the fire opening: sooty brick, logs, embers and flames (glowing, so emission).
Surface fireOpening(vec2 p, float pw) {
    Surface s = Surface(vec3(0.0), vec3(0, 0, 1), vec3(0.0), 0.6, 0.0);
    float t = sceneTime();
    vec2 q = vec2(p.x / OPENING.x, (p.y - 0.08) / (OPENING.y - 0.08));  // -1..1, 0..1
    float flick = fireFlicker();
    // The firebox's back and sides, lit from the fire within.
    vec2 b = vec2(p.x / 0.2, p.y / 0.09);
    b.x += 0.5 * mod(floor(b.y), 2.0);
    vec2 bf = abs(fract(b) - 0.5);
    float mortar = smoothstep(0.44, 0.48, max(bf.x, bf.y * 1.1));
    vec3 brick = mix(vec3(0.14, 0.06, 0.04), vec3(0.05, 0.04, 0.035), mortar) * (0.7 + 0.5 * hash12(floor(b)));
    float glowBack = exp(-dot(q - vec2(0.0, 0.25), q - vec2(0.0, 0.25)) * 1.6);
    vec3 col = brick * FIRE_COLOUR * 2.2 * glowBack * flick;
    col *= 0.6 + 0.4 * smoothstep(1.0, 0.7, abs(q.x));  // the side walls turn away
    // Flames: rising noise held in a tapered body.
    float n = valueNoise3(vec3(q.x * 4.5, q.y * 2.6 - t * 1.9, t * 0.35)) +
              0.5 * valueNoise3(vec3(q.x * 7.0, q.y * 5.5 - t * 3.1, t * 0.6 + 9.0));
    float envelope = (1.0 - q.x * q.x * 1.3) * (0.62 + 0.25 * noise1(t * 0.7 + q.x * 2.0));
    float tongues = noise1(q.x * 6.0 + noise1(t * 0.3) * 2.0 - t * 0.25) - 0.5;  // separate tongues up high
    float heat = envelope - q.y * 1.05 + (n - 0.75) * 0.75 + 0.18 + tongues * q.y * 0.9;
    float flame = smoothstep(0.0, 0.16, heat) * smoothstep(0.05, 0.15, q.y);
    vec3 flameCol = mix(vec3(0.9, 0.16, 0.02), vec3(1.0, 0.55, 0.12), smoothstep(0.1, 0.5, heat));
    flameCol = mix(flameCol, vec3(1.0, 0.85, 0.55), smoothstep(0.5, 0.9, heat));
    col = mix(col, flameCol * (2.0 + 4.0 * heat) * flick, flame);
    // A bed of coals on the grate, glowing in the cracks between dark crusts.
    mat2 turn = mat2(0.8, -0.6, 0.6, 0.8);
    vec2 cp = turn * p;
    float coal = noise2(cp * 26.0 + vec2(0.0, t * 0.02)) * 0.65 + noise2(cp * 70.0 + 5.0) * 0.35;
    float bedTop = 0.125 + 0.02 * noise1(p.x * 14.0) - 0.03 * q.x * q.x;
    float bed = 1.0 - aaStep(bedTop, p.y, pw);
    float glowCoal = smoothstep(0.45, 0.8, coal) * (0.6 + 0.4 * noise1(t * 0.6 + p.x * 9.0));
    float crust = smoothstep(0.38, 0.22, coal);
    vec3 coals = mix(vec3(0.5, 0.05, 0.004), vec3(1.0, 0.22, 0.03) * 1.8, glowCoal) * (1.0 - 0.8 * crust) * flick;
    coals *= 0.5 + 0.5 * smoothstep(1.0, 0.5, abs(q.x));
    col = mix(col, coals, bed);
    // Two logs across the grate: charred bark lit from the flames above, cracks glowing below.
    float logs = 0.0;
    vec3 logCol = vec3(0.0);
    for (int i = 0; i < 2; ++i) {
        vec2 a = i == 0 ? vec2(-0.42, 0.18) : vec2(-0.12, 0.27);
        vec2 c = i == 0 ? vec2(0.4, 0.14) : vec2(0.34, 0.2);
        float r = i == 0 ? 0.055 : 0.045;
        vec2 pa = p - a;
        vec2 ba = c - a;
        float hproj = clamp(dot(pa, ba) / dot(ba, ba), 0.0, 1.0);
        vec2 rel = pa - ba * hproj;
        float d = length(rel) - r;
        float m = (1.0 - aaStep(0.0, d, pw)) * (1.0 - logs);
        float across = clamp(rel.y / r, -1.0, 1.0);  // -1 underside, 1 top
        float along = hproj * length(ba);
        float bark = 0.6 + 0.8 * noise2(vec2(along * 40.0, across * 3.0 + float(i) * 7.0));
        float cracks = (1.0 - smoothstep(0.0, 0.035, abs(noise2(vec2(along * 18.0, across * 2.5 + float(i) * 3.0)) - 0.5))) *
                       smoothstep(0.3, 0.6, noise2(vec2(along * 7.0, float(i) * 5.0)));
        float pulse = 0.55 + 0.45 * noise1(t * 0.45 + along * 6.0 + float(i) * 3.0);
        vec3 charred = vec3(0.03, 0.02, 0.015) * bark * (0.4 + 1.6 * smoothstep(0.3, 1.0, across) * flick);
        vec3 glow = vec3(1.0, 0.16, 0.015) * 2.2 * pulse * flick *
                    (cracks * smoothstep(0.5, -0.6, across) + 0.6 * smoothstep(-0.55, -1.0, across));
        logCol += m * (charred + glow);
        logs += m;
    }
    col = mix(col, logCol / max(logs, 1e-4), clamp(logs, 0.0, 1.0));
    // Sparks that rise and fade.
    vec2 sg = vec2(p.x / 0.09, (p.y - t * 0.3) / 0.16);
    vec2 sc = floor(sg);
    vec3 sh = hash33(vec3(sc, 11.0));
    vec2 sp = (sc + vec2(0.2 + 0.6 * sh.x, 0.5)) * vec2(0.09, 0.16);
    float sparkLife = smoothstep(0.3, 0.55, q.y) * smoothstep(1.0, 0.7, q.y) * step(0.9, sh.z);
    float spark = smoothstep(0.004 + pw, 0.0, length(vec2(p.x, p.y - t * 0.3) - sp)) * sparkLife;
    col += vec3(1.0, 0.55, 0.15) * spark * 4.0;
    s.emission = col;
    return s;
}

// The back wall: bookcase, chimney breast with fireplace, mantel and painting, window, bookcase.
Surface backWall(vec2 p, float pw, out bool isWindow) {
    isWindow = false;
    vec3 n = vec3(0, 0, 1);
    vec3 along = vec3(1, 0, 0);
    if (p.x < -1.15 || p.x > 2.68) {
        if (p.y < 2.72) return bookcase(p, n, along, pw);
        return panelledWall(p, n, pw);
    }
    Surface s = panelledWall(p, n, pw);
    // Chimney breast in pale stone, the fireplace within.
    if (abs(p.x) < 1.05) {
        vec2 st = vec2(p.x / 0.34, p.y / 0.17);
        st.x += hash11(floor(st.y) * 5.3);
        vec2 sf = abs(fract(st) - 0.5);
        float joint = aaStep(0.46, max(sf.x * 1.0, sf.y), pw / 0.17);
        vec3 stone = vec3(0.2, 0.165, 0.13) * (0.65 + 0.5 * hash12(floor(st))) * (0.75 + 0.4 * noise2(p * 18.0));
        s.albedo = mix(stone, stone * 0.55, joint);
        s.ao = 1.0 - 0.35 * joint;
        s.normal = n;
        // The wooden surround and mantel shelf.
        float surround = rectMask(p, vec4(-0.82, 0.0, 0.82, 1.14), pw);
        float mantel = rectMask(p, vec4(-0.98, 1.14, 0.98, 1.27), pw);
        vec3 wood = vec3(0.2, 0.1, 0.05) * (0.85 + 0.3 * noise2(vec2(p.x * 2.5, p.y * 50.0)));
        // A sunk moulding around the surround's face and along the mantel.
        float groove = rectMask(p, vec4(-0.74, 0.0, 0.74, 1.06), pw) * (1.0 - rectMask(p, vec4(-0.7, -1.0, 0.7, 1.02), pw));
        groove = max(groove, aaStep(0.0, 0.008 - abs(p.y - 1.2), pw) * mantel);
        wood *= 1.0 - 0.45 * groove;
        s.albedo = mix(s.albedo, wood, max(surround, mantel));
        s.ao = mix(s.ao, 1.0, max(surround, mantel));
        s.gloss = max(surround, mantel) * 0.35;
        // The shelf's top face catches the light, its lower edge throws a shadow.
        s.albedo *= 1.0 + 0.6 * mantel * aaStep(1.24, p.y, pw);
        s.ao *= 1.0 - 0.5 * smoothstep(1.05, 1.14, p.y) * (1.0 - aaStep(1.14, p.y, pw)) * (1.0 - rectMask(p, vec4(-0.7, 0.0, 0.7, 2.0), pw));
        // A framed landscape above the mantel.
        vec4 frame = vec4(-0.52, 1.55, 0.52, 2.32);
        float outer = rectMask(p, frame, pw);
        float inner = rectMask(p, frame + vec4(0.06, 0.06, -0.06, -0.06), pw);
        if (outer > 0.0) {
            vec2 v = (p - frame.xy) / (frame.zw - frame.xy);
            // An old oil of a stormy coast: dark sea, a pale break in the clouds, brush strokes.
            float stroke = noise2(vec2(v.x * 14.0, v.y * 40.0)) * 0.5 + noise2(v * 70.0) * 0.25;
            vec3 art = mix(vec3(0.24, 0.21, 0.16), vec3(0.07, 0.08, 0.09), smoothstep(0.45, 1.0, v.y));
            art += vec3(0.24, 0.18, 0.1) * exp(-dot(v - vec2(0.68, 0.62), v - vec2(0.68, 0.62)) * 14.0);
            vec3 sea = mix(vec3(0.04, 0.06, 0.06), vec3(0.16, 0.14, 0.1), exp(-abs(v.x - 0.68) * 5.0) * v.y * 2.0);
            art = mix(sea, art, aaStep(0.4, v.y, pw * 3.0));
            float headland = 0.62 - 0.75 * v.x + 0.05 * sin(v.x * 17.0);
            art = mix(vec3(0.07, 0.07, 0.04), art, aaStep(headland, v.y, pw * 3.0));
            art *= (0.8 + 0.4 * stroke) * 2.4;
            vec3 gilt = vec3(0.45, 0.32, 0.12) * (0.8 + 0.4 * smoothstep(0.0, 0.06, min(min(v.x, 1.0 - v.x), min(v.y, 1.0 - v.y))));
            s.albedo = mix(s.albedo, mix(gilt, art, inner), outer);
            s.gloss = mix(s.gloss, 0.5 * (1.0 - inner), outer);
            s.ao = mix(s.ao, 1.0 - 0.3 * (1.0 - smoothstep(0.0, 0.04, v.y)), outer);
        }
        // Two candles on the mantel, their small flames swaying.
        for (int i = 0; i < 2; ++i) {
            float cx = i == 0 ? -0.8 : 0.78;
            float top = 1.3 + (i == 0 ? 0.16 : 0.11);
            float body = rectMask(p, vec4(cx - 0.018, 1.29, cx + 0.018, top), pw);
            float holder = rectMask(p, vec4(cx - 0.04, 1.27, cx + 0.04, 1.3), pw);
            s.albedo = mix(s.albedo, vec3(0.62, 0.56, 0.45), body);
            s.albedo = mix(s.albedo, vec3(0.4, 0.28, 0.1), holder);
            s.ao = mix(s.ao, 1.0, max(body, holder));
            s.gloss = mix(s.gloss, 0.8, holder);
            float time = sceneTime();
            float rise = max(p.y - top, 0.0);
            float sway = 0.006 * (noise1(time * 0.9 + float(i) * 7.0) - 0.5) * rise / 0.03;
            vec2 fq = (p - vec2(cx + sway, top + 0.02)) / vec2(0.008, 0.02);
            float flame = 1.0 - aaStep(1.0, length(fq * vec2(1.0, fq.y > 0.0 ? 0.8 : 1.6)), pw / 0.01);
            float glow = exp(-length(p - vec2(cx, top + 0.02)) / 0.06);
            float breathe = 0.9 + 0.1 * noise1(time * 2.1 + float(i) * 3.0);
            s.emission += (vec3(1.0, 0.7, 0.35) * 3.0 * flame + vec3(1.0, 0.5, 0.2) * 0.06 * glow) * breathe;
        }
        // The opening itself.
        float opening = rectMask(p, vec4(-OPENING.x, 0.0, OPENING.x, OPENING.y), pw);
        if (opening > 0.0) {
            Surface f = fireOpening(p, pw);
            s.albedo *= 1.0 - opening;
            s.emission += f.emission * opening;
        }
        return s;
    }
    // The window: frame, glazing bars, sill, and the outside through the glass.
    float outer = rectMask(p, WINDOW + vec4(-0.08, -0.1, 0.08, 0.08), pw);
    if (outer > 0.0) {
        vec3 paint = vec3(0.32, 0.28, 0.22);
        s.albedo = mix(s.albedo, paint, outer);
        s.ao = mix(s.ao, 0.85, outer);
        float sill = rectMask(p, vec4(WINDOW.x - 0.14, WINDOW.y - 0.14, WINDOW.z + 0.14, WINDOW.y - 0.04), pw);
        s.albedo = mix(s.albedo, paint * 1.25, sill);
        float glass = rectMask(p, WINDOW, pw);
        vec2 g = (p - WINDOW.xy) / (WINDOW.zw - WINDOW.xy);
        vec2 size = WINDOW.zw - WINDOW.xy;
        float barX = abs(g.x - 0.5) * size.x;
        float barY = abs(fract(g.y * 3.0 + 0.5) - 0.5) / 3.0 * size.y;
        float pane = glass * aaStep(0.018, barX, pw) * aaStep(0.018, barY, pw);
        if (pane > 0.0) isWindow = true;
        s.albedo *= 1.0 - pane;
        s.ao = mix(s.ao, 1.0, pane);
        s.emission = vec3(pane);  // the caller fills in the view through the glass
    }
    return s;
}

// ---- furniture ---------------------------------------------------------------------------------

float roundBox(vec3 p, vec3 size, float r) {
    vec3 q = abs(p) - size + r;
    return length(max(q, 0.0)) + min(max(q.x, max(q.y, q.z)), 0.0) - r;
}

// Chair frame: the chair faces the fire; local z points where the sitter looks.
vec3 chairLocal(vec3 p) {
    vec3 q = p - CHAIR;
    vec2 fwd = normalize(vec2(-CHAIR.x, 0.3 - CHAIR.z));
    vec2 right = vec2(-fwd.y, fwd.x);
    return vec3(dot(q.xz, right), q.y, dot(q.xz, fwd));
}

// Distance to the armchair (x) or the lamp (y).
vec2 furniture(vec3 p) {
    vec3 c = chairLocal(p);
    float seat = roundBox(c - vec3(0.0, 0.38, 0.02), vec3(0.36, 0.1, 0.36), 0.07);
    float base = roundBox(c - vec3(0.0, 0.2, 0.0), vec3(0.42, 0.12, 0.4), 0.04);
    float back = roundBox(c - vec3(0.0, 0.78, -0.34), vec3(0.42, 0.42, 0.09), 0.08);
    vec3 ca = vec3(abs(c.x), c.yz);
    float arm = roundBox(ca - vec3(0.4, 0.5, 0.0), vec3(0.08, 0.16, 0.38), 0.07);
    float chair = min(min(seat, base), min(back, arm));
    // The lamp: pole, foot and a tapering shade.
    vec3 l = p - LAMP;
    float pole = max(length(l.xz) - 0.014, abs(l.y - 0.7) - 0.7);
    float foot = roundBox(l - vec3(0.0, 0.015, 0.0), vec3(0.15, 0.015, 0.15), 0.012);
    float sy = l.y - LAMP_TOP;
    float shadeR = mix(0.23, 0.14, clamp((sy + 0.16) / 0.3, 0.0, 1.0));
    float shade = max(length(l.xz) - shadeR, abs(sy) - 0.15);
    return vec2(chair, min(min(pole, foot), shade));
}

vec3 furnitureNormal(vec3 p) {
    const vec2 e = vec2(0.002, -0.002);
    return normalize(e.xyy * min(furniture(p + e.xyy).x, furniture(p + e.xyy).y) +
                     e.yyx * min(furniture(p + e.yyx).x, furniture(p + e.yyx).y) +
                     e.yxy * min(furniture(p + e.yxy).x, furniture(p + e.yxy).y) +
                     e.xxx * min(furniture(p + e.xxx).x, furniture(p + e.xxx).y));
}

vec2 sphereSpan(vec3 ro, vec3 rd, vec4 s) {
    vec3 oc = ro - s.xyz;
    float b = dot(oc, rd);
    float c = dot(oc, oc) - s.w * s.w;
    float h = b * b - c;
    if (h < 0.0) return vec2(1e9, -1e9);
    h = sqrt(h);
    return vec2(-b - h, -b + h);
}

// Soft shadow of the chair and the lamp shade, as spheres, on the way from p to a light.
float occluders(vec3 p, vec3 toLight, float dist, float lightSize) {
    vec4 spheres[3] = vec4[3](vec4(CHAIR + vec3(0.0, 0.42, 0.0), 0.44), vec4(CHAIR + vec3(0.12, 0.85, 0.22), 0.36),
                              vec4(LAMP + vec3(0.0, LAMP_TOP, 0.0), 0.19));
    float lit = 1.0;
    for (int i = 0; i < 3; ++i) {
        vec3 oc = spheres[i].xyz - p;
        float b = dot(oc, toLight);
        if (b <= 0.0 || b >= dist) continue;
        float h = sqrt(max(dot(oc, oc) - b * b, 0.0));
        float pen = clamp(lightSize * b / max(dist - b, 0.05), 0.02, 0.6);
        lit *= smoothstep(spheres[i].w - pen, spheres[i].w + pen, h);
    }
    return lit;
}

// ---- lighting ----------------------------------------------------------------------------------

// What the window lets into the room: the outside's brightness and its colour.
vec3 windowRadiance() {
    return skyColour(normalize(vec3(0.0, 0.15, -1.0))) * 0.9;
}

vec3 lightSurface(vec3 p, vec3 v, Surface s, bool furnitureHit) {
    vec3 n = s.normal;
    vec3 col = vec3(0.0);
    float flick = fireFlicker();
    // Fire: a warm point light in front of the grate; light wraps a little around grazing walls.
    vec3 fp = firePosition();
    vec3 lf = fp - p;
    float df2 = dot(lf, lf);
    float df = sqrt(df2);
    lf /= df;
    float wrap = max((dot(n, lf) + 0.15) / 1.15, 0.0);
    float outOfGrate = smoothstep(-0.15, 0.25, p.z - 0.1);  // the chimney breast hides it behind
    float fireShadow = furnitureHit ? 1.0 : occluders(p, lf, df, 0.45);
    vec3 fire = FIRE_COLOUR * flick * 1.9;
    col += s.albedo * fire * wrap / (df2 + 0.25) * fireShadow * mix(0.3, 1.0, outOfGrate);
    // Its glow bounced around the room.
    col += s.albedo * fire * 0.03 / (1.0 + 0.35 * df2) * s.ao;
    // A glossy sheen of firelight on polished surfaces.
    vec3 hv = normalize(lf + v);
    col += fire * s.gloss * pow(max(dot(n, hv), 0.0), 40.0) * 0.5 / (df2 + 0.5) * fireShadow;
    // The reading lamp: mostly down and up out of the shade, a soft glow through it.
    vec3 lp = LAMP + vec3(0.0, LAMP_TOP - 0.05, 0.0);
    vec3 ll = lp - p;
    float dl2 = dot(ll, ll);
    float dl = sqrt(dl2);
    ll /= dl;
    float shadeLet = mix(0.35, 1.0, smoothstep(0.45, 0.75, abs(ll.y)));
    float lampShadow = furnitureHit ? 1.0 : occluders(p, ll, dl - 0.25, 0.15);
    col += s.albedo * LAMP_COLOUR * 0.42 * shadeLet * max((dot(n, ll) + 0.15) / 1.15, 0.0) / (dl2 + 0.08) * lampShadow;
    col += s.albedo * LAMP_COLOUR * 0.008 * s.ao;
    // The window as a soft area light.
    vec3 wc = vec3(0.5 * (WINDOW.x + WINDOW.z), 0.5 * (WINDOW.y + WINDOW.w), 0.0);
    vec3 lw = wc - p;
    float dw2 = dot(lw, lw);
    lw *= inversesqrt(dw2);
    float area = (WINDOW.z - WINDOW.x) * (WINDOW.w - WINDOW.y);
    float form = max(-lw.z, 0.0) * max(dot(n, lw), 0.0) * area / (PI * dw2 + area);
    vec3 outside = windowRadiance();
    col += s.albedo * outside * form * 4.0;
    // Faint cool fill so nothing is flat black; by day the window fills the whole room.
    col += s.albedo * s.ao * (outside * 0.1 + vec3(0.004, 0.005, 0.008));
    return col * s.ao + s.emission;
}

// ---- the room ----------------------------------------------------------------------------------

Surface floorSurface(vec2 p, float pw) {
    Surface s = Surface(vec3(0.0), vec3(0, 1, 0), vec3(0.0), 1.0, 0.35);
    // Oak boards along the room, ends staggered.
    float bw = 0.15;
    float col = floor(p.x / bw);
    float fx = p.x - col * bw;
    float along = p.y + hash11(col * 3.7) * 1.7;
    float row = floor(along / 1.7);
    float fz = along - row * 1.7;
    vec3 tone = vec3(0.2, 0.11, 0.055) * (0.75 + 0.45 * hash12(vec2(col, row)));
    float grain = noise2(vec2(fx * 60.0, along * 4.0)) * 0.6 + noise2(vec2(fx * 200.0, along * 12.0)) * 0.4;
    vec3 wood = tone * (0.8 + 0.4 * grain);
    float seam = (1.0 - aaStep(0.004, min(fx, bw - fx), pw)) + (1.0 - aaStep(0.004, min(fz, 1.7 - fz), pw));
    s.albedo = wood * (1.0 - 0.6 * clamp(seam, 0.0, 1.0));
    // Stone hearth in front of the fire.
    float hearth = rectMask(p, vec4(-1.05, -1.0, 1.05, 0.45), pw);
    vec3 stone = vec3(0.3, 0.27, 0.23) * (0.8 + 0.3 * noise2(p * 8.0));
    s.albedo = mix(s.albedo, stone, hearth);
    s.gloss = mix(s.gloss, 0.1, hearth);
    // A patterned rug: border bands, a red field and a medallion.
    vec4 rug = vec4(-1.35, 0.7, 1.35, 2.7);
    float inRug = rectMask(p, rug, pw + 0.01);
    if (inRug > 0.0) {
        vec2 r = (p - 0.5 * (rug.xy + rug.zw));
        vec2 halfSize = 0.5 * (rug.zw - rug.xy);
        vec2 e = halfSize - abs(r);
        float edge = min(e.x, e.y);
        vec3 field = vec3(0.3, 0.045, 0.035);
        vec3 navy = vec3(0.04, 0.06, 0.14);
        vec3 gold = vec3(0.45, 0.3, 0.1);
        vec3 c = field;
        c = mix(c, navy, 1.0 - aaStep(0.22, edge, pw));
        c = mix(c, gold, aaStep(0.0, 0.015 - abs(edge - 0.22), pw));
        c = mix(c, gold, aaStep(0.0, 0.012 - abs(edge - 0.08), pw));
        float diamond = abs(r.x) / halfSize.x * 1.6 + abs(r.y) / halfSize.y;
        c = mix(c, navy, aaStep(0.0, 0.42 - diamond, pw));
        c = mix(c, gold, aaStep(0.0, 0.02 - abs(diamond - 0.46) * 0.3, pw));
        float pile = 0.85 + 0.3 * noise2(p * 90.0);
        s.albedo = mix(s.albedo, c * pile, inRug);
        s.gloss *= 1.0 - inRug;
    }
    return s;
}

Surface ceilingSurface(vec2 p, float pw) {
    Surface s = Surface(vec3(0.2, 0.16, 0.12), vec3(0, -1, 0), vec3(0.0), 1.0, 0.0);
    // Dark beams across the plaster.
    float beam = 1.0 - aaStep(0.1, abs(fract(p.y / 1.2) - 0.5) * 1.2, pw);
    s.albedo = mix(s.albedo, vec3(0.08, 0.045, 0.025), beam);
    s.ao = mix(0.8, 1.0, beam);
    return s;
}

vec3 sceneColour(vec3 ro, vec3 rd, float pixelAngle) {
    // The room box.
    float tb = -ro.z / rd.z;
    float tw = rd.x < 0.0 ? (-ROOM_X - ro.x) / rd.x : (ROOM_X - ro.x) / rd.x;
    float tf = rd.y < 0.0 ? -ro.y / rd.y : (ROOM_H - ro.y) / rd.y;
    float t = min(tb, min(tw, tf));
    int surface = t == tb ? SURFACE_BACK : t == tw ? (rd.x < 0.0 ? SURFACE_LEFT : SURFACE_RIGHT)
                                                   : (rd.y < 0.0 ? SURFACE_FLOOR : SURFACE_CEILING);
    vec3 p = ro + rd * t;
    Surface s;
    bool isWindow = false;
    if (surface == SURFACE_BACK) {
        s = backWall(p.xy, t * pixelAngle / max(-rd.z, 0.2), isWindow);
    } else if (surface == SURFACE_LEFT) {
        float pw = t * pixelAngle / max(abs(rd.x), 0.15);
        vec2 w = vec2(p.z, p.y);
        s = (p.z > 0.15 && p.z < 3.6 && p.y < 2.72) ? bookcase(w, vec3(1, 0, 0), vec3(0, 0, -1), pw)
                                                    : panelledWall(w, vec3(1, 0, 0), pw);
    } else if (surface == SURFACE_RIGHT) {
        s = panelledWall(vec2(-p.z, p.y), vec3(-1, 0, 0), t * pixelAngle / max(abs(rd.x), 0.15));
    } else if (surface == SURFACE_FLOOR) {
        s = floorSurface(p.xz, t * pixelAngle / max(-rd.y, 0.1));
    } else {
        s = ceilingSurface(p.xz, t * pixelAngle / max(rd.y, 0.1));
    }
    // Corners darken where walls meet.
    float corner = min(ROOM_X - abs(p.x), min(p.y, min(ROOM_H - p.y, p.z + 10.0 * step(0.0, -p.z))));
    corner = min(corner, surface == SURFACE_BACK ? 10.0 : p.z);
    s.ao *= 0.6 + 0.4 * smoothstep(0.0, 0.35, corner);

    vec3 v = -rd;
    vec3 col;
    if (isWindow) {
        float pane = s.emission.x;
        s.emission = vec3(0.0);
        vec3 frame = lightSurface(p, v, s, false);
        vec3 wet = rainOnGlass(p.xy, uParams[0].w, uTime.z);  // the day-long clock: no jump on the hour
        vec3 through = outsideView(normalize(rd + vec3(wet.xy, 0.0)));
        // Water on the glass gathers the sky's light and the fire's glow.
        vec3 gathered = windowRadiance() * 0.5 + FIRE_COLOUR * fireFlicker() * 0.035;
        through = through * (1.0 - 0.2 * min(wet.z, 1.0)) + gathered * wet.z;
        // The room's warm light faintly reflected in the glass.
        through += FIRE_COLOUR * fireFlicker() * 0.005;
        col = frame + through * pane;
    } else {
        col = lightSurface(p, v, s, false);
    }

    // Furniture, marched only where its bounding spheres are.
    vec2 chairSpan = sphereSpan(ro, rd, vec4(CHAIR + vec3(0.0, 0.6, 0.0), 0.78));
    vec2 lampSpan = sphereSpan(ro, rd, vec4(LAMP + vec3(0.0, 0.85, 0.0), 0.9));
    float t0 = max(min(chairSpan.x, lampSpan.x), 0.0);
    float t1 = min(max(chairSpan.y, lampSpan.y), t);
    if (t0 < t1) {
        float tm = t0;
        float best = 1e9;
        float bestT = t0;
        for (int i = 0; i < 64; ++i) {
            vec2 d = furniture(ro + rd * tm);
            float dm = min(d.x, d.y);
            float ratio = dm / tm;
            if (ratio < best) {
                best = ratio;
                bestT = tm;
            }
            if (dm < 0.2 * pixelAngle * tm) {
                best = 0.0;
                bestT = tm;
                break;
            }
            if (tm > t1) break;
            tm += dm;
        }
        float coverage = 1.0 - smoothstep(0.0, pixelAngle, best);
        if (coverage > 0.0) {
            vec3 fp = ro + rd * bestT;
            vec2 d = furniture(fp);
            vec3 fn = furnitureNormal(fp);
            Surface f;
            if (d.x < d.y) {
                // Oxblood leather, worn lighter on the rounded edges.
                float wear = noise2(fp.xy * 12.0 + fp.z * 5.0);
                f = Surface(vec3(0.28, 0.06, 0.035) * (0.8 + 0.35 * wear), fn, vec3(0.0), 1.0, 0.6);
                f.ao = 0.55 + 0.45 * smoothstep(0.0, 0.35, fp.y);
            } else {
                vec3 l = fp - LAMP;
                bool isShade = l.y > LAMP_TOP - 0.17;
                f = Surface(isShade ? vec3(0.5, 0.4, 0.28) : vec3(0.3, 0.22, 0.1), fn, vec3(0.0), 1.0, isShade ? 0.0 : 0.8);
                // The shade glows from the bulb inside, brightest near its lower rim.
                if (isShade) {
                    float ly = l.y - LAMP_TOP;
                    float weave = 0.96 + 0.04 * noise2(fp.xy * 400.0) * abs(dot(fn, v));
                    float rims = 1.0 - 0.35 * smoothstep(0.13, 0.15, abs(ly));
                    f.emission = LAMP_COLOUR * (0.3 + 0.7 * smoothstep(0.14, -0.15, ly)) * weave * rims * (0.75 + 0.25 * abs(dot(fn, v)));
                }
            }
            vec3 fc = lightSurface(fp, v, f, true);
            col = mix(col, fc, coverage);
        }
    }
    return col;
}

void sceneFragment() {
    vec2 uv = sceneUV;
    float aspect = uResolution.x / uResolution.y;
    vec2 parallax = uParams[0].xy;
    float side = uParams[0].z;
    vec3 ro = vec3(side * 4.0 + parallax.x * 0.12, 1.42 + parallax.y * 0.06, CAMERA_Z);
    vec3 target = vec3(side * 2.4 + parallax.x * 0.04 + 0.2, 1.28, 0.0);
    vec3 fwd = normalize(target - ro);
    vec3 right = normalize(cross(fwd, vec3(0, 1, 0)));
    vec3 up = cross(right, fwd);
    vec2 ndc = uv * 2.0 - 1.0;
    vec3 rd = normalize(fwd * FOCAL + right * ndc.x * aspect + up * ndc.y);
    float pixelAngle = 2.0 / (FOCAL * uResolution.y);

    vec3 col = sceneColour(ro, rd, pixelAngle);
    // A soft vignette keeps the eye on the hearth.
    vec2 c = ndc * vec2(0.75, 1.0);
    col *= 1.0 - 0.28 * dot(c, c);
    fragColor = vec4(encodeOutput(toneMapHue(col * 1.35, 3.5), gl_FragCoord.xy), 1.0);
}

#endif
