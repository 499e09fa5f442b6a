// Voxmend: the ids of the main window's controls, of a sound's menu and of the Replace dialog,
// shared by the code and the resource script (which reads #defines only).
#pragma once

// The main window's controls.
#define IDC_BANKLIST 1
#define IDC_PATH 2
#define IDC_PLAYALL 3
#define IDC_REPLACE 4
#define IDC_SOUNDS 5
#define IDC_STOP 6
#define IDC_UNDO 7
#define IDC_DIRLIST 8

// The items of a sound's menu.
#define IDM_PLAY 201
#define IDM_REPLACE 202
#define IDM_SAVE 203
#define IDM_SAVEALL 204
#define IDM_REPLACECONVERT 205
#define IDM_REPLACEFOLDER 206
#define IDM_MAKEPACK 207
#define IDM_APPLYPACK 208

// The Replace dialog's template (named REPLACEBOX in the script) and its controls. REPLACE and
// CANCEL are the dialog's OK and Cancel, so Enter and Escape reach them.
#ifndef RC_INVOKED
#define IDD_REPLACEBOX "ReplaceBox"
#endif
#define IDC_OK 1
#define IDC_CANCEL 2
#define IDC_ORIGINAL 101
#define IDC_NEW 102
#define IDC_STATUS 103
#define IDC_CONVERTED 104  // made at run time, when the file was converted
#define IDC_MATCH 105      // the new sound given the old one's loudness
#define IDC_GAIN 106       // what that did
#define IDC_OLDCAPTION 107 // each sound's length, loudness and true peak, above its picture
#define IDC_OLDWAVE 108
#define IDC_NEWCAPTION 109
#define IDC_NEWWAVE 110
