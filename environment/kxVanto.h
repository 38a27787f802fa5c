// environment/kxVanto.h — TkxVanto: where the product installation lies and
// who is running. One header per area:
//   kxVanto_Paths.h     the installation root, its folders and files, the
//                       temporary, debug, OCR and plug-in folders, the style
//                       file, cluster-node keys of the configuration tree
//   kxVanto_Identity.h  switches, language, database type and version,
//                       program names and version texts, ports, priorities
//
// Nothing is cached: every call reads the registry, the environment, the
// start parameters and the file system afresh, so any thread may call any
// operation at any time.
//
// The installation settings are registry values of the local machine key
// "SOFTWARE\vanto\System\" (TkxVanto::detail::kSystemKey); a few switches
// may be overridden by the same value of the current user. No read creates
// anything, and no read fails: a missing or unreadable value gives its
// default.
//
// "The host program" is the executable of the process (the application that
// loaded the plug-in, or a test program); "this library" is the file that
// holds this code (TkxTools::GetModuleFileName).
#pragma once

#include "environment/kxVanto_Identity.h"
#include "environment/kxVanto_Paths.h"
