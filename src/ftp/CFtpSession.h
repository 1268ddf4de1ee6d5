#pragma once
#include "platform/InternetSession.h"

// The program's Internet session; it adds nothing to the engine's, and exists
// so a login owns one object of its own.
class CFtpSession : public InternetSession {
};
