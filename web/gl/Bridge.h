// The calls between the browser build's C++ and the page's JavaScript: WebGL 2 drawing
// (web/js/gl.js), the page's loop, clock, title and downloads (web/js/page.js) and sound
// (web/js/sound.js). Only what the GL, GLUT, sound and picture layers need.
//
// A draw crosses as raw memory: count BridgeVertex records and one DrawState. Their layouts are
// fixed here and read in gl.js through named byte offsets (VERTEX, STATE) that must match the
// static_asserts below.
#pragma once

#include <cstddef>
#include <cstdint>

// One vertex as the page's shader takes it: clip position, colour, texture coordinates s, t, r, q.
struct BridgeVertex {
    float clip[4];
    float colour[4];
    float tex[4];
};
static_assert(sizeof(BridgeVertex) == 48 && offsetof(BridgeVertex, colour) == 16 &&
                  offsetof(BridgeVertex, tex) == 32,
              "gl.js reads vertices with stride 48: clip at 0, colour at 16, tex at 32");

// The fixed-function state the page applies before a draw; GL enumerants as WebGL has them.
struct DrawState {
    std::int32_t texture;   // page texture id, 0 for none
    std::int32_t minFilter;
    std::int32_t magFilter;
    std::int32_t blend;     // 0 or 1
    std::int32_t blendSrc;
    std::int32_t blendDst;
    std::int32_t depthTest; // 0 or 1
    std::int32_t depthFunc;
    std::int32_t cull;      // 0 or 1: triangles only, lines and points of polygons are culled here
    std::int32_t cullFace;
};
static_assert(sizeof(DrawState) == 40 && offsetof(DrawState, minFilter) == 4 && offsetof(DrawState, magFilter) == 8 &&
                  offsetof(DrawState, blend) == 12 && offsetof(DrawState, blendSrc) == 16 &&
                  offsetof(DrawState, blendDst) == 20 && offsetof(DrawState, depthTest) == 24 &&
                  offsetof(DrawState, depthFunc) == 28 && offsetof(DrawState, cull) == 32 &&
                  offsetof(DrawState, cullFace) == 36,
              "gl.js reads the draw state at these byte offsets (STATE)");

extern "C" {
// Creates the WebGL 2 context; returns 0 when the page has no WebGL 2 (the page then says so).
int robotscene_gl_init();
// Makes the one shader, the vertex buffer and array in that context.
void robotscene_gl_build();
// Makes texture id (chosen here, never 0) from width * height * 4 RGBA bytes at pixels.
void robotscene_gl_texture(int id, int width, int height, const std::uint8_t* pixels);
void robotscene_gl_delete_texture(int id);
void robotscene_gl_clear(unsigned mask, float red, float green, float blue, float alpha);
void robotscene_gl_viewport(int x, int y, int width, int height);
void robotscene_gl_draw(unsigned mode, const BridgeVertex* vertices, int count, const DrawState* state);
// Reads width * height RGBA bytes of the drawing buffer, bottom row first, into out.
void robotscene_gl_read_pixels(int x, int y, int width, int height, std::uint8_t* out);
void robotscene_set_title(const char* text);
// The page's clock in ms: the browser's, or in test mode one the test moves.
double robotscene_now();
// Offers size bytes at data to the user as a download named name.
void robotscene_offer_download(const std::uint8_t* data, int size, const char* name);
void robotscene_sound_cue(const char* name);
void robotscene_sound_music(int on);
// Starts the page's input listeners and its frame loop; the loop calls robotscene_tick.
void robotscene_page_start();
// Returns to the browser for one task and comes back (an asyncify import: main's stack is kept).
void robotscene_yield();
}

// While main runs (before glutMainLoop), returns to the browser for one task, so that the
// program's start-up is many short tasks instead of one long one; nothing once the loop runs.
void yieldDuringStart();

// Drawn at every buffer swap and before anything that changes the target of pending draws.
void webGlFlush();
