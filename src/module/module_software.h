#pragma once

#include <string_view>

namespace r7n {

// What the module software is set up with: host names and root passwords of
// the two variants, as the module consoles print and expect them. Fixed texts
// of the module software, kept here in one place.
struct ModuleSoftwareTexts {
  std::string_view host_name;
  std::string_view root_password;  // R7N: 8 characters, Tr7N: 9
  std::string_view banner_word;    // in the login screen's banner
};

inline constexpr ModuleSoftwareTexts kR7nSoftware{"kt20r-r7n", "R7nAdm1n", " R7N "};
inline constexpr ModuleSoftwareTexts kTr7nSoftware{"kt20r-tr7n", "Tr7nAdm1n", " Tr7N "};

// Console variant as the login dialogue recognises it.
inline constexpr int kVariantUnknown = -1;
inline constexpr int kVariantR7n = 0;
inline constexpr int kVariantTr7n = 1;

}  // namespace r7n
