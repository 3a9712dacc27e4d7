// The page's input glue, in place of the desktop's (src/input/DesktopInput.cpp): what the page
// (web/js/page.js) asks of the program about its input, and nothing else: the binding table, from
// which the page takes its keys, touch controls and spoken key list; the reduced-motion wish; and
// the state the page announces to screen readers when it changes. Key places and the gamepad need
// nothing here: page.js hands over AZERTY's letters and the standard mapping.
#include <emscripten.h>

#include <string>

#include "input/Bindings.h"
#include "input/Event.h"
#include "input/PlatformInput.h"

void followPlatformInput() {}

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* robotscene_bindings()
{
    static const std::string json = bindingsJson();
    return json.c_str();
}

EMSCRIPTEN_KEEPALIVE void robotscene_prefer_reduced_motion()
{
    ev.preferReducedMotion();
}

// The menu shown (bit 0), the music wanted (bit 1) and the camera mode (from bit 2).
EMSCRIPTEN_KEEPALIVE int robotscene_announced_state()
{
    return (ev.menuShown ? 1 : 0) | (ev.musicOn ? 2 : 0) | ev.cameraMode << 2;
}

} // extern "C"
