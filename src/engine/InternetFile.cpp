#include "engine/InternetFile.h"

InternetFile::~InternetFile() = default;
