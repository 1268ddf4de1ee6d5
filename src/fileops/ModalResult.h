#pragma once
#include "platform/MessageBox.h"

// What DoModal of the program's small dialogs answers: IDOK (1) when closed
// with OK, and 2 otherwise, the numbers the callers compare against.
enum ModalResult : int {
    ModalOk = IDOK,
    ModalCancel = 2,
};
