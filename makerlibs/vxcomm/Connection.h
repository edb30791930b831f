#pragma once
// One connection to a printer inside the communication library: a reader
// thread splits what arrives into automatic status (turned into a status
// code) and replies (queued for Read). A monitored connection also enables
// automatic status, asks the printer when it has been silent, and comes back
// by itself after the printer dropped it (a restart).

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "makerlibs/common/LibThread.h"
#include "makerlibs/common/Transport.h"
#include "makerlibs/include/VXCommApi.h"
#include "makerlibs/protocol/PrinterProtocol.h"

// Replies kept for a caller that does not read: beyond this the oldest go.
constexpr std::size_t kMaxPendingReplies = 64 * 1024;
// A link that ends before the printer said a word is another client's
// refusal only when it happens again: a printer dropping the line or
// restarting at that moment ends one link, not every one.
constexpr int kRefusalAttempts = 3;
constexpr DWORD kRefusalRetryMs = 300;

struct ConnectionTiming {
  DWORD silenceMs = 1000;      // a silent printer is asked for its status after this
  DWORD answerMs = 1500;       // ... and counts as not answering after this more
  DWORD firstStatusMs = 1000;  // Open waits this long for the first status
  DWORD reconnectMs = 300;     // between attempts to reach a printer that went away
};

class CConnection {
public:
  using StatusSink = std::function<void(int32_t status)>;

  CConnection(const vxproto::Endpoint& endpoint, bool monitor, ConnectionTiming timing = {});
  ~CConnection();
  CConnection(const CConnection&) = delete;
  CConnection& operator=(const CConnection&) = delete;

  // kVxcOk, kVxcPortInUse (refused: another client holds the printer) or kVxcOpenFailed.
  VXCRESULT Open(bool waitForStatus);
  void Close();
  VXCRESULT Write(const void* data, uint32_t size, uint32_t* done, uint32_t timeoutMs);
  VXCRESULT Read(void* buffer, uint32_t size, uint32_t* done, uint32_t timeoutMs);
  void Purge();
  // Asks for the automatic status again (a fresh block comes at once).
  VXCRESULT Refresh();
  int32_t Status() const;
  void SetStatusSink(StatusSink sink);
  const vxproto::Endpoint& Target() const { return endpoint_; }
  bool Connected() const;

private:
  using Clock = std::chrono::steady_clock;
  void Run();
  void Lost();
  void SetStatus(int32_t status);
  bool WriteRaw(const vxproto::Bytes& bytes);
  VXCRESULT OpenOnce(bool waitForStatus);
  void NoteUserSetting(const uint8_t* data, std::size_t size);
  // Sends the leave command owed since a connection went down mid-stay.
  void PayLeaveOwed();

  const vxproto::Endpoint endpoint_;
  const bool monitor_;
  const ConnectionTiming timing_;

  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::shared_ptr<CLink> link_;
  std::mutex writeLock_;
  vxproto::CStreamSplitter splitter_;
  std::deque<uint8_t> replies_;
  bool closed_ = false;       // the link ended and (unmonitored) will not return
  bool anyByte_ = false;      // the printer ever sent something on this link
  bool blockSeen_ = false;
  int32_t status_ = vxproto::kStatusNoAnswer;
  int32_t printerStatus_ = vxproto::kStatusNoAnswer;  // from the last block
  bool silent_ = false;
  bool refused_ = false;      // the link ended before the printer said a word
  bool pollPending_ = false;
  bool userSetting_ = false;  // between the caller's enter and leave: no poll may cut in
  // The line went down between the caller's enter and leave (or with the
  // leave): the printer keeps its mode, and hears the leave command first
  // on the next connection.
  bool leaveOwed_ = false;
  Clock::time_point lastHeard_;
  Clock::time_point lastWritten_;
  Clock::time_point pollSent_;
  StatusSink sink_;
  std::atomic<bool> stop_{false};
  CLibThread reader_;
};
