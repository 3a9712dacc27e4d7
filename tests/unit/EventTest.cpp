// Tests of the input record: what Enter resets, every key in both cases, key releases, arrows,
// mouse buttons, drags and the wheel with the menu shown and hidden, the immediate GL changes of
// T and Y, and the GLUT callbacks' forwarding to the global record; then every row of the
// binding table by its key on AZERTY, QWERTY and QWERTZ layouts, its arrow and the gamepad.
#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CommandRecorder.h"
#include "Cues.h"
#include "GlRecorder.h"
#include "input/Event.h"

namespace {

// An input and whether it is T or Y, the only keys that change GL at once.
struct Step { std::function<void(Event&)> act; bool raster = false; };
Step down(int k) { return {[k](Event& e) { e.KeyboardKeys(static_cast<unsigned char>(k), 11, 12); }, k == 'T' || k == 'Y'}; }
Step up(int k) { return {[k](Event& e) { e.KeyboardKeysUp(static_cast<unsigned char>(k), 11, 12); }}; }
Step special(int k) { return {[k](Event& e) { e.arrowKeys(k, 11, 12); }}; }
Step specialUp(int k) { return {[k](Event& e) { e.arrowKeysUp(k, 11, 12); }}; }
constexpr int kUp = GLUT_KEY_UP, kDown = GLUT_KEY_DOWN, kLeft = GLUT_KEY_LEFT, kRight = GLUT_KEY_RIGHT;
Step button(int which, int state, int x = 30, int y = 40) { return {[=](Event& e) { e.mouse(which, state, x, y); }}; }
Step press(int x, int y) { return button(GLUT_LEFT_BUTTON, GLUT_DOWN, x, y); }
Step drag(int x, int y) { return {[=](Event& e) { e.mouseMove(x, y); }}; }
Step wheel(int direction) { return {[=](Event& e) { e.mouseWheel(0, direction, 5, 6); }}; }
Step stickUp(int y) { return {[=](Event& e) { e.joystick(0, 0, y, 0); }}; }

// Every field but the stateless cue player and the held-key bits (the release rows show those),
// in declaration order.
std::vector<double> fields(const Event& e)
{
    return {double(e.anglex), double(e.angley), double(e.lastMouseX), double(e.lastMouseY), double(e.zoomValue),
            e.cameraX, e.cameraY, e.cameraZ, double(e.cameraMode), double(e.headTurn), double(e.headSweep),
            e.robotX, e.robotY, e.robotZ, e.robotAngle, double(e.rotationAxisX), double(e.rotationAxisY),
            double(e.rotationAxisZ), double(e.hologramOn), double(e.musicOn), double(e.moveDirection),
            double(e.turnDirection), double(e.debugOn), double(e.menuShown), double(e.polygonMode),
            double(e.flatShading), double(e.resetRequested), double(e.pictureRequested), double(e.fullScreen)};
}

struct Case {
    const char* name;
    bool menuShown;                               // before the steps
    std::vector<Step> steps;
    std::function<void(Event&)> change = nullptr; // expected changes to a fresh record
    std::vector<std::string> cues = {};           // sorted
    bool pressed = false;                         // the left-button flag afterwards
};

// Letters in lower case: every row's both cases are the binding test's.
void runTable(const std::vector<Case>& table)
{
    for (const Case& c : table) {
        SCOPED_TRACE(c.name);
        pressed = false;
        glrec::reset();
        Event actual;
        actual.menuShown = c.menuShown;
        Event expected = actual;
        if (c.change) c.change(expected);
        cmdrec::clear();
        for (const Step& s : c.steps) s.act(actual);
        EXPECT_EQ(cues::started(c.cues.size()), c.cues);
        EXPECT_EQ(fields(actual), fields(expected));
        EXPECT_EQ(pressed, c.pressed);
        if (std::none_of(c.steps.begin(), c.steps.end(), [](const Step& s) { return s.raster; })) {
            EXPECT_EQ(glrec::callNames(), std::vector<std::string>{}) << "only T and Y touch GL (F11: end to end)";
        }
    }
}

TEST(EventTest, KeyPressesAndReleases)
{
    auto repeat = [](int key, int n) { return std::vector<Step>(n, down(key)); };
    runTable({
        {"Enter on the menu", true, {down(13)}, [](Event& e) { e.menuShown = false, e.resetRequested = true; }, {"reset"}},
        // Enter resets all the keys and drags changed but the music wish and the pointer.
        {"Enter resets", false,
         {press(10, 20), drag(15, 12), down('+'), down('A'), down('D'), down('Z'), down('F'), down('M'), down('V'),
          down('O'), down('T'), down('Y'), down(13)},
         [](Event& e) { e.lastMouseX = 15, e.lastMouseY = 12, e.musicOn = false, e.resetRequested = true; },
         {"reset", "view"}, true},
        {"space hides the menu", true, {down(' ')}, [](Event& e) { e.menuShown = false; }},
        {"space twice shows it", true, repeat(' ', 2), nullptr, {"menu"}},
        {"minus", false, {down('-')}, [](Event& e) { e.zoomValue = 15; }}, {"zoom keys on the menu", true, {down('+'), down('-'), down('+')}},
        {"zoom through 0 below", false, repeat('+', 17), [](Event& e) { e.zoomValue = -3; }},
        {"A", true, {down('A')}, [](Event& e) { e.headSweep = false; e.headTurn = -1; }},
        {"E", true, {down('E')}, [](Event& e) { e.headSweep = false; e.headTurn = 1; }},
        {"R", true, {down('R')}, [](Event& e) { e.headSweep = false; }, {"head"}}, {"R twice", true, repeat('R', 2), nullptr, {"head"}},
        {"F", true, {down('F')}, [](Event& e) { e.hologramOn = false; }}, {"F twice", true, repeat('F', 2), nullptr, {"whistle"}},
        {"M", true, {down('M')}, [](Event& e) { e.musicOn = false; }}, {"O", true, {down('O')}, [](Event& e) { e.debugOn = true; }},
        {"Z", true, {down('Z')}, [](Event& e) { e.moveDirection = 1; }}, {"S", true, {down('S')}, [](Event& e) { e.moveDirection = -1; }},
        {"Q", true, {down('Q')}, [](Event& e) { e.turnDirection = -1; e.rotationAxisY = 1; }},
        {"D", true, {down('D')}, [](Event& e) { e.turnDirection = 1; e.rotationAxisY = 1; }},
        {"T", true, {down('T')}, [](Event& e) { e.polygonMode = 1; }}, {"Y", true, {down('Y')}, [](Event& e) { e.flatShading = true; }},
        {"V four times: 1, 2, 0, 1", true, repeat('V', 4), [](Event& e) { e.cameraMode = 1; }, {"view", "view", "view", "view"}},
        // Ctrl with a letter arrives as a control code: Ctrl+Z is not Z.
        {"unbound keys", false, {down('W'), down('1'), down('\t'), down(0), down(255), up('W'), up(13), down(26), down(17),
                                 down(4), down(1), down(19), down(5)}},
        {"other special keys", false, {special(GLUT_KEY_F1), special(GLUT_KEY_PAGE_UP), specialUp(GLUT_KEY_F11)}},
        // Releases: the sweep stays off and the axis stays set.
        {"A released", true, {down('A'), up('A')}, [](Event& e) { e.headSweep = false; }},
        {"E released", true, {down('E'), up('E')}, [](Event& e) { e.headSweep = false; }},
        {"Q released", true, {down('Q'), up('Q')}, [](Event& e) { e.rotationAxisY = 1; }},
        {"Z held, S pressed and released", true, {down('Z'), down('S'), up('S')}},
        // A letter, its arrow and the pad act as one key held: driving stops once all are up.
        {"Z+Up held, Z up", true, {down('Z'), special(kUp), up('Z')}, [](Event& e) { e.moveDirection = 1; }},
        {"S+Down held, Down up", true, {down('S'), special(kDown), specialUp(kDown)}, [](Event& e) { e.moveDirection = -1; }},
        {"Z+Up, both up", true, {down('Z'), special(kUp), specialUp(kUp), up('Z')}},
        {"Z and the stick held, the stick let go", true, {down('Z'), stickUp(-1000), stickUp(0)}, [](Event& e) { e.moveDirection = 1; }},
        {"Q+Left held, Q up", true, {special(kLeft), down('Q'), up('Q')}, [](Event& e) { e.turnDirection = -1, e.rotationAxisY = 1; }},
        {"D+Right, both up", true, {down('D'), special(kRight), up('D'), specialUp(kRight)}, [](Event& e) { e.rotationAxisY = 1; }},
        {"no release binding", true, {down('O'), up('O'), down('T'), up('T'), down(' '), up(' ')},
         [](Event& e) { e.debugOn = true; e.polygonMode = 1; e.menuShown = false; }},
    });
}

TEST(EventTest, MouseDragAndWheel)
{
    auto last = [](int x, int y) { return [=](Event& e) { e.lastMouseX = x, e.lastMouseY = y; }; };
    runTable({
        {"press", false, {press(10, 20)}, last(10, 20), {}, true}, {"press on the menu", true, {press(10, 20)}, last(10, 20), {}, true},
        {"release", false, {press(10, 20), button(GLUT_LEFT_BUTTON, GLUT_UP)}, last(10, 20)},
        // Only the left button orbits; another pressed or released during a left drag changes nothing.
        {"right drag", false, {button(GLUT_RIGHT_BUTTON, GLUT_DOWN), drag(50, 60)}, last(50, 60)},
        {"middle drag", false, {button(GLUT_MIDDLE_BUTTON, GLUT_DOWN), drag(50, 60)}, last(50, 60)},
        {"right pressed and released mid-drag", false,
         {press(10, 20), drag(15, 12), button(GLUT_RIGHT_BUTTON, GLUT_DOWN), drag(20, 22), button(GLUT_RIGHT_BUTTON, GLUT_UP),
          drag(25, 30)}, [&](Event& e) { e.anglex = 195; e.angley = 30; last(25, 30)(e); }, {}, true},
        {"drags add up", false, {press(10, 20), drag(15, 12), drag(5, 30)}, [&](Event& e) { e.anglex = 175; e.angley = 30; last(5, 30)(e); }, {}, true},
        {"drag released", false, {press(10, 20), button(GLUT_LEFT_BUTTON, GLUT_UP), drag(50, 60)}, last(50, 60)},
        {"drag on the menu", true, {press(10, 20), drag(50, 60)}, last(10, 20), {}, true},
        {"drag begun on the menu", true, {press(10, 20), drag(50, 60), down(' '), drag(55, 70)},
         [&](Event& e) { e.menuShown = false; e.anglex = 225; e.angley = 70; last(55, 70)(e); }, {}, true},
        {"wheel up", false, {wheel(1)}, [](Event& e) { e.zoomValue = 13; }}, {"wheel down", false, {wheel(-1)}, [](Event& e) { e.zoomValue = 15; }},
        {"wheel direction 0", false, {wheel(0)}, [](Event& e) { e.zoomValue = 15; }}, {"wheel on the menu", true, {wheel(1), wheel(-1), wheel(0)}},
    });
}

TEST(EventTest, TAndYChangeGlAtOnceAndResetLeavesThem)
{
    using Calls = std::vector<std::pair<std::string, std::vector<double>>>;
    auto mode = [](GLenum m) { return Calls{{"glPolygonMode", {GL_FRONT_AND_BACK, double(m)}}}; };
    auto shade = [](GLenum model, GLint filter) {
        return Calls{{"glShadeModel", {double(model)}},
                     {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, double(filter)}},
                     {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, double(filter)}}};
    };
    const std::vector<std::pair<unsigned char, Calls>> presses = {
        {'T', mode(GL_LINE)}, {'t', mode(GL_POINT)}, {'T', mode(GL_FILL)}, {'t', mode(GL_LINE)},
        {'Y', shade(GL_FLAT, GL_NEAREST)}, {'y', shade(GL_SMOOTH, GL_LINEAR)}, {'Y', shade(GL_FLAT, GL_NEAREST)},
        {13, {}}, {'T', mode(GL_LINE)}, {'Y', shade(GL_FLAT, GL_NEAREST)},
    };
    Event e;
    for (const auto& [key, calls] : presses) {
        glrec::reset();
        e.KeyboardKeys(key, 0, 0);
        Calls made;
        for (const glrec::Call& c : glrec::gl().calls) made.emplace_back(c.name, c.args);
        EXPECT_EQ(made, calls) << "key " << key;
    }
}

TEST(EventTest, CallbacksForwardTheirArgumentsUnchangedToTheGlobalRecord)
{
    glrec::reset();
    ev.init();
    ev.menuShown = false;
    manageMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 7, 9);
    manageMouseMove(10, 15); // x and y in order: +3 about y, +6 about x
    manageMouse(GLUT_LEFT_BUTTON, GLUT_UP, 0, 0); // swapped, button 1 would leave the flag set
    manageMouseWheel(1, -1, 0, 0); // swapped, direction 1 would zoom in
    manageKeyboard('z', 0, 0);
    EXPECT_EQ((std::vector<int>{ev.anglex, ev.angley, pressed, ev.zoomValue, ev.moveDirection}),
              (std::vector<int>{183, 26, false, 15, 1}));
    manageSpecialKeyboard(GLUT_KEY_DOWN, 0, 0);
    manageKeyboardUp('z', 0, 0);
    EXPECT_EQ(ev.moveDirection, 0);
}

// Keyboard layouts by their letter rows from the left; the X server numbers those keys from 24, 38
// and 52 whatever the layout. A character's place on the layout in force; 0 (unknown) for others.
const std::map<std::string, std::vector<std::string>> layouts = {{"fr", {"azertyuiop", "qsdfghjklm", "wxcvbn"}},
    {"us", {"qwertyuiop", "asdfghjkl", "zxcvbnm"}}, {"de", {"qwertzuiop", "asdfghjkl", "yxcvbnm"}}};
const std::vector<std::string>* inForce = nullptr;

int placeOn(unsigned char c)
{
    for (int row = 0; row < 3; ++row) {
        std::size_t at = (*inForce)[row].find(static_cast<char>(std::tolower(c)));
        if (at != std::string::npos) return 24 + 14 * row + static_cast<int>(at);
    }
    return 0;
}

using Press = std::function<void(Event&, bool)>;
Press letter(unsigned char c) { return [c](Event& e, bool down) { down ? e.KeyboardKeys(c, 3, 4) : e.KeyboardKeysUp(c, 3, 4); }; }
Press pad(unsigned buttons, int x, int y, int z) { return [=](Event& e, bool d) { e.joystick(d ? buttons : 0, d * x, d * y, d * z); }; }

// The record while held and once let go, from a fresh record with the menu hidden.
std::vector<std::vector<double>> held(const Press& press)
{
    Event e;
    e.menuShown = false;
    press(e, true);
    auto down = fields(e);
    press(e, false);
    return {down, fields(e)};
}

// Every row's key in both cases, its arrow, pad button and stick act as its AZERTY key, held and let go; on each
// layout so does the key at its place, and its letter elsewhere does what that place does. A stick holds from half way.
TEST(EventTest, EveryBindingByEachOfItsKeysOnEveryLayoutAndByThePadActsAsItsAzertyKey)
{
    const std::map<Stick, Press> sticks = {{Stick::leftUp, pad(0, 0, -500, 0)}, {Stick::leftDown, pad(0, 0, 500, 0)},
        {Stick::leftLeft, pad(0, -1000, 0, 0)}, {Stick::leftRight, pad(0, 1000, 0, 0)},
        {Stick::rightLeft, pad(0, 0, 0, -500)}, {Stick::rightRight, pad(0, 0, 0, 1000)}, {Stick::none, letter(0)}};
    for (const Binding& b : bindings) {
        if (b.action == Action::quit || (b.character == 0 && b.special == 0)) continue; // Esc: end to end (check_exit)
        SCOPED_TRACE(b.id);
        Press arrow = [&](Event& e, bool down) { down ? e.arrowKeys(b.special, 3, 4) : e.arrowKeysUp(b.special, 3, 4); };
        const auto azerty = held(b.character != 0 ? letter(b.character) : arrow);
        EXPECT_NE(azerty[0], held(letter(0))[0]) << "it does something";
        EXPECT_EQ(held(letter(static_cast<unsigned char>(std::tolower(b.character)))), b.character ? azerty : held(letter(0)));
        EXPECT_EQ(held(arrow), b.special ? azerty : held(letter(0)));
        EXPECT_EQ(held(pad(b.padButton != padNone ? 1u << b.padButton : 0, 0, 0, 0)), b.padButton != padNone ? azerty : held(letter(0)));
        EXPECT_EQ(held(sticks.at(b.stick)), b.stick != Stick::none ? azerty : held(letter(0)));
        for (const auto& [name, rows] : layouts) {
            if (b.character == 0) break;
            inForce = &rows;
            keyPlaceOf = placeOn;
            int place = placeOn(b.character);
            unsigned char key = b.byPlace ? rows[(b.keycode - 24) / 14][(b.keycode - 24) % 14] : b.character;
            auto actual = held(letter(key)), elsewhere = held(letter(b.character));
            keyPlaceOf = nullptr;
            auto there = std::find_if(std::begin(bindings), std::end(bindings), [&](auto& r) { return r.byPlace && r.keycode == place; });
            EXPECT_EQ(actual, azerty) << name;
            EXPECT_EQ(elsewhere, !b.byPlace ? azerty : there != std::end(bindings) ? held(letter(there->character)) : held(letter(0))) << name;
        }
    }
}

TEST(EventTest, APadSilentForHalfASecondLetsGoIsRenumberedAndSwungBetweenPolls_ReducedMotionKeepsTheSweepOff)
{
    glrec::reset();
    ev.init();
    manageJoystick(0, 0, -1000, 0);
    for (int silent : {499, 500}) {
        glrec::gl().elapsedTime = silent;
        glrec::gl().timer(0);
    }
    EXPECT_EQ(ev.moveDirection, 0) << "unplugged: freeglut stopped calling";
    const PadLayout standard = padLayout;
    padLayout = PadLayout{{0, 1, 2, 3, 4, 5, 8, 9, -1, 10, 11}, false}; // xpad: Back, Start, Guide after the shoulders
    manageJoystick(1u << 7 | 1u << 8, 0, 0, 1000);                      // Start and Guide; a trigger as the third axis
    EXPECT_EQ(std::vector<int>({ev.menuShown, ev.resetRequested, ev.headTurn}), std::vector<int>({false, false, 0}));
    padLayout = standard;
    Event e;
    e.joystick(0, 0, -1000, 0);
    e.joystick(0, 0, 1000, 0);
    EXPECT_EQ(e.moveDirection, -1) << "forward to back between two polls";
    e.preferReducedMotion();
    e.KeyboardKeys(13, 0, 0);
    EXPECT_FALSE(e.headSweep) << "reduced motion, after a reset too";
}

} // namespace
