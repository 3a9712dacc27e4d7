// Keeps the bench quiet and its frames undisturbed: the sound cues (head-sweep beeps, the
// fly-by) reach the player through the shell with system(), and this definition, which the
// scene library binds to, runs nothing. The music is kept off by the bench itself.
#include <cstdlib>

extern "C" int system(const char* command)
{
    // system(NULL) asks whether a shell exists; every cue command is accepted and dropped.
    return command == nullptr ? 1 : 0;
}
