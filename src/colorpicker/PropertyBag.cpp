#include "colorpicker/PropertyBag.h"

#include <algorithm>

namespace nimbo::colorpicker {

void PropertyBag::WriteProperty(std::string_view name, std::int64_t value,
                                std::int64_t defaultValue) {
  const auto it = std::find_if(entries_.begin(), entries_.end(),
                               [name](const Entry& e) { return e.name == name; });
  if (it != entries_.end()) {
    it->value = value;
    it->defaultValue = defaultValue;
    return;
  }
  entries_.push_back({std::string(name), value, defaultValue});
}

std::optional<std::int64_t> PropertyBag::Find(std::string_view name) const {
  const auto it = std::find_if(entries_.begin(), entries_.end(),
                               [name](const Entry& e) { return e.name == name; });
  if (it == entries_.end()) {
    return std::nullopt;
  }
  return it->value;
}

std::int64_t PropertyBag::ReadProperty(std::string_view name, std::int64_t defaultValue) const {
  return Find(name).value_or(defaultValue);
}

}  // namespace nimbo::colorpicker
