#pragma once
#include <string>

#include "settings/file_io.h"

namespace tabulon {

// The per-user application settings store: values kept by application name,
// section and key, read with a default. A save says whether it landed.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::string GetSetting(const std::string& app, const std::string& section,
                                 const std::string& key, const std::string& fallback) = 0;
  virtual IoResult SaveSetting(const std::string& app, const std::string& section,
                               const std::string& key, const std::string& value) = 0;
};

}  // namespace tabulon
