#include "platform/FtpConnection.h"

FtpConnection::~FtpConnection() = default;
