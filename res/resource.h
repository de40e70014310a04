// Resource and command ids, shared by the resource script and the program
// (the resource compiler reads only preprocessor definitions).
#pragma once

#define IDD_ABOUTBOX 100
#define IDR_MAINFRAME 128
#define IDD_MAINDLG 129
#define IDR_TRAYMENU 201
#define ID_TRAY_SHOW 3001
#define ID_TRAY_HIDE 3002
#define ID_TRAY_ABOUT 3003
#define ID_APP_ABOUT 57664

// The About box's three lines: title and version, author and contact, rights.
#define VELTAR_ABOUT_TEXT "Veltar v1.0\nThe Veltar developers (+1 555 0100)\nCopyright (C) 2026 Veltar. All rights reserved."
