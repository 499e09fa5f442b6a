// Voxmend: the window program whole, for its start-up and for the tests and benchmark that
// drive it.
#pragma once

#include "window.h"
#include "audio.h"
#include "browser.h"
#include "replace.h"
#include "sfx.h"
#include "sounds.h"

HWND StartApp(HINSTANCE hInstance, int iCmdShow);
LRESULT CALLBACK WndProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam);
