// The host's design-time storage of a control's properties: named whole-number
// entries in the order they were written. Reading a missing entry gives the
// default the reader passes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbo::colorpicker {

class PropertyBag {
 public:
  struct Entry {
    std::string name;
    std::int64_t value = 0;
    std::int64_t defaultValue = 0;
  };

  // A second write of the same name replaces the value and keeps its place.
  void WriteProperty(std::string_view name, std::int64_t value, std::int64_t defaultValue);
  std::int64_t ReadProperty(std::string_view name, std::int64_t defaultValue) const;
  std::optional<std::int64_t> Find(std::string_view name) const;

  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};

}  // namespace nimbo::colorpicker
