// VXUCustomizedValue.dll: the "Customized Values" page.

#include "plugins/common/PluginMain.h"
#include "plugins/customvalue/CustomValueView.h"

class CVXUCustomizedValueApp : public CEnginePluginApp<CCustomValueViewCtrl> {};

VX_PLUGIN_MAIN(CVXUCustomizedValueApp)
