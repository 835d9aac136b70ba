// Resource and control ids shared by the code and the resource script. The numbers are part of
// the program's interface.
#pragma once

// Child windows
#define IDC_EDITOR 100
#define IDC_IMAGEPANE 101
#define IDC_TOOLBAR 300
#define IDC_STATUSBAR 301

// Commands
#define IDM_CLEAR 201
#define IDM_OPEN 202
#define IDM_SAVE 203
#define IDM_SAVEAS 204
#define IDM_EXIT 205
#define IDM_UNDO 206
#define IDM_HELP 210
#define IDM_ABOUT 211
#define IDM_CONVERT 212
#define IDM_CUT 213
#define IDM_COPY 214
#define IDM_FONT 215
#define IDM_PASTE 216
#define IDM_SELECTALL 217
#define IDM_DELETE 218
#define IDM_STATUSBAR 219
#define IDM_TOOLBAR 220
#define IDM_SETTINGS 221
#define IDM_VERTICAL 222
#define IDM_HORIZONTAL 223
#define IDM_IMAGEPANE 224
#define IDM_NARROWER 225
#define IDM_WIDER 226
#define IDM_OPENCLIPBOARD 231 // ファイル ▸ クリップボードから開く (Ctrl+Shift+V)
#define IDM_SAVEIMAGE 232 // ファイル ▸ 画像として保存: PNG or HTML
// The picture looks (変換 ▸ 画質): 240 to 242 one radio group, 243 a check item of its own.
#define IDM_LOOK_STANDARD 240
#define IDM_LOOK_PHOTO 241
#define IDM_LOOK_SHAPE 242
#define IDM_DITHER 243
// The character set, a radio group of its own: half-width (the default) or full-width.
#define IDM_CHARSET_HALF 244
#define IDM_CHARSET_FULL 245
#define IDM_LOOK_TRACE 246 // the fourth look, after 輪郭 in the looks' radio group
// 変換 ▸ 出力先, a radio group: the window's font (the default) or the board's, ＭＳ Ｐゴシック.
#define IDM_TARGET_WINDOW 250
#define IDM_TARGET_BOARD 251

// Toolbar bitmap and tooltip strings
#define IDB_TOOLBAR 400
#define IDB_TOOLBAR_144 402 // the toolbar at 150 % display scaling
#define IDB_TOOLBAR_192 403 // and at 200 %
#define IDS_TIP_CLEAR 500
#define IDS_TIP_OPEN 501
#define IDS_TIP_SAVEAS 502
#define IDS_TIP_CUT 503
#define IDS_TIP_COPY 504
#define IDS_TIP_PASTE 505
#define IDS_TIP_UNDO 506
#define IDS_TIP_FONT 507
#define IDS_TIP_NARROWER 508
#define IDS_TIP_WIDER 509
#define IDS_TIP_CONVERT 510

// Settings dialog controls
#define IDC_STATIC_BRIGHTNESS 1001
#define IDC_STATIC_BLACK 1002
#define IDC_STATIC_WHITE 1003
#define IDC_STATIC_WIDTH 1004
#define IDC_STATIC_RATIO 1005
#define IDC_STATIC_ORIGINAL 1006
#define IDC_GROUP_BRIGHTNESS 1010
#define IDC_GROUP_GRADATION 1011
#define IDC_GROUP_MODE 1012
#define IDC_SLIDER_BRIGHTNESS 1021
#define IDC_SLIDER_WIDTH 1022
#define IDC_SLIDER_RATIO 1023
#define IDC_EDIT_BRIGHTNESS 1031
#define IDC_EDIT_BLACK 1032
#define IDC_EDIT_WHITE 1033
#define IDC_EDIT_WIDTH 1034
#define IDC_EDIT_RATIO 1035
#define IDC_RADIO_MANYTONE 1041
#define IDC_RADIO_TWOTONE 1042
#define IDC_RADIO_STRETCH 1043
#define IDC_RADIO_ORIGINAL 1044
#define IDC_RESET_BRIGHTNESS 1051
#define IDC_RESET_GRADATION 1052
#define IDC_RESET_MODE 1053
#define IDC_SPIN_BRIGHTNESS 1054
#define IDC_SPIN_WIDTH 1055
#define IDC_SPIN_RATIO 1056
