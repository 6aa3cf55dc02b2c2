// The named values of one settings section, as the encoder settings, the
// delivery options and the other per-feature records read and write them.
// The registry store implements it on Windows; tests use a map.
#pragma once
#include <cstdint>
#include <string>

namespace vt {

class SettingsSection {
 public:
  virtual ~SettingsSection() {}
  // A missing or unreadable value yields `fallback`.
  virtual bool read_bool(const char* name, bool fallback) = 0;
  virtual int32_t read_int(const char* name, int32_t fallback) = 0;
  virtual std::string read_text(const char* name, const char* fallback) = 0;
  // Written straight through: "1"/"0" and decimal text.
  virtual void write_bool(const char* name, bool value) = 0;
  virtual void write_int(const char* name, int32_t value) = 0;
  virtual void write_text(const char* name, const std::string& value) = 0;
};

}  // namespace vt
