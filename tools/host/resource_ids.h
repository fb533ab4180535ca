// Identifiers shared by the host's resource script and its code.
#pragma once

#define IDR_MAIN_MENU 100
#define IDR_ACCELERATORS 101
#define IDD_RESIZE 102
#define IDC_RESIZE_WIDTH 103
#define IDC_RESIZE_HEIGHT 104

#define IDM_OPEN 201
#define IDM_SAVE_SCALED 202
#define IDM_EXIT 203
#define IDM_RESIZE 211
#define IDM_RESTORE 212
#define IDM_KEY_COLOUR 213
#define IDM_SPRITE_FILES 221
#define IDM_SPRITE_MODE 222
#define IDM_NEXT_FRAME 223
#define IDM_PREVIOUS_FRAME 224
#define IDM_SETTINGS 231
#define IDM_SHOW_HIDE 232
#define IDM_TEST 233
#define IDM_ABOUT 234
