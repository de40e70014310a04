// Resource and command ids, shared by the resource script and the program
// (the resource compiler reads only preprocessor definitions).
#pragma once

#include "res/version.h"

#define IDD_ABOUTBOX 100
#define IDR_MAINFRAME 128
#define IDD_MAINDLG 129
/* The tray icon while a temperature is at its warning or its critical limit. */
#define IDI_TRAY_WARNING 130
#define IDI_TRAY_CRITICAL 131
#define IDR_TRAYMENU 201
#define ID_TRAY_SHOW 3001
#define ID_TRAY_HIDE 3002
#define ID_TRAY_ABOUT 3003
#define ID_APP_ABOUT 57664
