// Rainy Window Café: a pane of glass with rain on it and a blurred street (or café) behind.
//
// Layers pass (half size, rgba16f): "streetFragment" lays the out-of-focus scene into RGB,
// "bokehFragment" adds its lights and their wet reflections, "recoverFragment" lets the
// condensation in alpha creep back and "strokeFragment" wipes it along drop paths and the pointer.
// Main pass: "glassFragment" shows the layers clear where wiped and fogged elsewhere, then
// "dropFragment" draws every drop as a small lens over it.
//
// Screen coordinates q run 0...1 with y downward (0 = top); pane units are q scaled by the view
// aspect in x. View units (the lights) are centred: x = (q.x - 0.5) * aspect + side.

layout(std140, binding = RAIN_UNIFORMS_SLOT) uniform RainUniforms {
    vec4 uTarget;  // width, height, 1 / width, 1 / height of the pass
    vec4 uView;    // view aspect, side, clock mod 3600, dt
    vec4 uLook;    // daylight, cafe, lightning, exposure
    vec4 uExtra;   // parallax xy, intensity, mip levels of the layers texture
};

const float HORIZON = 0.47;
const float VANISH_X = 0.25;

float aspectRatio() { return max(uView.x, 0.01); }
float sceneTime() { return uView.z; }
float daylight() { return uLook.x; }
bool cafeView() { return uLook.y > 0.5; }

// Screen position of a point in view units.
vec2 viewToScreen(vec2 p) {
    return vec2((p.x - uView.y - uExtra.x * 0.03) / aspectRatio() + 0.5, p.y - uExtra.y * 0.012);
}

vec2 screenToView(vec2 q) {
    return vec2((q.x - 0.5) * aspectRatio() + uView.y + uExtra.x * 0.03, q.y + uExtra.y * 0.012);
}

vec4 screenToClip(vec2 q) {
    return vec4(q.x * 2.0 - 1.0, 1.0 - q.y * 2.0, 0.0, 1.0);
}

// Smooth 2D value noise from the shared 3D one.
float noise2(vec2 p) {
    return valueNoise3(vec3(p, 0.5));
}

#ifdef VERTEX_STAGE
#define VARYING out
#else
#define VARYING in
#endif

VARYING vec2 vUV;
VARYING vec4 vParams;
flat VARYING vec4 vFlat;
flat VARYING vec4 vFlat2;

// ---- vertex stage ----------------------------------------------------------------------------

#ifdef VERTEX_STAGE
layout(std430, binding = RAIN_INSTANCES_SLOT) readonly buffer Instances { vec4 instanceData[]; };
layout(std140, binding = RAIN_LIGHT_COUNT_SLOT) uniform LightCount { uint uLightCount; };

vec2 stripCorner() {
    return vec2(float(gl_VertexID & 1), float((gl_VertexID >> 1) & 1)) * 2.0 - 1.0;
}

void screenVertex() {
    vec2 corner = coverTarget(0.0);
    vUV = vec2(corner.x, 1.0 - corner.y);
    vParams = vec4(0.0);
    vFlat = vec4(0.0);
    vFlat2 = vec4(0.0);
}

// How bright a light of `kind` is now: flicker, the traffic light's cycle, and daylight, which
// drowns most of them.
vec3 lightNow(float kind, vec3 color, float phase) {
    float t = sceneTime();
    float day = daylight();
    int k = int(kind + 0.5);
    if (k == 0) return color * mix(1.0, 0.06, day);
    if (k == 1) return color * mix(1.0, 0.04, day);
    if (k == 2) {
        float buzz = 0.93 + 0.07 * sin(t * (2.0 + phase) + phase);
        // Now and then a tube stutters for a moment.
        float stutter = step(0.985, hash11(floor(t * 3.0) + phase * 17.0));
        return color * buzz * (1.0 - 0.55 * stutter) * mix(1.0, 0.3, day);
    }
    if (k == 3) {
        float c = mod(t + phase * 6.0, 40.0);
        vec3 lamp = c < 18.0 ? vec3(2.0, 0.2, 0.1) : (c < 36.0 ? vec3(0.1, 1.6, 0.75) : vec3(1.9, 0.95, 0.1));
        return lamp * mix(1.0, 0.45, day);
    }
    if (k == 4) return color * mix(1.0, 0.3, day);
    if (k == 5) return color * (0.96 + 0.04 * sin(t * 1.7 + phase)) * mix(1.0, 0.45, day);
    float flame = 0.82 + 0.1 * sin(t * 8.3 + phase) + 0.08 * sin(t * 13.1 + phase * 2.3);
    return color * flame * mix(1.0, 0.5, day);
}

// Lights (the first count instances), their reflections on the wet street (the next count) and,
// in the street view, the lamps of passing cars (the rest).
void bokehVertex() {
    int count = int(uLightCount);
    int instance = gl_InstanceID;
    vec2 corner = stripCorner() * 1.4;
    float aspect = aspectRatio();
    vFlat2 = vec4(0.0);
    if (instance < 2 * count) {
        bool reflection = instance >= count;
        int index = reflection ? instance - count : instance;
        vec4 posSize = instanceData[index * 3];
        vec4 color = instanceData[index * 3 + 1];
        vec4 extra = instanceData[index * 3 + 2];
        vec3 light = lightNow(posSize.w, color.rgb, color.a);
        vec2 centre = viewToScreen(posSize.xy);
        vec2 halfSize = vec2(posSize.z / aspect, posSize.z);
        if (reflection) {
            // Mirrored in the wet road below the light's own foot, and smeared downward.
            float strength = extra.x * 0.3;
            if (strength < 0.01) {
                gl_Position = vec4(2.0, 2.0, 2.0, 1.0);
                return;
            }
            float depth = clamp(abs(posSize.x - VANISH_X) / 1.4, 0.05, 1.0);
            float ground = HORIZON + 0.13 * depth + 0.01;
            centre.y = ground + max(ground - posSize.y, 0.02) * 0.55 + posSize.z * 1.2;
            halfSize *= vec2(0.7, 2.4);
            light *= strength;
            vFlat2 = vec4(1.0, color.a, 0.0, 0.0);
        }
        vParams = vec4(corner, posSize.w, posSize.z * uTarget.y);
        vFlat = vec4(light, color.a);
        gl_Position = screenToClip(centre + corner * halfSize);
        return;
    }
    // A car: pairs of instances share one; even cars come towards the window with their
    // headlights, odd ones drive away showing red. Each crosses in a whole fraction of the hour.
    int glint = instance - 2 * count;
    int car = glint / 2;
    float pair = float(glint & 1) * 2.0 - 1.0;
    float seed = hash11(float(car) * 7.31 + 1.7);
    float laps = floor(70.0 + seed * 70.0);
    float run = sceneTime() * laps / 3600.0 + seed;
    float along = fract(run);
    bool towards = (car & 1) == 0;
    float z = towards ? 9.0 * (1.0 - along) : 9.0 * along;
    float f = 1.0 / (z * 0.75 + 1.0);
    float present = step(0.45, hash11(floor(run) * 3.7 + float(car)));
    float fade = smoothstep(0.1, 0.2, f) * (1.0 - smoothstep(0.55, 0.8, f)) * present;
    float lane = towards ? -0.32 : 0.3;
    vec2 centre = vec2(VANISH_X + lane * f + pair * 0.075 * f, HORIZON + 0.085 * f);
    float size = 0.012 + 0.045 * f;
    vec3 lamp = towards ? vec3(1.6, 1.45, 1.15) : vec3(1.5, 0.1, 0.05) * 0.8;
    lamp *= fade * mix(1.0, 0.35, daylight());
    vParams = vec4(corner, 3.0, size * uTarget.y);
    vFlat = vec4(lamp, seed * 6.28);
    gl_Position = fade > 0.001 ? screenToClip(viewToScreen(centre) + corner * vec2(size / aspect, size))
                               : vec4(2.0, 2.0, 2.0, 1.0);
}

// A wiped capsule in pane units, widened to at least a pixel of the layers texture.
void strokeVertex() {
    vec4 ends = instanceData[gl_InstanceID * 2];
    float radius = max(instanceData[gl_InstanceID * 2 + 1].x, uTarget.w * 1.5);
    vec2 a = ends.xy;
    vec2 b = ends.zw;
    vec2 along = b - a;
    float len = length(along);
    vec2 dir = len > 1e-6 ? along / len : vec2(1.0, 0.0);
    vec2 across = vec2(-dir.y, dir.x);
    vec2 corner = stripCorner();
    vec2 p = (corner.x < 0.0 ? a - dir * radius : b + dir * radius) + across * corner.y * radius;
    vParams = vec4(p, 0.0, 0.0);
    vFlat = ends;
    vFlat2 = vec4(instanceData[gl_InstanceID * 2 + 1].x, radius, 0.0, 0.0);
    gl_Position = screenToClip(vec2(p.x / aspectRatio(), p.y));
}

// One drop's quad; sliding drops are drawn taller, with their weight at the bottom.
void dropVertex() {
    vec4 shape = instanceData[gl_InstanceID * 2];
    vec4 info = instanceData[gl_InstanceID * 2 + 1];
    float radius = shape.z;
    float stretch = clamp(shape.w * 2.2, 0.0, 0.45);
    float pixel = uTarget.w;
    vec2 extent = vec2(radius * 1.08 + pixel * 1.5, radius * (1.08 + stretch * 1.4) + pixel * 1.5);
    vec2 corner = stripCorner();
    vec2 p = shape.xy + corner * extent - vec2(0.0, radius * stretch * 0.6 * step(corner.y, 0.0));
    vParams = vec4((p - shape.xy) / max(radius, 1e-5), 0.0, 0.0);
    vFlat = shape;
    vFlat2 = vec4(info.x, stretch, 0.0, 0.0);
    gl_Position = screenToClip(vec2(p.x / aspectRatio(), p.y));
}
#endif

// ---- fragment stage --------------------------------------------------------------------------

#ifdef FRAGMENT_STAGE
layout(location = 0) out vec4 fragColor;
layout(binding = RAIN_LAYERS_SLOT) uniform sampler2D layers;

// The layers texture at screen position q (y down) and a blur level.
vec4 layersAt(vec2 q, float lod) {
    return textureLod(layers, vec2(q.x, 1.0 - q.y), lod);
}

// ---- the street ----

vec3 skyColour(float y, float x) {
    float day = daylight();
    float up = clamp((HORIZON - y) / HORIZON, 0.0, 1.0);
    vec3 nightTop = vec3(0.010, 0.013, 0.028);
    vec3 nightLow = vec3(0.075, 0.045, 0.040);  // the city's glow in the low cloud
    vec3 dayTop = vec3(0.30, 0.33, 0.37);
    vec3 dayLow = vec3(0.46, 0.47, 0.48);
    vec3 night = mix(nightLow, nightTop, pow(up, 0.7));
    vec3 overcast = mix(dayLow, dayTop, up);
    vec3 sky = mix(night, overcast, day);
    // Dusk warms the underside of the cloud.
    float dusk = day * (1.0 - day) * 4.0;
    sky += dusk * vec3(0.10, 0.05, 0.02) * (1.0 - up);
    sky *= 1.0 + 0.08 * (noise2(vec2(x * 2.0, y * 5.0)) - 0.5);
    return sky;
}

// Facades of the street's two sides: dark masses that close in toward the vanishing point, their
// ground floors lit from the shops; sky between them. `facadeMask` tells how much is building.
vec3 aboveStreet(vec2 p, out float facadeMask) {
    float day = daylight();
    float f = abs(p.x - VANISH_X) / 1.2;  // depth factor of the facade seen at this x
    float ground = HORIZON + 0.12 * f;
    // Buildings of uneven height, each a few lamp spacings wide.
    float building = floor(log(max(f, 0.02)) * 3.2 + step(p.x, VANISH_X) * 17.0);
    float roof = HORIZON - (1.05 + 0.55 * hash11(building * 1.37 + 0.4)) * f;
    float soft = 0.03 + 0.05 * f;
    facadeMask = smoothstep(roof - soft, roof + soft, p.y) * (1.0 - smoothstep(ground - soft, ground + soft, p.y));
    // Brick, stone and painted render, one per building.
    float material = hash11(building * 2.71 + 0.9);
    vec3 tint = material < 0.4 ? vec3(0.19, 0.11, 0.08) : (material < 0.75 ? vec3(0.2, 0.19, 0.17) : vec3(0.13, 0.15, 0.17));
    vec3 facade = mix(vec3(0.016, 0.014, 0.015), tint * (0.75 + 0.35 * f), day);
    // Shop fronts glow along the foot of the facades; by day their windows read darker.
    float shopBand = smoothstep(ground - 0.2 * f, ground - 0.02 * f, p.y) * facadeMask;
    facade = mix(facade, facade * 0.5, shopBand * day);
    facade += shopBand * (1.0 - day * 0.8) * vec3(0.20, 0.11, 0.045) * (0.6 + 0.4 * f);
    vec3 colour = mix(skyColour(p.y, p.x), facade, facadeMask);
    // Across the far end of the street stands another row of houses, greyed by the rain.
    float farRoof = HORIZON - 0.11 - 0.05 * hash11(floor(p.x * 14.0) + 3.0);
    float farMask = smoothstep(farRoof - 0.015, farRoof + 0.015, p.y) * (1.0 - smoothstep(0.3, 0.55, abs(p.x - VANISH_X))) *
                    (1.0 - facadeMask);
    vec3 far = mix(vec3(0.03, 0.024, 0.024), vec3(0.3, 0.3, 0.31), day);
    far += (1.0 - day) * vec3(0.06, 0.035, 0.015) * smoothstep(HORIZON - 0.06, HORIZON, p.y);
    colour = mix(colour, far, farMask * 0.85);
    facadeMask = max(facadeMask, farMask * 0.85);
    return colour;
}

vec3 streetBase(vec2 p) {
    float day = daylight();
    float facadeMask;
    vec3 colour = aboveStreet(p, facadeMask);

    // The road: wet asphalt mirroring the street above it, darker near the window.
    float roadY = max(p.y - HORIZON, 0.0);
    float roadMask = smoothstep(HORIZON - 0.005, HORIZON + 0.02, p.y) * (1.0 - facadeMask);
    float mirroredMask;
    vec3 mirrored = aboveStreet(vec2(p.x, HORIZON - roadY * 1.6), mirroredMask) * 0.42;
    vec3 asphalt = mix(vec3(0.008, 0.008, 0.010), vec3(0.07, 0.07, 0.075), day);
    float sheen = 0.7 + 0.3 * noise2(vec2(p.x * 9.0, roadY * 40.0));
    vec3 road = asphalt + mirrored * sheen * (1.0 - smoothstep(0.0, 0.5, roadY) * 0.5);
    // Glow of the lit shop fronts spilling onto the pavement.
    float lateral = abs(p.x - VANISH_X);
    road += (1.0 - day * 0.8) * vec3(0.10, 0.055, 0.025) * smoothstep(0.5, 1.3, lateral / max(roadY / 0.12, 0.05)) *
            exp(-roadY * 4.0);
    colour = mix(colour, road, roadMask);

    // Rain-filled air veils the distance.
    float distance = exp(-length(vec2(p.x - VANISH_X, (p.y - HORIZON) * 3.0)) * 3.0);
    vec3 veil = mix(vec3(0.06, 0.045, 0.045), vec3(0.42, 0.43, 0.45), day);
    colour = mix(colour, veil, distance * (0.35 + 0.3 * uExtra.z));
    return colour;
}

// Inside the café: ceiling, a warm back wall, shelves, the counter and the floor, lit by its
// lamps; a far window shows the weather outside.
vec3 cafeBase(vec2 p) {
    float day = daylight();
    float y = p.y;
    vec3 warm = vec3(1.0, 0.62, 0.32);
    vec3 ceiling = mix(vec3(0.018, 0.012, 0.009), vec3(0.1, 0.08, 0.065), day);
    vec3 wall = mix(vec3(0.16, 0.085, 0.045), vec3(0.27, 0.18, 0.11), day);
    // Pools of lamp light on the wall under the pendants.
    float pools = 0.0;
    for (int i = 0; i < 4; ++i) {
        float x = i == 0 ? -1.1 : (i == 1 ? -0.35 : (i == 2 ? 0.45 : 1.2));
        vec2 d = vec2((p.x - x) * 1.6, (y - 0.45) * 1.2);
        pools += exp(-dot(d, d) * 6.0);
    }
    wall *= 0.55 + pools * 0.9 * (1.0 - 0.4 * day);
    // Wainscot below the shelves.
    float panel = smoothstep(0.58, 0.6, y);
    wall = mix(wall, wall * vec3(0.7, 0.55, 0.45), panel);
    vec3 colour = mix(ceiling, wall, smoothstep(0.05, 0.2, y));
    // Shelf with bottles: a lit strip and speckled glass catching it.
    float shelf = exp(-pow((y - 0.64) / 0.03, 2.0));
    float bottles = smoothstep(0.35, 0.8, noise2(vec2(p.x * 14.0, 2.0))) * step(abs(p.x - 0.1), 0.75);
    colour += shelf * warm * (0.1 + 0.25 * bottles) * (1.0 - 0.5 * day);
    // Counter: a wooden top edge catching the light, a dark front.
    float counterTop = smoothstep(0.715, 0.73, y);
    vec3 counter = mix(vec3(0.05, 0.025, 0.014), vec3(0.13, 0.075, 0.045), day);
    colour = mix(colour, counter, counterTop);
    colour += exp(-pow((y - 0.725) / 0.012, 2.0)) * warm * 0.14;
    float floorMask = smoothstep(0.9, 0.93, y);
    colour = mix(colour, mix(vec3(0.03, 0.018, 0.012), vec3(0.1, 0.085, 0.07), day), floorMask);
    // The far window onto the street.
    vec2 w = (p - vec2(1.18, 0.4)) / vec2(0.3, 0.13);
    float window = (1.0 - smoothstep(0.85, 1.0, abs(w.x))) * (1.0 - smoothstep(0.8, 1.0, abs(w.y)));
    vec3 outside = mix(vec3(0.02, 0.03, 0.06), vec3(0.45, 0.5, 0.56), day);
    colour = mix(colour, outside, window);
    // Guests: soft dark shapes at the tables.
    for (int i = 0; i < 3; ++i) {
        vec2 seat = i == 0 ? vec2(-0.75, 0.62) : (i == 1 ? vec2(0.72, 0.66) : vec2(-0.05, 0.7));
        vec2 head = (p - seat - vec2(0.0, -0.17)) / vec2(0.07, 0.085);
        vec2 body = (p - seat) / vec2(0.16, 0.14);
        float shape = max(1.0 - smoothstep(0.6, 1.0, length(head)), (1.0 - smoothstep(0.6, 1.0, length(body))) * step(-0.2, body.y));
        colour = mix(colour, colour * 0.25 + vec3(0.01, 0.008, 0.006), shape * 0.85);
    }
    return colour;
}

void streetFragment() {
    vec2 p = screenToView(vUV);
    vec3 colour = cafeView() ? cafeBase(p) : streetBase(p);
    fragColor = vec4(colour, 0.0);
}

// Soft out-of-focus discs with a faint bright rim, a halo in the wet air; reflections are
// smeared, shimmering streaks.
void bokehFragment() {
    vec2 local = vParams.xy;
    vec3 light = vFlat.rgb;
    float value;
    if (vFlat2.x > 0.5) {
        float across = local.x;
        float down = local.y;
        float ripple = 0.65 + 0.35 * noise2(vec2(across * 2.0 + vFlat2.y, down * 4.0 + sceneTime() * 0.8));
        value = exp(-across * across * 3.5) * exp(-down * down * 1.4) * ripple * 0.8;
    } else {
        float d = length(local);
        float edge = clamp(0.12 + 1.5 / max(vParams.w, 1.0), 0.06, 0.5);
        float disc = 1.0 - smoothstep(1.0 - edge, 1.0, d);
        float rim = 0.82 + 0.18 * smoothstep(0.55, 0.97, d);
        float halo = exp(-d * d * 1.6) * 0.07;
        value = disc * rim * 0.5 + halo;
    }
    fragColor = vec4(light * value, 0.0);
}

// How fogged the glass settles back to: thicker low down and towards the frame.
void recoverFragment() {
    vec2 q = vUV;
    vec2 edge = abs(q - 0.5) * 2.0;
    float frame = smoothstep(0.6, 1.0, max(edge.x, edge.y));
    float drift = noise2(q * vec2(aspectRatio(), 1.0) * 3.0);
    float target = 0.72 + 0.14 * smoothstep(0.2, 1.0, q.y) + 0.1 * frame + 0.08 * (drift - 0.5);
    fragColor = vec4(0.0, 0.0, 0.0, clamp(target, 0.0, 1.0));
}

void strokeFragment() {
    vec2 p = vParams.xy;
    vec2 a = vFlat.xy;
    vec2 b = vFlat.zw;
    vec2 ab = b - a;
    float t = clamp(dot(p - a, ab) / max(dot(ab, ab), 1e-12), 0.0, 1.0);
    float d = length(p - a - ab * t);
    float radius = vFlat2.y;
    // Even a fresh wipe leaves a faint film, so trails read as glass rather than holes.
    float coverage = 0.86 * (1.0 - smoothstep(radius * 0.55, radius, d));
    // A stroke thinner than the texture's pixels clears only its share of one.
    coverage *= clamp(vFlat2.x / radius, 0.0, 1.0);
    fragColor = vec4(0.0, 0.0, 0.0, coverage);
}

// Shared final grading of the main pass.
vec4 finish(vec3 colour, vec2 pixel) {
    colour *= uLook.w;
    return vec4(encodeOutput(toneMapHue(colour, 3.0), pixel), 1.0);
}

vec3 fogOver(vec2 q, vec3 behind) {
    float levels = max(uExtra.w - 1.0, 0.0);
    vec3 blurred = layersAt(q, min(4.0, levels)).rgb * 0.5 + layersAt(q, min(5.5, levels)).rgb * 0.5;
    vec3 room = layersAt(vec2(0.5), levels).rgb;
    float day = daylight();
    // Tiny droplets scatter light: the fog glows with what is behind and in front of it.
    vec3 dayFilm = cafeView() ? vec3(0.06, 0.056, 0.052) : vec3(0.09, 0.095, 0.1);
    vec3 lit = blurred * 0.6 + room * 0.12 + mix(vec3(0.012, 0.011, 0.012), dayFilm, day);
    lit = mix(lit, vec3(luminance(lit)), 0.25);
    // The film is not perfectly even: a faint, broad mottling.
    float mottle = noise2(q * vec2(aspectRatio(), 1.0) * 23.0);
    return lit * (0.96 + 0.08 * mottle);
}

void glassFragment() {
    vec2 q = vUV;
    vec4 here = layersAt(q, 0.3);
    float fog = clamp(layersAt(q, 1.2).a, 0.0, 1.0);
    vec3 clear = here.rgb;
    vec3 colour = mix(clear, fogOver(q, clear), smoothstep(0.05, 0.95, fog) * 0.93);
    // By day the glass also mirrors the bright street a little.
    if (cafeView()) {
        colour += daylight() * vec3(0.03, 0.033, 0.036) * (0.6 + 0.4 * q.y);
    } else {
        // At night the clear glass faintly mirrors the warm room behind the viewer.
        float room = (1.0 - daylight()) * (1.0 - fog * 0.6);
        colour += room * vec3(0.016, 0.009, 0.005) * (0.4 + 0.6 * smoothstep(0.1, 1.0, q.y) + 0.3 * noise2(q * 2.5));
    }
    colour += uLook.z * vec3(0.28, 0.3, 0.38) * (1.0 - 0.5 * q.y);
    vec2 v = (q - 0.5) * vec2(1.0, 1.2);
    colour *= 1.0 - 0.28 * dot(v, v);
    fragColor = finish(colour, gl_FragCoord.xy);
}

// A drop is a small lens: it shows the scene behind it turned upside down and sharper, with a
// dark rim where light bends away and a highlight near the top.
void dropFragment() {
    vec2 p = vParams.xy;
    float radius = vFlat.z;
    float seed = vFlat2.x;
    float stretch = vFlat2.y;
    vec2 s = vec2(p.x, p.y / (1.0 + stretch * (p.y < 0.0 ? 1.7 : 0.35)));
    float angle = atan(s.y, s.x + 1e-6);  // atan(0, 0) is undefined
    float d = length(s) * (1.0 + 0.045 * sin(angle * 3.0 + seed * 40.0) + 0.03 * sin(angle * 5.0 + seed * 17.0));
    float radiusPixels = radius * uTarget.y;
    float pixel = 1.0 / max(radiusPixels, 0.01);
    float alpha = 1.0 - smoothstep(1.0 - pixel * 1.2, 1.0 + pixel * 0.3, d);
    if (alpha <= 0.0) discard;
    // Drops smaller than a pixel or two fade rather than flicker.
    alpha *= clamp(radiusPixels / 1.6, 0.0, 1.0);

    vec2 centre = vec2(vFlat.x / aspectRatio(), vFlat.y);
    float bulge = sqrt(max(1.0 - d * d, 0.0));
    vec2 bend = s / max(d, 1e-4) * (1.0 - bulge);
    // A wide-angle lens: even a small drop shows a good part of the street, upside down.
    vec2 field = s * (0.07 + radius * 2.0) + bend * radius * 2.0;
    vec2 look = centre - vec2(field.x / aspectRatio(), field.y);
    vec3 seen = layersAt(look, 0.0).rgb;
    float levels = max(uExtra.w - 1.0, 0.0);
    vec3 ambient = layersAt(vec2(0.5, 0.35), levels).rgb;
    vec3 colour = seen * 1.08;
    // The rim, where light bends away; small drops are mostly rim but let more through.
    colour *= 1.0 - mix(0.25, 0.6, smoothstep(2.0, 8.0, radiusPixels)) * smoothstep(0.55, 1.0, d);
    // Light gathered by the lens pools at the lower edge.
    colour += layersAt(centre - vec2(0.0, 0.06), 4.0).rgb * 0.35 * smoothstep(0.4, 0.95, d) * smoothstep(0.1, 0.8, s.y / max(d, 1e-4));
    float glint = exp(-dot(s - vec2(-0.3, -0.42), s - vec2(-0.3, -0.42)) * 40.0);
    colour += glint * (ambient * 2.5 + vec3(0.05 + 0.25 * daylight()));
    fragColor = vec4(finish(colour, gl_FragCoord.xy).rgb, alpha);
}
#endif
