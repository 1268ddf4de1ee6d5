#include "engine/FtpConnection.h"

FtpConnection::~FtpConnection() = default;
