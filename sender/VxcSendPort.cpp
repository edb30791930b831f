#include "sender/VxcSendPort.h"

#include "makerlibs/include/PrnInfoBrokerApi.h"
#include "printerinfo/PrnInfoLibrary.h"
#include "printerinfo/PrnInfoValue.h"
#include "printerinfo/PrinterReadRules.h"

sender::OpenResult CVxcSendPort::Open() {
  // The library completes what it is given: a copy, so every open starts
  // from the entry as the port list has it.
  PrinterEntry entry = entry_;
  if (comm_.VXC_SetPort(&entry) != kVxcOk) return sender::OpenResult::Unreachable;
  // Mode 1 waits for the printer's first status; a printer held by another
  // client is told apart from one that is not there.
  switch (comm_.Open(1)) {
    case kVxcOk: return sender::OpenResult::Ok;
    case kVxcPortInUse: return sender::OpenResult::InUse;
    default: return sender::OpenResult::Unreachable;
  }
}

void CVxcSendPort::Close() { (void)comm_.Close(); }

int32_t CVxcSendPort::ModelVariant() {
  PrnInfoOutcome outcome = PrnInfoOutcome::NotLoaded;
  const auto item = ReadPrinterInfoItem(&comm_, kPrnInfoItemModelVariant, L"PrnInfoBroker.dll", &outcome);
  // Without the library the model is unknown, not another one.
  if (outcome != PrnInfoOutcome::Queried) return kReadNoLibrary;
  return ClassifyModelVariant(item);
}
