#include "settings/settings_store.h"

#include <array>
#include <string_view>

#include "settings/registry_access.h"

namespace zelmora::settings {
namespace {

constexpr std::string_view kSettingsKey = "Software\\zelmora\\tixing";

struct NamedControl {
  std::string_view valueName;
  platform::Control& control;
};

std::array<NamedControl, 3> EditValues(const SettingsControls& controls) {
  return {{{"userid", controls.edt1}, {"interval", controls.edt2}, {"closetime", controls.edt3}}};
}

std::array<NamedControl, 4> FlagValues(const SettingsControls& controls) {
  return {{{"type1", controls.chktype1},
           {"type2", controls.chktype2},
           {"ip1", controls.chkip1},
           {"ip2", controls.chkip2}}};
}

}  // namespace

bool LoadSettings(platform::Registry& registry, const SettingsControls& controls) {
  TRegistryAccess access(registry);
  access.SetRootKey(platform::RegistryRoot::LocalMachine);
  if (!access.OpenKey(kSettingsKey, false)) return false;
  // An empty edit value keeps the control's default; an empty flag unchecks.
  for (auto& [name, edit] : EditValues(controls)) {
    std::string text = access.ReadString(name);
    if (!text.empty()) edit.SetText(text);
  }
  for (auto& [name, box] : FlagValues(controls)) {
    box.SetChecked(access.ReadString(name) == "1");
  }
  return true;
}

bool SaveSettings(platform::Registry& registry, const SettingsControls& controls) {
  TRegistryAccess access(registry);
  access.SetRootKey(platform::RegistryRoot::LocalMachine);
  if (!access.OpenKey(kSettingsKey, true)) return false;
  for (auto& [name, edit] : EditValues(controls)) access.WriteString(name, edit.Text());
  for (auto& [name, box] : FlagValues(controls)) access.WriteString(name, box.Checked() ? "1" : "0");
  return true;
}

}  // namespace zelmora::settings
