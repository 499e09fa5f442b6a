// Voxmend: the window program whole, for its start-up and for the tests and benchmark that
// drive it.
#pragma once

#include "window/window.h"
#include "window/playback.h"
#include "window/browser.h"
#include "window/replacedialog.h"
#include "window/openbank.h"
#include "window/soundfiles.h"

HWND StartApp(HINSTANCE hInstance, int iCmdShow);
LRESULT CALLBACK WndProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam);
