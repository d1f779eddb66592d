// The layered scenes' common frame: the uniform record, the data block and the covering triangle.

layout(std140, binding = SHADER_UNIFORMS_SLOT) uniform ShaderUniforms {
    vec4 uResolution;  // width, height, 1/width, 1/height
    vec4 uTime;        // clock mod 3600, dt, clock mod 86400, display index
    vec4 uSky;         // hour, daylight, sun elevation (degrees), moon illumination
    vec4 uSun;         // sun direction, moon phase
    vec4 uMoon;        // moon direction, 1 in the layer pass
    vec4 uView;        // parallax xy, pointer xy ((9, 9) when inactive)
    vec4 uCalendar;    // day of year, year fraction, latitude, longitude
    vec4 uWeather;     // cloud cover, precipitation, fog, wind speed
    vec4 uParams[4];
};

layout(std140, binding = SCENE_DATA_SLOT) uniform SceneData {
    vec4 uData[256];
};

#ifdef VERTEX_STAGE
out vec2 sceneUV;

void shaderSceneVertex() {
    sceneUV = coverTarget(0.0);
}
#endif

#ifdef FRAGMENT_STAGE
in vec2 sceneUV;
layout(location = 0) out vec4 fragColor;
layout(binding = LAYER_TEXTURE_SLOT) uniform sampler2D layerTexture;

bool isLayerPass() {
    return uMoon.w > 0.5;
}
#endif
