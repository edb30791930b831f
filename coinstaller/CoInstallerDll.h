#pragma once
// What a co-installer library runs on. The delivered libraries link
// DllPlatform.cpp (the platform itself); a test build of the same library
// links a platform of its own.

#include "coinstaller/CoInstallerPlatform.h"
#include "coinstaller/PortQueueCoInstaller.h"

coinst::ICoInstallerPlatform& DllPlatform();
coinst::PortQueueTimings DllPortQueueTimings();
