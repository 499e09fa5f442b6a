// Voxmend: the window program's start: the main window's class, procedure and message loop.
#pragma once

#include "window/window.h"

HWND StartApp(HINSTANCE hInstance, int iCmdShow, const char* bankPath = NULL);
LRESULT CALLBACK WndProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam);
