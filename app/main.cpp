// main.cpp: the program's entry point.
#include <windows.h>
#include "app/QuarnelApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CQuarnelApp app;
    if (!app.InitInstance())
        return app.ExitInstance();
    return app.Run();
}
