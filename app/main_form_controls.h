#pragma once
// The main window's controls the program reads, writes and listens to, by their
// design names; made once from the layout table (PickControls).
#include "platform/desktop.h"

namespace zelmora {

template <typename ControlType>
struct MainFormControlsOf {
  ControlType& edt1;      // worker id
  ControlType& edt2;      // poll interval in seconds
  ControlType& edt3;      // popup close time in seconds
  ControlType& chktype1;  // the task filters
  ControlType& chktype2;
  ControlType& chkip1;
  ControlType& chkip2;
  ControlType& lbl1;  // the announcement
  ControlType& lbl2;  // the update time
  ControlType& btn1;  // Start
  ControlType& btn2;  // Stop
  ControlType& btn3;  // View
  ControlType& lbl4;  // the platform link
  ControlType& lbl5;  // the support chat link
};

using MainFormControls = MainFormControlsOf<platform::Control>;

}  // namespace zelmora
