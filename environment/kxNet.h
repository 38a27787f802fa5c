// environment/kxNet.h — the network module: TkxNet (URLs and query
// parameters, raw headers and multipart bodies, the second HTTP client, IP
// addresses and ports, web text filters) and TkxIndy (TLS setting texts,
// HTTP requests, and the server's request and response objects and
// replies), one header per area, and the module's load and unload.
#pragma once

#include "environment/kxNet_Filters.h"
#include "environment/kxNet_IP.h"
#include "environment/kxNet_Indy.h"
#include "environment/kxNet_Multipart.h"
#include "environment/kxNet_Server.h"
#include "environment/kxNet_Url.h"
#include "environment/kxNet_WinInet.h"

namespace TkxNet::detail {

// At load: prepares the HTTP library once for the process and makes
// NetClassFactory from the registry. When the factory cannot be made (a
// registry string that does not convert), NetClassFactory stays null and
// Exception "network settings: " + the reason is raised, for the load to
// record; nothing is left half made. Running it again replaces the factory,
// so a test that changed the registry sees the new settings.
void InitializeModule();
// At unload: frees NetClassFactory. Never raises.
void FinalizeModule();

}  // namespace TkxNet::detail
