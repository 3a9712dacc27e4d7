// Entry point: the platform's own input glue, then everything else, which lives in the scene library.
#include "app/Application.h"
#include "input/PlatformInput.h"

int main(int argc, char** argv)
{
    followPlatformInput();
    return runApplication(argc, argv);
}
