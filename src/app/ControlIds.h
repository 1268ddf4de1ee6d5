#pragma once

// Control, command and message numbers of the main window's template and menus.
enum ControlId : int {
    IDC_LOGIN = 1006,
    IDC_USER = 1002,
    IDC_PSWD = 1003,
    IDC_PWD = 1010,
    IDC_INFO = 1015,
    IDC_HIDE = 1016,
    IDC_LOGOUT = 1007,
    IDC_UPLOAD = 1019,
    IDC_DOWNLOAD = 1020,
    IDC_ASCII = 1021,
    IDC_BINARY = 1022,
    IDC_AUTO = 1023,
    IDC_RENAME = 1024,
    IDC_MKDIR = 1025,
    IDC_CDUP = 1029,
    IDC_CHDIR = 1032,
    IDC_CDROOT = 1033,
    IDC_PORT = 1036,
    IDC_FILELIST = 1040,
    IDC_RUNTIME = 1046,
    IDC_DOMAIN = 1047,
    IDC_REMOVE = 1049,
    IDC_DELETE = 1050,
    IDC_HELP = 1063,
    IDC_REFRESH = 1066,
    IDC_PROGRESS = 1070,
    IDC_ABORT = 1071,
};

enum CommandId : int {
    ID_EXIT = 32772,
    ID_OPENIN_CONFIGURE = 32774,
    ID_OPENIN_TEXT = 32775,
    ID_OPENIN_GRAPHICS = 32776,
    ID_OPENIN_BROWSER = 32777,
    ID_DOCUMENTATION = 32779,
    ID_CANCEL_MENU = 32781,
    ID_ABOUT = 32782,
};

// The run-time clock's timer.
constexpr int kClockTimerId = 1;
// Gives an aborted worker time to finish its chunk before its data
// connection is shut down.
constexpr int kAbortTimerId = 2;
// Brings a close asked for by a signal back once a Logout's wait is over.
constexpr int kEndSignalTimerId = 3;
constexpr int kEndSignalRetryMs = 100;
