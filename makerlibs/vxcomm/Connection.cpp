#include "makerlibs/vxcomm/Connection.h"

#include <algorithm>

using namespace vxproto;

CConnection::CConnection(const Endpoint& endpoint, bool monitor, ConnectionTiming timing)
    : endpoint_(endpoint), monitor_(monitor), timing_(timing) {}

CConnection::~CConnection() { Close(); }

VXCRESULT CConnection::Open(bool waitForStatus) {
  VXCRESULT result = OpenOnce(waitForStatus);
  for (int attempt = 1; result == kVxcPortInUse && attempt < kRefusalAttempts; ++attempt) {
    Sleep(kRefusalRetryMs);
    result = OpenOnce(waitForStatus);
  }
  return result;
}

VXCRESULT CConnection::OpenOnce(bool waitForStatus) {
  ConnectResult how = ConnectResult::Failed;
  std::unique_ptr<CLink> link = ConnectEndpoint(endpoint_, &how, 2000);
  if (!link) return how == ConnectResult::InUse ? kVxcPortInUse : kVxcOpenFailed;
  {
    std::scoped_lock guard(lock_);
    link_ = std::move(link);
    closed_ = false;
    refused_ = false;
    anyByte_ = false;
    blockSeen_ = false;
    userSetting_ = false;
    lastHeard_ = lastWritten_ = Clock::now();
  }
  stop_ = false;
  PayLeaveOwed();
  if (!reader_.Start([this] { Run(); })) {
    Close();
    return kVxcOpenFailed;
  }
  if (!monitor_) return kVxcOk;
  WriteRaw(AutomaticStatusCommand(kAsbAllItems));
  if (!waitForStatus) return kVxcOk;
  bool refused = false;
  {
    std::unique_lock guard(lock_);
    changed_.wait_for(guard, std::chrono::milliseconds(timing_.firstStatusMs),
                      [&] { return blockSeen_ || refused_; });
    refused = refused_ && !blockSeen_;
  }
  if (refused) {
    Close();
    return kVxcPortInUse;
  }
  return kVxcOk;
}

void CConnection::Close() {
  stop_ = true;
  {
    std::scoped_lock guard(lock_);
    leaveOwed_ = leaveOwed_ || userSetting_;
    if (link_) link_->Abort();
  }
  reader_.Join();
  {
    std::scoped_lock guard(lock_);
    link_.reset();
    closed_ = true;
  }
  changed_.notify_all();
}

bool CConnection::Connected() const {
  std::scoped_lock guard(lock_);
  return link_ != nullptr;
}

bool CConnection::WriteRaw(const Bytes& bytes) {
  std::shared_ptr<CLink> link;
  {
    std::scoped_lock guard(lock_);
    link = link_;
  }
  if (!link) return false;
  std::scoped_lock guard(writeLock_);
  const bool ok = link->Write(bytes.data(), bytes.size(), 2000);
  std::scoped_lock state(lock_);
  lastWritten_ = Clock::now();
  return ok;
}

VXCRESULT CConnection::Write(const void* data, uint32_t size, uint32_t* done, uint32_t timeoutMs) {
  if (done) *done = 0;
  if (!data && size) return kVxcBadArgument;
  std::shared_ptr<CLink> link;
  {
    std::scoped_lock guard(lock_);
    link = link_;
  }
  if (!link) return kVxcDisconnected;
  NoteUserSetting(static_cast<const uint8_t*>(data), size);
  bool ok;
  {
    std::scoped_lock guard(writeLock_);
    ok = link->Write(static_cast<const uint8_t*>(data), size, timeoutMs ? timeoutMs : 2000);
  }
  {
    std::scoped_lock guard(lock_);
    lastWritten_ = Clock::now();
  }
  if (!ok) {
    // A leave command that did not go out is still owed.
    const Bytes leave = LeaveUserSettingCommand();
    if (size >= leave.size() && std::search(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size,
                                            leave.begin(), leave.end()) != static_cast<const uint8_t*>(data) + size) {
      std::scoped_lock guard(lock_);
      leaveOwed_ = true;
    }
    return kVxcDisconnected;
  }
  if (done) *done = size;
  return kVxcOk;
}

VXCRESULT CConnection::Read(void* buffer, uint32_t size, uint32_t* done, uint32_t timeoutMs) {
  if (done) *done = 0;
  if (!buffer || size == 0) return kVxcBadArgument;
  std::unique_lock guard(lock_);
  changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                    [&] { return !replies_.empty() || closed_ || !link_; });
  if (!replies_.empty()) {
    const uint32_t n = std::min<uint32_t>(size, static_cast<uint32_t>(replies_.size()));
    std::copy_n(replies_.begin(), n, static_cast<uint8_t*>(buffer));
    replies_.erase(replies_.begin(), replies_.begin() + n);
    if (done) *done = n;
    return kVxcOk;
  }
  if (closed_ || !link_) return refused_ ? kVxcPortInUse : kVxcDisconnected;
  return kVxcTimeout;
}

void CConnection::NoteUserSetting(const uint8_t* data, std::size_t size) {
  // The caller's own commands say when it enters and leaves user-setting
  // mode; in between the printer must hear nothing but the caller.
  const Bytes enter = EnterUserSettingCommand();
  const Bytes leave = LeaveUserSettingCommand();
  const auto contains = [&](const Bytes& command) {
    return size >= command.size() && std::search(data, data + size, command.begin(), command.end()) != data + size;
  };
  const bool entered = contains(enter), left = contains(leave);
  if (!entered && !left) return;
  std::scoped_lock guard(lock_);
  userSetting_ = entered && !left;
  if (left) leaveOwed_ = false;
  if (userSetting_) pollPending_ = false;
}

void CConnection::PayLeaveOwed() {
  bool owed;
  {
    std::scoped_lock guard(lock_);
    owed = leaveOwed_;
  }
  if (owed && WriteRaw(LeaveUserSettingCommand())) {
    std::scoped_lock guard(lock_);
    leaveOwed_ = false;
  }
}

void CConnection::Purge() {
  std::scoped_lock guard(lock_);
  replies_.clear();
}

VXCRESULT CConnection::Refresh() {
  Purge();
  if (!monitor_) return kVxcOk;
  return WriteRaw(AutomaticStatusCommand(kAsbAllItems)) ? kVxcOk : kVxcDisconnected;
}

int32_t CConnection::Status() const {
  std::scoped_lock guard(lock_);
  return status_;
}

void CConnection::SetStatusSink(StatusSink sink) {
  std::scoped_lock guard(lock_);
  sink_ = std::move(sink);
}

void CConnection::SetStatus(int32_t status) {
  StatusSink sink;
  {
    std::scoped_lock guard(lock_);
    if (status == status_) return;
    status_ = status;
    sink = sink_;
  }
  if (sink) sink(status);
}

void CConnection::Lost() {
  {
    std::scoped_lock guard(lock_);
    if (link_) link_->Abort();
    link_.reset();
    if (!anyByte_) refused_ = true;
    if (!monitor_) closed_ = true;
    blockSeen_ = false;
    pollPending_ = false;
    leaveOwed_ = leaveOwed_ || userSetting_;
    userSetting_ = false;
  }
  changed_.notify_all();
  SetStatus(kStatusNoAnswer);
}

void CConnection::Run() {
  uint8_t buffer[512];
  while (!stop_) {
    std::shared_ptr<CLink> link;
    {
      std::scoped_lock guard(lock_);
      link = link_;
    }
    if (!link) {
      if (!monitor_) return;
      for (DWORD waited = 0; waited < timing_.reconnectMs && !stop_; waited += 50) Sleep(50);
      if (stop_) return;
      ConnectResult how;
      std::unique_ptr<CLink> fresh = ConnectEndpoint(endpoint_, &how, 1000);
      if (!fresh) continue;
      {
        std::scoped_lock guard(lock_);
        if (stop_) return;
        link_ = std::move(fresh);
        splitter_.Reset();
        anyByte_ = false;
        refused_ = false;
        lastHeard_ = Clock::now();
      }
      changed_.notify_all();
      PayLeaveOwed();
      WriteRaw(AutomaticStatusCommand(kAsbAllItems));
      continue;
    }
    const int n = link->Read(buffer, sizeof(buffer), 50);
    if (stop_) return;
    if (n < 0) {
      Lost();
      if (!monitor_) return;
      continue;
    }
    const auto now = Clock::now();
    if (n > 0) {
      bool wasSilent;
      int32_t fromBlock = -1;
      {
        std::scoped_lock guard(lock_);
        anyByte_ = true;
        lastHeard_ = now;
        wasSilent = std::exchange(silent_, false);
        auto split = splitter_.Feed(buffer, static_cast<std::size_t>(n));
        for (const auto& block : split.blocks) {
          printerStatus_ = StatusFromAsb(block);
          blockSeen_ = true;
          fromBlock = printerStatus_;
        }
        auto& reply = split.reply;
        if (pollPending_) {
          auto it = std::find_if(reply.begin(), reply.end(), IsRealTimeStatusByte);
          if (it != reply.end() && it == reply.begin()) {
            reply.erase(it);
            pollPending_ = false;
          }
        }
        replies_.insert(replies_.end(), reply.begin(), reply.end());
        if (replies_.size() > kMaxPendingReplies) {
          replies_.erase(replies_.begin(), replies_.begin() + static_cast<std::ptrdiff_t>(replies_.size() - kMaxPendingReplies));
        }
        if (fromBlock < 0 && wasSilent && blockSeen_) fromBlock = printerStatus_;
      }
      bool inUserSetting;
      {
        std::scoped_lock guard(lock_);
        inUserSetting = userSetting_;
      }
      changed_.notify_all();
      if (wasSilent && monitor_ && !inUserSetting) WriteRaw(AutomaticStatusCommand(kAsbAllItems));
      if (fromBlock >= 0) SetStatus(fromBlock);
    }
    if (!monitor_) continue;
    bool ask = false, silent = false;
    {
      std::scoped_lock guard(lock_);
      const auto lastActivity = std::max(lastHeard_, lastWritten_);
      if (userSetting_) {
        // A slow answer in user-setting mode is no silence: nothing is asked.
      } else if (!pollPending_ && now - lastActivity > std::chrono::milliseconds(timing_.silenceMs)) {
        pollPending_ = true;
        pollSent_ = now;
        ask = true;
      } else if (pollPending_ && now - std::max(pollSent_, lastHeard_) > std::chrono::milliseconds(timing_.answerMs)) {
        pollPending_ = false;
        silent_ = true;
        silent = true;
      }
    }
    if (ask) WriteRaw(RealTimeStatusCommand(1));
    if (silent) SetStatus(kStatusNoAnswer);
  }
}
