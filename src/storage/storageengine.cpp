#include "storage/storageengine.h"

#include <algorithm>

#include "common/text.h"
#include "storage/environment.h"
#include "storage/storagedatabase.h"

namespace volarin {

int AutoUnlockCode(AutoUnlock value) {
  switch (value) {
    case AutoUnlock::kOff:
      return 0;
    case AutoUnlock::kData:
      return 2;
    case AutoUnlock::kAll:
      return 1;
  }
  return 1;
}

int FoxProVersionCode(FoxProVersion value) {
  switch (value) {
    case FoxProVersion::k25:
      return 25;
    case FoxProVersion::k26:
      return 26;
    case FoxProVersion::k30:
      return 30;
  }
  return 26;
}

int CodePageCode(EngineCodePage value) {
  switch (value) {
    case EngineCodePage::kNone:
      return 0;
    case EngineCodePage::kMsDos:
      return 1;
    case EngineCodePage::kAnsi:
      return 3;
  }
  return 0;
}

StorageEngine::StorageEngine(Environment& environment, std::string name)
    : environment_(environment), name_(std::move(name)) {}

StorageEngine::~StorageEngine() {
  try {
    Stop();
  } catch (...) {
    // Nothing can be reported from a destructor; the tables are closed regardless.
  }
  for (StorageDataBase* database : std::vector<StorageDataBase*>(databases_))
    database->SetEngine(nullptr);
}

void StorageEngine::Start() {
  if (started_) return;
  context_ = std::make_unique<EngineContext>();
  Connect();
  started_ = true;
  EngineContext& c = *context_;
  c.Set(ContextSetting::kAutoOpen, 0);
  c.Set(ContextSetting::kLockAttemptsSingle, 2);
  c.Set(ContextSetting::kSafety, 0);
  c.Set(ContextSetting::kErrFieldName, 0);
  c.Set(ContextSetting::kErrTagName, 0);
  c.Set(ContextSetting::kOptimize, -1);
  c.Set(ContextSetting::kOptimizeWrite, -1);
  c.SetDateFormat(environment_.Globals().dateFormat);
  PassProperties();
  PassContextDefaults();
  environment_.AddStartedEngine(*this);
}

void StorageEngine::PassProperties() {
  EngineContext& c = *context_;
  c.Set(ContextSetting::kLockEnforce, lockEnforce_ ? 1 : 0);
  c.Set(ContextSetting::kLockAttempts, lockAttempts_);
  c.Set(ContextSetting::kLockDelay, lockDelay_);
  c.Set(ContextSetting::kAutoUnlock, AutoUnlockCode(autoUnlock_));
  c.Set(ContextSetting::kSingleOpen, singleOpen_ ? 1 : 0);
  c.Set(ContextSetting::kCompatibility, FoxProVersionCode(foxProVersion_));
  c.Set(ContextSetting::kCodePage, CodePageCode(codePage_));
  c.Set(ContextSetting::kCollation, collation_ == CollationSequence::kGeneral ? 1 : 0);
  c.Set(ContextSetting::kErrOff, errorEnable_ ? 0 : 1);
  if (largeFiles_) c.Set(ContextSetting::kLargeFiles, 1);
}

void StorageEngine::PassContextDefaults() {
  if (!context_) return;
  const GlobalSettings& g = environment_.Globals();
  EngineContext& c = *context_;
  c.Set(ContextSetting::kAccessMode, g.defaultExclusive ? 1 : 0);
  c.Set(ContextSetting::kReadOnly, g.defaultOpenMode == DefaultOpenMode::kReadOnly ? 1 : 0);
  c.Set(ContextSetting::kUniqueDefault,
        g.defaultUniqueTagHandling == DefaultUniqueTagHandling::kException ? 20 : 25);
  c.Set(ContextSetting::kAutoOpen, 0);
  c.Set(ContextSetting::kSafety, 0);
}

void StorageEngine::PassDateFormat() {
  if (context_) context_->SetDateFormat(environment_.Globals().dateFormat);
}

void StorageEngine::Connect() {
  // The engine is local: connecting calls no server, it only marks the state and tells the owner.
  connected_ = true;
  if (onConnect) onConnect(*this);
}

void StorageEngine::Stop() {
  if (!started_) return;
  for (StorageDataBase* database : std::vector<StorageDataBase*>(databases_)) database->CloseAll();
  environment_.RemoveStartedEngine(*this);
  context_.reset();
  started_ = false;
  connected_ = false;
}

int16_t StorageEngine::ErrorCode() const {
  if (!context_) return 0;
  return static_cast<int16_t>(context_->Engine().ErrorCode());
}

void StorageEngine::ClearError() {
  if (context_) context_->Engine().ClearError();
}

IndexKind StorageEngine::GetIndexKind() const {
  if (!context_) return IndexKind::kNone;
  const std::string extension = UpperAscii(context_->IndexExtension());
  if (extension == "NTX") return IndexKind::kNtx;
  if (extension == "MDX") return IndexKind::kMdx;
  if (extension == "CDX") return IndexKind::kCdx;
  return IndexKind::kNone;
}

bool StorageEngine::Transliterates() const {
  return environment_.Globals().transliterateEnable &&
         (codePage_ == EngineCodePage::kNone || codePage_ == EngineCodePage::kMsDos);
}

void StorageEngine::Attach(StorageDataBase& database) {
  if (std::find(databases_.begin(), databases_.end(), &database) == databases_.end()) {
    databases_.push_back(&database);
  }
}

void StorageEngine::Detach(StorageDataBase& database) {
  std::erase(databases_, &database);
}

void StorageEngine::PassIfStarted(ContextSetting setting, int value) {
  if (started_ && context_) context_->Set(setting, value);
}

void StorageEngine::SetLockEnforce(bool value) {
  lockEnforce_ = value;
  PassIfStarted(ContextSetting::kLockEnforce, value ? 1 : 0);
}
void StorageEngine::SetLockAttempts(int value) {
  lockAttempts_ = value;
  PassIfStarted(ContextSetting::kLockAttempts, value);
}
void StorageEngine::SetLockDelay(int value) {
  lockDelay_ = value;
  PassIfStarted(ContextSetting::kLockDelay, value);
}
void StorageEngine::SetAutoUnlock(AutoUnlock value) {
  autoUnlock_ = value;
  PassIfStarted(ContextSetting::kAutoUnlock, AutoUnlockCode(value));
}
void StorageEngine::SetSingleOpen(bool value) {
  singleOpen_ = value;
  PassIfStarted(ContextSetting::kSingleOpen, value ? 1 : 0);
}
void StorageEngine::SetFoxProVersion(FoxProVersion value) {
  foxProVersion_ = value;
  PassIfStarted(ContextSetting::kCompatibility, FoxProVersionCode(value));
}
void StorageEngine::SetCodePage(EngineCodePage value) {
  codePage_ = value;
  PassIfStarted(ContextSetting::kCodePage, CodePageCode(value));
}
void StorageEngine::SetCollation(CollationSequence value) {
  collation_ = value;
  PassIfStarted(ContextSetting::kCollation, value == CollationSequence::kGeneral ? 1 : 0);
}
void StorageEngine::SetErrorEnable(bool value) {
  errorEnable_ = value;
  PassIfStarted(ContextSetting::kErrOff, value ? 0 : 1);
}
void StorageEngine::SetLargeFileSupport(bool value) {
  largeFiles_ = value;
  PassIfStarted(ContextSetting::kLargeFiles, value ? 1 : 0);
}

}  // namespace volarin
