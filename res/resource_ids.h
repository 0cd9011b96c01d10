#pragma once
// Resource numbers shared by the .rc file and the program.
#define IDI_QUORVANE 1
#define IDR_QUORVANE_ICO_FILE 101  // the raw icon file, handed to the tray as bytes
