// Lookups in the binding table, the names people read for its keys, and the table as JSON for
// the page. The table itself is in Bindings.h; what each action does is Event.cpp's.
#include "input/Bindings.h"

KeyPlaceLookup keyPlaceOf = nullptr;

namespace {

// Letters are bound in both cases; only ASCII a to z are folded, so no locale can remap a key.
unsigned char upperCase(unsigned char key)
{
    if (key >= 'a' && key <= 'z') {
        return static_cast<unsigned char>(key - 'a' + 'A');
    }
    return key;
}

const char* specialName(int key)
{
    switch (key) {
    case GLUT_KEY_UP: return "Up";
    case GLUT_KEY_DOWN: return "Down";
    case GLUT_KEY_LEFT: return "Left";
    case GLUT_KEY_RIGHT: return "Right";
    default: return "F11";
    }
}

std::string characterName(unsigned char character)
{
    switch (character) {
    case ' ': return "Space";
    case 13: return "Enter";
    case 27: return "Esc";
    default: return std::string(1, static_cast<char>(character));
    }
}

// The key as the page's event.key names it, in lower case for letters.
std::string domKey(unsigned char character)
{
    switch (character) {
    case 13: return "Enter";
    case 27: return "Escape";
    case 0: return "";
    default:
        return std::string(1, static_cast<char>(character >= 'A' && character <= 'Z' ? character - 'A' + 'a' : character));
    }
}

const char* padButtonName(PadButton button)
{
    switch (button) {
    case padA: return "A";
    case padB: return "B";
    case padX: return "X";
    case padY: return "Y";
    case padLeftShoulder: return "left shoulder";
    case padRightShoulder: return "right shoulder";
    case padSelect: return "Select (Back)";
    case padStart: return "Start";
    case padUp: return "d-pad up";
    case padDown: return "d-pad down";
    case padLeft: return "d-pad left";
    case padRight: return "d-pad right";
    default: return "";
    }
}

const char* stickName(Stick stick)
{
    switch (stick) {
    case Stick::leftUp: return "left stick up";
    case Stick::leftDown: return "left stick down";
    case Stick::leftLeft: return "left stick left";
    case Stick::leftRight: return "left stick right";
    case Stick::rightLeft: return "right stick left";
    case Stick::rightRight: return "right stick right";
    default: return "";
    }
}

std::string withArrow(std::string key, const Binding& binding)
{
    if (binding.pointer != nullptr) {
        return binding.pointer;
    }
    if (binding.special != 0) {
        key += key.empty() ? specialName(binding.special) : std::string(" or ") + specialName(binding.special);
    }
    return isHeld(binding.action) ? key + " (hold)" : key;
}

const char* touchKind(Touch touch)
{
    switch (touch) {
    case Touch::tap: return "tap";
    case Touch::drivePad: return "pad";
    case Touch::head: return "head";
    default: return "";
    }
}

std::string quoted(const char* text)
{
    std::string out = "\"";
    for (const char* c = text != nullptr ? text : ""; *c != '\0'; ++c) {
        if (*c == '"' || *c == '\\') out += '\\';
        out += *c;
    }
    return out + "\"";
}

} // namespace

const Binding* bindingForCharacter(unsigned char character)
{
    if (character == 0) {
        return nullptr;
    }
    int place = keyPlaceOf != nullptr ? keyPlaceOf(character) : 0;
    const Binding* byCharacter = nullptr;
    for (const Binding& binding : bindings) {
        if (place != 0 && binding.byPlace && binding.keycode == place) {
            return &binding;
        }
        if (binding.character == upperCase(character)) {
            byCharacter = &binding;
        }
    }
    // A hand key's letter found at another place on this layout is not that hand key.
    if (byCharacter != nullptr && byCharacter->byPlace && place != 0) {
        return nullptr;
    }
    return byCharacter;
}

const Binding* bindingForSpecial(int key)
{
    for (const Binding& binding : bindings) {
        if (key != 0 && binding.special == key) {
            return &binding;
        }
    }
    return nullptr;
}

bool isHeld(Action action)
{
    switch (action) {
    case Action::forward:
    case Action::backward:
    case Action::turnLeft:
    case Action::turnRight:
    case Action::headLeft:
    case Action::headRight: return true;
    default: return false;
    }
}

std::string keysText(const Binding& binding)
{
    return withArrow(binding.character != 0 ? characterName(binding.character) : "", binding);
}

// event.code names a letter's place by the US keyboard's letter there: KeyW.
std::string qwertyKeysText(const Binding& binding)
{
    if (!binding.byPlace) {
        return keysText(binding);
    }
    return withArrow(std::string(binding.code).substr(3), binding);
}

std::string padText(const Binding& binding)
{
    std::string stick = stickName(binding.stick), button = padButtonName(binding.padButton);
    return stick.empty() || button.empty() ? stick + button : stick + " or " + button;
}

std::string bindingsJson()
{
    std::string json = "[";
    for (const Binding& b : bindings) {
        json += json.size() > 1 ? ",{" : "{";
        json += "\"id\":" + quoted(b.id) + ",\"key\":" + quoted(domKey(b.character).c_str()) +
                ",\"special\":" + std::to_string(b.special) + ",\"byPlace\":" + (b.byPlace ? "true" : "false") +
                ",\"code\":" + quoted(b.code) + ",\"touch\":" + quoted(touchKind(b.touch)) +
                ",\"face\":" + quoted(b.touchFace) + ",\"name\":" + quoted(b.touchName) +
                ",\"keys\":" + quoted(keysText(b).c_str()) + ",\"qwerty\":" + quoted(qwertyKeysText(b).c_str()) +
                ",\"pad\":" + quoted(padText(b).c_str()) + ",\"does\":" + quoted(b.does) + "}";
    }
    return json + "]";
}
