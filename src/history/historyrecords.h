#pragma once
// What the history holds: the Positive Pay files created and the checks sent in each.

#include <cstdint>
#include <string>

#include "common/date.h"

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
  std::string netTotal;  // decimal text with two places, "-1234.50"
  std::string archiveFileName;
  std::string sha256;  // of the archive file, lower-case hex

  friend bool operator==(const Submission&, const Submission&) = default;
};

struct SentCheck {
  int64_t submissionId = 0;  // given by the store when recorded
  std::string bankAccount;
  int64_t checkNumber = 0;
  Date checkDate;
  std::string amount;  // decimal text with two places, as the register's N12.2 field holds it
  std::string statusCode;
  std::string payee;

  friend bool operator==(const SentCheck&, const SentCheck&) = default;
};

}  // namespace volarin::history
