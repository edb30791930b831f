#pragma once
// Resource ids of VXUMemorySwitch.dll.

#define IDD_MEMORY_SWITCH 12
#define IDC_SWITCH_SET 1050
#define IDC_SWITCH_GROUP_1 1090
#define IDC_SWITCH_GROUP_2 1091
#define IDC_SWITCH_GROUP_5 1092
#define IDC_SWITCH_GROUP_8 1093
// Check boxes 1100 to 1115, one per offered bit (MemorySwitchRules.cpp).
#define IDC_SWITCH_FIRST 1100
