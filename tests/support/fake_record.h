#pragma once
// A record of text fields held in memory, for handlers that take any FieldAccess: it answers the
// fields it was given, fails the test on any other, and keeps what the handler calculates.

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "storage/fieldaccess.h"

namespace volarin::testing {

class FakeRecord final : public FieldAccess {
 public:
  // The record's text fields, by name.
  explicit FakeRecord(std::initializer_list<std::pair<const std::string, std::string>> fields)
      : fields_(fields) {}

  std::string FieldAsString(std::string_view name) override {
    const auto found = fields_.find(name);
    if (found != fields_.end()) return found->second;
    ADD_FAILURE() << "field read that the record does not have: " << name;
    return {};
  }
  double FieldAsFloat(std::string_view name) override { return Unexpected(name); }
  int32_t FieldAsInteger(std::string_view name) override { return Unexpected(name); }
  int64_t FieldAsInt64(std::string_view name) override { return Unexpected(name); }
  Date FieldAsDate(std::string_view name) override {
    Unexpected(name);
    return {};
  }
  void SetCalculated(std::string_view name, const std::string& value) override {
    calculated[std::string(name)] = value;
  }

  std::map<std::string, std::string> calculated;

 private:
  static int Unexpected(std::string_view name) {
    ADD_FAILURE() << "field read as a number or date: " << name;
    return 0;
  }
  std::map<std::string, std::string, std::less<>> fields_;
};

}  // namespace volarin::testing
