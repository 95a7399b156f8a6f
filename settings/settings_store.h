#pragma once
// The worker's settings: seven string values under HKEY_LOCAL_MACHINE
// "Software\zelmora\tixing", copied into the main window's controls once at
// start-up and back from them at every Start. The controls are the settings in
// force; nothing here keeps a copy.

#include "platform/desktop.h"
#include "platform/registry.h"

namespace zelmora::settings {

struct SettingsControls {
  platform::Control& edt1;      // worker id, "userid"
  platform::Control& edt2;      // poll interval in seconds, "interval"
  platform::Control& edt3;      // popup close time in seconds, "closetime"
  platform::Control& chktype1;  // "type1"
  platform::Control& chktype2;  // "type2"
  platform::Control& chkip1;    // "ip1"
  platform::Control& chkip2;    // "ip2"
};

// A key that cannot be opened leaves every control as it is (and answers
// false). A value of the wrong type throws ERegistryError there: the values
// before it are applied.
bool LoadSettings(platform::Registry& registry, const SettingsControls& controls);

// A key that can be neither opened nor created writes nothing, silently (and
// answers false). A refused write throws ERegistryError: the values before it
// stay written.
bool SaveSettings(platform::Registry& registry, const SettingsControls& controls);

}  // namespace zelmora::settings
