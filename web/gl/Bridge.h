// The calls from the browser build's C++ into the page (web/js/library.js): WebGL 2 drawing,
// the page title, sound and the page's own loop. Only what the GL, GLUT and sound layers need.
#pragma once

#include <cstdint>

extern "C" {
// Creates the WebGL 2 context and the one shader; returns 0 when the page has no WebGL 2.
int robotscene_gl_init();
// Creates an RGBA8 texture from width * height * 4 bytes at pixels; returns its id (never 0).
int robotscene_gl_texture(int width, int height, const std::uint8_t* pixels);
void robotscene_gl_delete_texture(int id);
void robotscene_gl_clear(unsigned mask, float red, float green, float blue, float alpha);
void robotscene_gl_viewport(int x, int y, int width, int height);
// Draws count vertices of 12 floats (clip position, colour, texture coordinates s, t, r, q).
void robotscene_gl_draw(unsigned mode, const float* vertices, int count, const int* state);
void robotscene_set_title(const char* text);
void robotscene_sound_cue(const char* name);
void robotscene_sound_music(int on);
// Starts the page's input listeners and its frame loop; the loop calls robotscene_tick.
void robotscene_page_start();
}

// Drawn at every buffer swap and before anything that changes the target of pending draws.
void webGlFlush();
