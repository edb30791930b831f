// VXUMemorySwitch.dll: the "Memory Switches" page.

#include "plugins/common/PluginMain.h"
#include "plugins/memswitch/MemorySwitchView.h"

class CVXUMemorySwitchApp : public CEnginePluginApp<CMemorySwitchViewCtrl> {};

VX_PLUGIN_MAIN(CVXUMemorySwitchApp)
