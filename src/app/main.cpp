// Entry point: everything else lives in the scene library.
#include "app/Application.h"

int main(int argc, char** argv)
{
    return runApplication(argc, argv);
}
