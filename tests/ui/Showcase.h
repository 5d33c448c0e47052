#pragma once
// What the UI showcase program (ui_showcase.exe) and the tests that drive it
// agree on: its resource ids, command ids, messages and exit codes.
//
//   ui_showcase main [/B] [/title=TEXT]       the background window
//   ui_showcase gauge MIN MAX POS             a dialog with a gauge at POS
//   ui_showcase error KIND [CODE] [/ask] [/heading=ID] [/arg=TEXT] [/more]
//                                             the error dialog for an exception
//   ui_showcase throw                         a window whose command handler throws
//   ui_showcase page ID                       the wizard page with template ID as it
//                                             looks at work: sample file names, the
//                                             copy gauge, the navigation bar under
//                                             the pages that have one
// Options for every mode: /exit-after=MS ends the program after MS milliseconds.
// KIND: profile, multifile, zlib (the program's own exceptions, CODE their
// code), file (the framework's file exception, CODE its cause), memory,
// archive, resource, user, notsupported, other (not a framework exception kind).

// Resources of the showcase (beside the program's own).
#define IDD_SHOWCASE_GAUGE  3001   // "Gauge": placeholder 1010 and the state line
#define IDC_GAUGE           1010   // the placeholder the gauge replaces
#define IDC_GAUGE_STATE     1011   // "MIN MAX POS" of the gauge after SetPos

#ifndef RC_INVOKED
#include <windows.h>

namespace showcase {

// Thread message: the background window is destroyed and the run ends.
constexpr UINT kEndRunMessage = WM_APP + 1;
// Command to the throwing window: its handler throws a disk-full file exception.
constexpr UINT kThrowCommand = 100;
constexpr const char* kThrowingWindowTitle = "Throwing window";

// Exit codes.
constexpr DWORD kExitSuccessKept = 1;     // main: the success flag is still set
constexpr DWORD kExitSuccessCleared = 2;  // main: a confirmed close cleared it
constexpr DWORD kExitQueryTrue = 1;       // error /ask: Continue
constexpr DWORD kExitQueryFalse = 0;      // error /ask: Cancel or Escape
constexpr DWORD kExitMessageShown = 3;    // error without /ask: the dialog was closed
constexpr DWORD kExitBadArguments = 64;

} // namespace showcase
#endif
