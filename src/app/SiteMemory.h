#pragma once
#include "app/HostPortFile.h"

// What the engine noted of each server at its last login (whether it spoke
// TLS, the data mode that worked, what FEAT listed), per host and port, in
// "Site memory" in the settings folder: never part of a site's record, so
// the stored records keep their form.
class SiteMemory : public HostPortFile {
public:
    SiteMemory();
};
