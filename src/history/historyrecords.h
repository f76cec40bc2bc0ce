#pragma once
// What the history holds: the Positive Pay files created and the checks sent in each.

#include <cstdint>
#include <string>

#include "common/date.h"
#include "common/money.h"

namespace volarin::history {

enum class SubmissionMode { kDate, kOutstanding };

struct Submission {
  int64_t id = 0;           // given by the store when recorded
  Date createdDate;         // stamped by the store when left null
  std::string createdTime;  // "HH:MM:SS", stamped with the date
  std::string osUser;       // the operating-system user; stamped when empty
  std::string suiteAccount;
  std::string bankAccount;
  Date positivePayDate;
  SubmissionMode mode = SubmissionMode::kDate;
  int64_t startingCheckNumber = 0;  // 0: every check number
  int64_t checkCount = 0;
  Money netTotal;
  std::string archiveFileName;
  std::string sha256;  // of the archive file, lower-case hex

  friend bool operator==(const Submission&, const Submission&) = default;
};

struct SentCheck {
  int64_t submissionId = 0;  // given by the store when recorded
  std::string bankAccount;
  int64_t checkNumber = 0;
  Date checkDate;
  Money amount;  // kept to the cent
  std::string statusCode;
  std::string payee;  // as the register shows it (the report prints it so)

  friend bool operator==(const SentCheck&, const SentCheck&) = default;
};

}  // namespace volarin::history
