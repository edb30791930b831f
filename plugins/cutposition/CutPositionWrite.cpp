#include "plugins/cutposition/CutPositionWrite.h"

CustomParamRecord CutPositionRecord(int32_t units) {
  CustomParamRecord record = {};
  record.selector = kCutPositionSelector;
  record.forward = static_cast<uint16_t>(units > 0 ? units : 0);
  record.backward = static_cast<uint16_t>(units < 0 ? -static_cast<int64_t>(units) : 0);
  return record;
}

int32_t RunCutPositionWrite(ICutPositionWriteSteps& steps, int32_t units) {
  return RunSettingWrite(steps, CutPositionRecord(units), CutPositionRecord());
}
