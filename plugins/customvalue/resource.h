#pragma once
// Resource ids of VXUCustomizedValue.dll.

#define IDD_CUSTOMIZED_VALUE 12
#define IDC_VALUE_SET 1050
// Value controls 1200 to 1206 (CustomValueRules.cpp): lists for 3, 4 and
// 12, edit boxes for 101 to 104; their labels are 10 above, the edit
// boxes' spins 20 above, units 30 above and ranges 40 above.
#define IDC_VALUE_FIRST 1200
#define IDC_VALUE_LABEL_OFFSET 10
#define IDC_VALUE_SPIN_OFFSET 20
#define IDC_VALUE_UNIT_OFFSET 30
#define IDC_VALUE_RANGE_OFFSET 40
