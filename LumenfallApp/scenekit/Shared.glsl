// Shared by the host: the full-screen triangle and the cross-fade overlay.

#ifdef VERTEX_STAGE
out vec2 fullscreenUV;

// One triangle that covers the whole target; no vertex buffer.
void fullscreenVertex() {
    vec2 corner = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));
    fullscreenUV = corner;
    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
}
#endif

#ifdef FRAGMENT_STAGE
in vec2 fullscreenUV;
layout(location = 0) out vec4 fragColor;

layout(binding = FADE_SNAPSHOT_SLOT) uniform sampler2D fadeSnapshot;
layout(std140, binding = FADE_OPACITY_SLOT) uniform FadeOpacity {
    float opacity;
};

// The previous scene's last frame, fading out over the new one.
void fadeFragment() {
    vec4 snapshot = texture(fadeSnapshot, fullscreenUV);
    fragColor = vec4(snapshot.rgb, snapshot.a * opacity);
}
#endif
