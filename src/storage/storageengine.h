#pragma once
// The engine component: owns the engine context that every cursor of its databases shares, and
// passes its settings to it when started (and at once when a setting changes while started).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "storage/enginecontext.h"

namespace volarin {

class Environment;
class StorageDataBase;

enum class AutoUnlock { kOff, kData, kAll };
enum class FoxProVersion { k25, k26, k30 };
enum class EngineCodePage { kNone, kMsDos, kAnsi };
enum class CollationSequence { kMachine, kGeneral };
enum class IndexKind { kNone, kNtx, kMdx, kCdx };

class StorageEngine {
 public:
  StorageEngine(Environment& environment, std::string name);
  ~StorageEngine();  // stops the engine, closing the tables of its databases
  StorageEngine(const StorageEngine&) = delete;
  StorageEngine& operator=(const StorageEngine&) = delete;

  const std::string& Name() const { return name_; }
  Environment& GetEnvironment() const { return environment_; }

  // --- properties (a change while started is passed to the context at once)
  bool LockEnforce() const { return lockEnforce_; }
  void SetLockEnforce(bool value);
  int LockAttempts() const { return lockAttempts_; }
  void SetLockAttempts(int value);
  int LockDelay() const { return lockDelay_; }
  void SetLockDelay(int value);
  AutoUnlock GetAutoUnlock() const { return autoUnlock_; }
  void SetAutoUnlock(AutoUnlock value);
  bool SingleOpen() const { return singleOpen_; }
  void SetSingleOpen(bool value);
  FoxProVersion GetFoxProVersion() const { return foxProVersion_; }
  void SetFoxProVersion(FoxProVersion value);
  EngineCodePage CodePage() const { return codePage_; }
  void SetCodePage(EngineCodePage value);
  CollationSequence Collation() const { return collation_; }
  void SetCollation(CollationSequence value);
  bool ErrorEnable() const { return errorEnable_; }
  void SetErrorEnable(bool value);
  bool LargeFileSupport() const { return largeFiles_; }
  void SetLargeFileSupport(bool value);
  bool ConnectOnStart() const { return connectOnStart_; }
  void SetConnectOnStart(bool value) { connectOnStart_ = value; }
  // Meaningful only for an engine working through a database server; ours is local.
  std::string serverId;
  int processId = 0;
  std::string userId;
  std::string password;
  std::function<void(StorageEngine&)> onConnect;

  // --- operations
  void Start();
  void Connect();
  void Stop();
  bool Started() const { return started_; }
  bool Connected() const { return connected_; }
  // The context's pending error code as a 16-bit signed number; 0 when not started.
  int16_t ErrorCode() const;
  void ClearError();
  IndexKind GetIndexKind() const;
  // The context, or nullptr while the engine is not started.
  EngineContext* Context() { return context_.get(); }

  // Whether cursors convert text between the files' OEM code page and Windows text.
  bool Transliterates() const;

  // Database objects attach while they name this engine.
  void Attach(StorageDataBase& database);
  void Detach(StorageDataBase& database);

  // Passed by the environment when a global default changes.
  void PassContextDefaults();
  void PassDateFormat();

 private:
  void PassIfStarted(ContextSetting setting, int value);
  void PassProperties();

  Environment& environment_;
  std::string name_;
  bool lockEnforce_ = true;
  int lockAttempts_ = 5;
  int lockDelay_ = 100;
  AutoUnlock autoUnlock_ = AutoUnlock::kAll;
  bool singleOpen_ = true;
  FoxProVersion foxProVersion_ = FoxProVersion::k26;
  EngineCodePage codePage_ = EngineCodePage::kNone;
  CollationSequence collation_ = CollationSequence::kMachine;
  bool errorEnable_ = false;
  bool largeFiles_ = false;
  bool connectOnStart_ = true;

  std::unique_ptr<EngineContext> context_;
  bool started_ = false;
  bool connected_ = false;
  std::vector<StorageDataBase*> databases_;  // not owned: each detaches itself
};

int AutoUnlockCode(AutoUnlock value);
int FoxProVersionCode(FoxProVersion value);
int CodePageCode(EngineCodePage value);

}  // namespace volarin
