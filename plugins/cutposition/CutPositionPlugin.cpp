// VXUAdjustCutPosition.dll: the application object that owns the page
// controller from the library's load to its unload, and the customized-value
// engine handed to the framework.

#include "plugins/common/PluginMain.h"
#include "plugins/cutposition/AdjustCutPositionView.h"

class CVXUAdjustCutPositionApp : public CEnginePluginApp<CAdjustCutPositionViewCtrl> {};

VX_PLUGIN_MAIN(CVXUAdjustCutPositionApp)
