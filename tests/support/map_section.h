// A settings section kept in memory, for tests of the records that read and write one.
#pragma once
#include <map>
#include <string>

#include "base/settings_section.h"

namespace vt_test {

class MapSection : public vt::SettingsSection {
 public:
  bool read_bool(const char* name, bool fallback) override {
    auto it = values.find(name);
    return it == values.end() ? fallback : it->second != "0";
  }
  int32_t read_int(const char* name, int32_t fallback) override {
    auto it = values.find(name);
    return it == values.end() ? fallback : std::stoi(it->second);
  }
  std::string read_text(const char* name, const char* fallback) override {
    auto it = values.find(name);
    return it == values.end() ? fallback : it->second;
  }
  void write_bool(const char* name, bool value) override { values[name] = value ? "1" : "0"; }
  void write_int(const char* name, int32_t value) override { values[name] = std::to_string(value); }
  void write_text(const char* name, const std::string& value) override { values[name] = value; }
  std::map<std::string, std::string> values;
};

}  // namespace vt_test
