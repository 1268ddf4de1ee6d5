#include "platform/InternetFile.h"

InternetFile::~InternetFile() = default;
