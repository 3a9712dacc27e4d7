// Entry point: the desktop's own input glue, then everything else, which lives in the scene library.
#include "app/Application.h"
#include "input/DesktopInput.h"

int main(int argc, char** argv)
{
    followDesktopInput();
    return runApplication(argc, argv);
}
