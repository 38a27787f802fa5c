// config/kxConfigAccessImpl.h — registers the configuration store for the
// layer below (environment/kxConfigAccess.h). The plug-in's load list runs
// RegisterConfigAccess in its "configuration-store registration" entry and
// UnregisterConfigAccess when it unloads; a service program that links the
// static libraries calls RegisterConfigAccess once at start.
#pragma once

void RegisterConfigAccess();
void UnregisterConfigAccess();
