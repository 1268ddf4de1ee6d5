#include "app/SiteMemory.h"

#include "app/SettingsStore.h"

SiteMemory::SiteMemory() : HostPortFile(SettingsStore::Folder() + "/Site memory") {}
