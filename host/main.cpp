// The runtime's process entry hands over to the saver's own start-up.
#include "SaverStartup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    SaverStartup();
}
